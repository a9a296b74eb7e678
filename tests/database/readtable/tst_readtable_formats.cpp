#include "database/readtable/ReadTableFixtures.h"

#include "LibMdbTable.h"
#include "MkBase.h"
#include "database/core/DatabaseError.h"
#include "database/readtable/TableSource.h"

#include <QTemporaryDir>
#include <QTest>

using namespace velkaro::database;
using namespace velkaro::database::test;
using namespace velkaro::mkbase;
using namespace Qt::Literals::StringLiterals;
using Row = QList<std::optional<QString>>;

Q_DECLARE_METATYPE(velkaro::mkbase::AccessFileKind)
Q_DECLARE_METATYPE(velkaro::mkbase::MovedRowDamage)

namespace {

constexpr qint64 kRows = 120;
constexpr quint64 kSeed = 23;
const QList<AccessFormat> kAceFormats = {
    AccessFormat::Ace12, AccessFormat::Ace14, AccessFormat::Ace15, AccessFormat::Ace16, AccessFormat::Ace17};

AccessFileKind kind(AccessFormat format, RowEdits edits = {})
{
    AccessFileKind result;
    result.format = format;
    result.edits = std::move(edits);
    return result;
}

// The generated rows in the order they were written, without the deleted ones.
QList<Row> expectedRows(const QList<int> &deleted)
{
    QList<Row> rows;
    DirectoryGenerator generator(kSeed);
    DirectoryEntry entry;
    for (int i = 0; i < kRows; ++i) {
        generator.next(&entry);
        if (deleted.contains(i))
            continue;
        rows.append({QString::fromStdU16String(entry.abonent), QString::fromStdU16String(entry.phone),
            QString::fromStdU16String(entry.address),
            entry.comment ? std::optional(QString::fromStdU16String(*entry.comment)) : std::nullopt,
            entry.lineType ? std::optional(QString::number(*entry.lineType)) : std::nullopt});
    }
    return rows;
}

// The rows as a sorted list of texts, to compare with a reader that returns them in another order.
QStringList sortedTexts(const QList<Row> &rows)
{
    QStringList texts;
    for (const Row &row : rows) {
        QStringList values;
        for (const std::optional<QString> &value : row)
            values.append(value && !value->isEmpty() ? *value : u"NULL"_s);
        texts.append(values.join(u'|'));
    }
    texts.sort();
    return texts;
}

} // namespace

// Every format Access saves reads as the Jet 4 file with the same rows, rows edited in Access come in Access's
// order, and damaged or locked files show nothing.
class tst_readtable_formats : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void rowsInAccessOrder_data();
    void rowsInAccessOrder();
    void damagedMovedRow_data();
    void damagedMovedRow();
    void locked_data();
    void locked();
    void aceColumnTypes_data();
    void aceColumnTypes();

private:
    QString write(const AccessFileKind &kind);

    QTemporaryDir m_dir;
    QByteArray m_csv;
};

void tst_readtable_formats::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_csv = generatedDirectoryCsv(kRows, kSeed);
}

QString tst_readtable_formats::write(const AccessFileKind &kind)
{
    const QString path = m_dir.filePath(QString::fromLatin1(QTest::currentDataTag()).replace(u' ', u'-')
        + (kind.format == AccessFormat::Jet4 ? u".mdb"_s : u".accdb"_s));
    QString error;
    if (!writeAccessFile(m_csv, path, kind, &error))
        qFatal("writing %s failed: %s", qPrintable(path), qPrintable(error));
    return path;
}

void tst_readtable_formats::rowsInAccessOrder_data()
{
    QTest::addColumn<AccessFileKind>("kind");
    const RowEdits edits {{0, 5, 37, 38, 119}, {1, 60, 118}};
    QList<int> everyRow;
    for (int row = 0; row < kRows; ++row)
        everyRow.append(row);
    QTest::newRow("jet4") << kind(AccessFormat::Jet4);
    for (const AccessFormat format : kAceFormats)
        QTest::newRow(qPrintable(formatName(format))) << kind(format);
    QTest::newRow("jet4 moved and deleted") << kind(AccessFormat::Jet4, edits);
    QTest::newRow("ace16 moved and deleted") << kind(AccessFormat::Ace16, edits);
    QTest::newRow("jet4 every row moved") << kind(AccessFormat::Jet4, {everyRow, {}});
    QTest::newRow("jet4 every row deleted") << kind(AccessFormat::Jet4, {{}, everyRow});
}

