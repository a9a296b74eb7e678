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

AccessFileKind jet3(quint16 codePage, quint16 sortOrder, quint16 textCodePage, RowEdits edits = {})
{
    AccessFileKind result = kind(AccessFormat::Jet3, std::move(edits));
    result.jet3 = {codePage, sortOrder, textCodePage};
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
    void jet3CodePages_data();
    void jet3CodePages();
    void movedRowsWithDates();

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
    QTest::newRow("jet3 cyrillic sort order") << jet3(1251, 1049, 1251);
    QTest::newRow("jet3 general sort order on a russian system") << jet3(1252, 1033, 1251);
    QTest::newRow("jet3 moved and deleted") << jet3(1252, 1033, 1251, edits);
    QTest::newRow("jet3 every row moved") << jet3(1251, 1049, 1251, {everyRow, {}});
}

void tst_readtable_formats::rowsInAccessOrder()
{
    QFETCH(AccessFileKind, kind);
    const QString path = write(kind);
    const QList<Row> expected = expectedRows(kind.edits.deleted);
    // mdbtools reads the same rows, moved ones where they landed; Access 97 texts only in the code page the header
    // names.
    LibMdbTable theirs;
    QString error;
    QVERIFY2(readWithLibMdb(path, u"Base"_s, &theirs, &error), qPrintable(error));
    QCOMPARE(theirs.rows.size(), expected.size());
    if (kind.format != AccessFormat::Jet3 || kind.jet3.codePage == kind.jet3.textCodePage)
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
    AccessFileKind jet3Password = jet3(1251, 1049, 1251);
    jet3Password.password = u"abc"_s;
    QTest::newRow("jet3 with a database password") << jet3Password << u"locked: database password"_s;
    AccessFileKind jet3Encoded = jet3(1251, 1049, 1251);
    jet3Encoded.pageKey = 0x01020304;
    QTest::newRow("jet3 with encoded pages") << jet3Encoded << u"locked: encoded or encrypted pages"_s;
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
    QTest::newRow("Large Number line type")
        << u"double"_s << u"5e-324"_s << u"NO_TYPE"_s << 0x13 << -1 << std::optional(u"1"_s) << QString();
    QTest::newRow("attachments") << u"long"_s << u"7"_s << u"EXTRA"_s << 0x12 << -1 << null << QString();
    QTest::newRow("calculated") << u"text(20)"_s << u"ABC"_s << u"EXTRA"_s << -1 << 0xC1 << null << QString();
    QTest::newRow("calculated remark") << u"text(20)"_s << u"ABC"_s << u"COMMENT"_s << -1 << 0xC1 << null
                                       << u"COMMENT: a calculated column"_s;
    QTest::newRow("multi-value line type")
        << u"long"_s << u"7"_s << u"NO_TYPE"_s << 0x12 << -1 << null << u"NO_TYPE: a directory column of type 18"_s;
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

void tst_readtable_formats::jet3CodePages_data()
{
    QTest::addColumn<QString>("csv");
    QTest::addColumn<AccessFileKind>("kind");
    // The code page COMMENT's descriptor is made to name; 0: as written; -1: the header and every descriptor name
    // none (from 1252).
    QTest::addColumn<int>("commentCodePage");
    QTest::addColumn<QString>("comment"); // what COMMENT of the first row reads

    const QString header = u"ABONENT,PHONE,ADDRESS,COMMENT,NO_TYPE\n"_s;
    const QString western = header
        + u"Müller Jürgen,0711 123,Königstraße 5,Café,1\nÉlodie Lefèvre,01 42,Allée des Chênes 3,,2\n"
          u"Núñez José,91 5,Calle Mayor 7,Señor,3\n"_s;
    QTest::newRow("western, general sort order") << western << jet3(1252, 1033, 1252) << 0 << u"Café"_s;
    const QString greek = header + u"Παπαδόπουλος Γ.,210 1,Οδός Αθηνάς 5,σημείωση,1\n"_s;
    QTest::newRow("greek header") << greek << jet3(1253, 1033, 1253) << 0 << u"σημείωση"_s;
    const QString russian =
        header + u"ООО РОМАШКА,1234567,УЛ. МИРА Д. 1,Ж,1\nROMASHKA LTD,7654321,УЛ. МИРА Д. 2,,2\n"_s;
    QTest::newRow("russian with a latin name") << russian << jet3(1252, 1033, 1251) << 0 << u"Ж"_s;
    // Ж is C6 in 1251, which 1250 reads as Ć.
    QTest::newRow("column naming another code page") << russian << jet3(1251, 1049, 1251) << 1250 << u"Ć"_s;
    QTest::newRow("no code page named") << russian << jet3(1252, 1033, 1251) << -1 << u"Ж"_s;
    QTest::newRow("column naming a code page the reader lacks")
        << russian << jet3(1251, 1049, 1251) << 932 << QString();
}

// Access 97 texts in the code page Access used: each file reads as the Jet 4 file with the same rows.
void tst_readtable_formats::jet3CodePages()
{
    QFETCH(QString, csv);
    QFETCH(AccessFileKind, kind);
    QFETCH(int, commentCodePage);
    QFETCH(QString, comment);

    const QString path = m_dir.filePath(u"codepage.mdb"_s);
    QString error;
    QVERIFY2(writeAccessFile(csv.toUtf8(), path, kind, &error), qPrintable(error));
    if (commentCodePage != 0) {
        // The descriptor of column 3 (COMMENT) on the 2 KB definition page: 18 bytes each from 43 on.
        QByteArray bytes = readFile(path);
        qsizetype definition = 0;
        while (definition < bytes.size()
            && !(bytes.at(definition) == 0x02 && bytes.mid(definition, 2048).contains("COMMENT")))
            definition += 2048;
        QVERIFY(definition < bytes.size());
        const qsizetype descriptors = definition + 43 + 8 * qsizetype(readU32(bytes, definition + 31));
        for (qsizetype descriptor = descriptors; descriptor < descriptors + 5 * 18; descriptor += 18) {
            if (commentCodePage < 0 || bytes.at(descriptor + 1) == 3)
                writeU16(bytes, descriptor + 11, quint16(qMax(commentCodePage, 0)));
        }
        // The header's code page, 1252 under its mask, made 0.
        if (commentCodePage < 0) {
            bytes[0x3C] = char(bytes.at(0x3C) ^ 0xE4);
            bytes[0x3D] = char(bytes.at(0x3D) ^ 0x04);
        }
        writeFile(path, bytes);
    }
    RecordingSink sink;
    try {
        readTable(path, u"Base"_s, sink);
    } catch (const DatabaseError &error) {
        QVERIFY2(comment.isEmpty() && QString::fromUtf8(error.what()).contains(u"COMMENT: code page"_s), error.what());
        return;
    }
    QVERIFY(!comment.isEmpty());
    RecordingSink jet4;
    readTable(writeMdb(m_dir.filePath(u"codepage-jet4.mdb"_s), csv.toUtf8()), u"Base"_s, jet4);
    QCOMPARE(sink.m_rows.first().at(3), std::optional(comment));
    QCOMPARE(sink.m_rows.size(), jet4.m_rows.size());
    for (qsizetype i = 0; i < sink.m_rows.size(); ++i) {
        Row ours = sink.m_rows.at(i);
        Row theirs = jet4.m_rows.at(i);
        // A column read in another code page than its texts were written in differs from the Jet 4 file.
        if (commentCodePage > 0) {
            ours.removeAt(3);
            theirs.removeAt(3);
        }
        QCOMPARE(ours, theirs);
    }
}

// Dates are rendered by mdbtools from the page its buffer holds: a moved row's, not its home page.
void tst_readtable_formats::movedRowsWithDates()
{
    QByteArray csv = "ABONENT,D\n";
    for (int i = 0; i < 300; ++i)
        csv += "NAME" + QByteArray::number(i) + "," + QByteArray::number(45000 + i) + ".5\n";
    AccessFileKind edited = kind(AccessFormat::Jet4, {{0, 7, 150}, {3}});
    const QString path = m_dir.filePath(u"dates.mdb"_s);
    QString error;
    QVERIFY2(writeAccessFile(csv, path, edited, &error, u"Base"_s, u"ABONENT:text(50),D:double"_s), qPrintable(error));
    QByteArray bytes = readFile(path);
    bytes[qsizetype(findTableDefinitionPage(bytes, u"ABONENT"_s)) * kJet4PageSize + 63 + 25] = 0x08; // Date/Time
    writeFile(path, bytes);

    RecordingSink sink;
    readTable(path, u"Base"_s, sink);
    QCOMPARE(sink.m_rows.size(), 299);
    QCOMPARE(sink.m_rows.at(0), (Row {u"NAME0"_s, u"2023-03-15 12:00:00"_s}));
    QCOMPARE(sink.m_rows.at(6), (Row {u"NAME7"_s, u"2023-03-22 12:00:00"_s}));
    QCOMPARE(sink.m_rows.at(149), (Row {u"NAME150"_s, u"2023-08-12 12:00:00"_s}));
}

QTEST_GUILESS_MAIN(tst_readtable_formats)
#include "tst_readtable_formats.moc"