void tst_readtable_formats::rowsInAccessOrder()
{
    QFETCH(AccessFileKind, kind);
    const QString path = write(kind);
    const QList<Row> expected = expectedRows(kind.edits.deleted);
    // mdbtools reads the same rows, moved ones where they landed.
    LibMdbTable theirs;
    QString error;
    QVERIFY2(readWithLibMdb(path, u"Base"_s, &theirs, &error), qPrintable(error));
    QCOMPARE(sortedTexts(theirs.rows), sortedTexts(expected));

    RecordingSink sink;
    readTable(path, u"Base"_s, sink);
    QCOMPARE(sink.m_rows, expected);
}

void tst_readtable_formats::damagedMovedRow_data()
{
    QTest::addColumn<MovedRowDamage>("damage");
    QTest::addColumn<QString>("reason");
    QTest::newRow("page of another table") << MovedRowDamage::PageNotOwned << u"of a moved row, not the table's"_s;
    QTest::newRow("page past the file") << MovedRowDamage::PastEndOfFile << u"of a moved row, past the file"_s;
    QTest::newRow("slot of a row that never moved") << MovedRowDamage::SlotWithoutMovedRow << u"which holds none"_s;
    QTest::newRow("slot past the page's rows") << MovedRowDamage::SlotPastRowCount << u"which holds none"_s;
    QTest::newRow("its own home slot") << MovedRowDamage::Loop << u"which holds none"_s;
}

void tst_readtable_formats::damagedMovedRow()
{
    QFETCH(MovedRowDamage, damage);
    QFETCH(QString, reason);
    AccessFileKind damaged = kind(AccessFormat::Jet4, {{3, 40}, {}});
    damaged.damages = {{40, damage}};
    const QString path = write(damaged);
    CountingSink sink;
    try {
        readTable(path, u"Base"_s, sink, impatientReader());
        QFAIL("read whole");
    } catch (const DatabaseError &error) {
        QVERIFY2(QString::fromUtf8(error.what()).contains(reason), error.what());
    }
    QCOMPARE(readerChildren(), 0);
}

void tst_readtable_formats::locked_data()
{
    QTest::addColumn<AccessFileKind>("kind");
    QTest::addColumn<QString>("reason");

    AccessFileKind jet4Password = kind(AccessFormat::Jet4);
    jet4Password.password = u"x"_s;
    QTest::newRow("jet4 with a database password") << jet4Password << u"locked: database password"_s;
    AccessFileKind acePassword = kind(AccessFormat::Ace14);
    acePassword.password = u"secret"_s;
    QTest::newRow("ace14 with a database password") << acePassword << u"locked: database password"_s;
    AccessFileKind encoded = kind(AccessFormat::Jet4);
    encoded.pageKey = 0x1D2C3B4A;
    QTest::newRow("jet4 with encoded pages") << encoded << u"locked: encoded or encrypted pages"_s;
    AccessFileKind encrypted = kind(AccessFormat::Ace14);
    encrypted.encrypted = true;
    QTest::newRow("ace14 encrypted") << encrypted << u"locked: encoded or encrypted pages"_s;
}

void tst_readtable_formats::locked()
{
    QFETCH(AccessFileKind, kind);
    QFETCH(QString, reason);
    RecordingSink sink;
    try {
        readTable(write(kind), u"Base"_s, sink);
        QFAIL("read");
    } catch (const DatabaseError &error) {
        QVERIFY2(QString::fromUtf8(error.what()).contains(reason), error.what());
    }
    QVERIFY(sink.m_columns.empty());
    QVERIFY(sink.m_rows.isEmpty());
}

void tst_readtable_formats::aceColumnTypes_data()
{
    QTest::addColumn<QString>("extraType"); // of the column EXTRA beside the directory's
    QTest::addColumn<QString>("extraValue");
    QTest::addColumn<QString>("column"); // whose descriptor is changed
    QTest::addColumn<int>("type"); // its new type, or -1
    QTest::addColumn<int>("extendedFlags"); // its new extended flags, or -1
    QTest::addColumn<std::optional<QString>>("read"); // what EXTRA reads
    QTest::addColumn<QString>("refusal"); // not empty: the table is refused for that reason

    const std::optional<QString> null;
    // 5e-324 and 1e-323 are the doubles whose bits read 1 and 2 as a 64-bit integer.
    QTest::newRow("Large Number") << u"double"_s << u"5e-324"_s << u"EXTRA"_s << 0x13 << -1 << std::optional(u"1"_s)
                                  << QString();
    QTest::newRow("Large Number line type") << u"double"_s << u"5e-324"_s << u"NO_TYPE"_s << 0x13 << -1
                                            << std::optional(u"1"_s) << QString();
    QTest::newRow("attachments") << u"long"_s << u"7"_s << u"EXTRA"_s << 0x12 << -1 << null << QString();
    QTest::newRow("calculated") << u"text(20)"_s << u"ABC"_s << u"EXTRA"_s << -1 << 0xC1 << null << QString();
    QTest::newRow("calculated remark") << u"text(20)"_s << u"ABC"_s << u"COMMENT"_s << -1 << 0xC1 << null
                                       << u"COMMENT: a calculated column"_s;
    QTest::newRow("multi-value line type") << u"long"_s << u"7"_s << u"NO_TYPE"_s << 0x12 << -1 << null
                                           << u"NO_TYPE: a directory column of type 18"_s;
}

// A directory table of Access 2007-2019 with a column of a type only ACE has: read where the program shows it,
// null where the reader cannot read it, refused where the program would show it.
void tst_readtable_formats::aceColumnTypes()
{
    QFETCH(QString, extraType);
    QFETCH(QString, extraValue);
    QFETCH(QString, column);
    QFETCH(int, type);
    QFETCH(int, extendedFlags);
    QFETCH(std::optional<QString>, read);
    QFETCH(QString, refusal);

    const QStringList names = {u"ABONENT"_s, u"PHONE"_s, u"ADDRESS"_s, u"COMMENT"_s, u"NO_TYPE"_s, u"EXTRA"_s};
    const QString noType = column == u"NO_TYPE"_s ? extraType : u"long"_s;
    const QString path = m_dir.filePath(u"types.accdb"_s);
    writeMdb(path,
        (names.join(u',') + u"\nИВАНОВ,123,УЛ. МИРА,,"_s + (column == u"NO_TYPE"_s ? extraValue : u"21"_s) + u","_s
            + extraValue + u"\n"_s)
            .toUtf8(),
        u"ABONENT:text(50),PHONE:text(20),ADDRESS:text(50),COMMENT:text(20),NO_TYPE:"_s + noType + u",EXTRA:"_s
            + extraType);
    QByteArray bytes = readFile(path);
    bytes.replace(4, 16, QByteArray("Standard ACE DB", 16));
    bytes[0x14] = 5;
    const qsizetype descriptor =
        qsizetype(findTableDefinitionPage(bytes, u"EXTRA"_s)) * kJet4PageSize + 63 + 25 * names.indexOf(column);
    if (type >= 0)
        bytes[descriptor] = char(type);
    if (extendedFlags >= 0)
        bytes[descriptor + 16] = char(extendedFlags);
    writeFile(path, bytes);

    RecordingSink sink;
    try {
        readTable(path, u"Base"_s, sink);
        QVERIFY2(refusal.isEmpty(), "read");
    } catch (const DatabaseError &error) {
        QVERIFY2(!refusal.isEmpty() && QString::fromUtf8(error.what()).contains(refusal), error.what());
        return;
    }
    QCOMPARE(sink.m_rows.size(), 1);
    const Row &row = sink.m_rows.first();
    QCOMPARE(row.mid(0, 3), (Row {u"ИВАНОВ"_s, u"123"_s, u"УЛ. МИРА"_s}));
    QCOMPARE(row.at(4), column == u"NO_TYPE"_s ? read : std::optional(u"21"_s));
    QCOMPARE(row.at(5), column == u"NO_TYPE"_s ? std::optional(extraValue) : read);
}

QTEST_GUILESS_MAIN(tst_readtable_formats)
#include "tst_readtable_formats.moc"
