#include "Jet4FileBytes.h"
#include "LibMdbTable.h"
#include "MdbReaderScript.h"
#include "MkBase.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace velkaro::mkbase;

Q_DECLARE_METATYPE(velkaro::mkbase::AccessFileKind)
Q_DECLARE_METATYPE(velkaro::mkbase::MovedRowDamage)

namespace {

constexpr qint64 kRows = 120;
constexpr quint64 kSeed = 19;
constexpr quint32 kUserTablePage = 16;

// The generated rows a file keeps after the deletions, each as text: libmdb's (the empty text reads as NULL) and
// mdb-reader's compact JSON.
struct ExpectedRows
{
    QStringList libMdb;
    QStringList mdbReader;
};

ExpectedRows expectedRows(const QList<int> &deleted)
{
    ExpectedRows expected;
    DirectoryGenerator generator(kSeed);
    DirectoryEntry entry;
    for (int row = 0; row < kRows; ++row) {
        generator.next(&entry);
        if (deleted.contains(row))
            continue;
        const QStringList texts = {QString::fromStdU16String(entry.abonent), QString::fromStdU16String(entry.phone),
            QString::fromStdU16String(entry.address),
            entry.comment ? QString::fromStdU16String(*entry.comment) : u"NULL"_s};
        const QString lineType = entry.lineType ? QString::number(*entry.lineType) : u"NULL"_s;
        expected.libMdb.append(texts.join(u'|') + u'|' + lineType);
        QJsonArray json;
        for (const QString &text : texts)
            json.append(text == u"NULL"_s ? QJsonValue() : QJsonValue(text));
        json.append(entry.lineType ? QJsonValue(*entry.lineType) : QJsonValue());
        expected.mdbReader.append(QString::fromUtf8(QJsonDocument(json).toJson(QJsonDocument::Compact)));
    }
    expected.libMdb.sort();
    expected.mdbReader.sort();
    return expected;
}

QStringList libMdbRows(const LibMdbTable &table)
{
    QStringList rows;
    for (const LibMdbRow &row : table.rows) {
        QStringList values;
        for (const std::optional<QString> &value : row)
            values.append(value.value_or(u"NULL"_s));
        rows.append(values.join(u'|'));
    }
    rows.sort();
    return rows;
}

// mdb-reader decodes every Jet 3 text as Windows-1252; its bytes, decoded in the file's text code page, are the text.
QJsonValue asStored(const QJsonValue &value, AccessFormat format, quint16 textCodePage)
{
    if (format != AccessFormat::Jet3 || !value.isString())
        return value;
    const QByteArray bytes = QStringEncoder("windows-1252").encode(value.toString());
    return QString(QStringDecoder(u"windows-%1"_s.arg(textCodePage).toLatin1().constData()).decode(bytes));
}

QStringList mdbReaderRows(const QJsonObject &table, const AccessFileKind &kind)
{
    QStringList rows;
    for (const QJsonValue &row : table.value(u"rows"_s).toArray()) {
        QJsonArray stored;
        for (const QJsonValue &value : row.toArray())
            stored.append(asStored(value, kind.format, kind.jet3.textCodePage));
        rows.append(QString::fromUtf8(QJsonDocument(stored).toJson(QJsonDocument::Compact)));
    }
    rows.sort();
    return rows;
}

// Jet 3 files hold the generated Cyrillic texts in code page 1251, as a Russian Access 97 wrote them.
AccessFileKind kind(AccessFormat format, RowEdits edits = {})
{
    AccessFileKind result;
    result.format = format;
    result.jet3 = {1251, 1049, 1251};
    result.edits = std::move(edits);
    return result;
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

// The kinds of file Access leaves, made from our writer's files, read back by mdbtools and mdb-reader. Both scan a
// table's pages in order, skip home slots flagged 0x4000 and read moved data where it lies.
class tst_mkbase_kinds : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void readersReadTheLiveRows_data();
    void readersReadTheLiveRows();
    void passwordReadsBack_data();
    void passwordReadsBack();
    void encryptedAceKeepsReadersOut();
    void damagedPointerLeadsWhereItSays_data();
    void damagedPointerLeadsWhereItSays();

private:
    QTemporaryDir m_dir;
    QByteArray m_csv;
};

void tst_mkbase_kinds::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_csv = generatedDirectoryCsv(kRows, kSeed);
}

void tst_mkbase_kinds::readersReadTheLiveRows_data()
{
    QTest::addColumn<AccessFileKind>("kind");
    const RowEdits edits {{0, 5, 37, 38, 119}, {1, 60, 118}};
    QList<int> everyRow;
    for (int row = 0; row < kRows; ++row)
        everyRow.append(row);
    QTest::newRow("jet4 untouched") << kind(AccessFormat::Jet4);
    QTest::newRow("jet4 moved and deleted") << kind(AccessFormat::Jet4, edits);
    QTest::newRow("jet4 every row moved, several new pages") << kind(AccessFormat::Jet4, {everyRow, {}});
    QTest::newRow("jet4 every row deleted") << kind(AccessFormat::Jet4, {{}, everyRow});
    for (const AccessFormat format :
        {AccessFormat::Ace12, AccessFormat::Ace14, AccessFormat::Ace15, AccessFormat::Ace16, AccessFormat::Ace17})
        QTest::newRow(qPrintable(formatName(format) + u" moved and deleted"_s)) << kind(format, edits);
    QTest::newRow("jet3 untouched") << kind(AccessFormat::Jet3);
    QTest::newRow("jet3 moved and deleted") << kind(AccessFormat::Jet3, edits);
    QTest::newRow("jet3 every row moved, several new pages") << kind(AccessFormat::Jet3, {everyRow, {}});
    for (const AccessFormat format : {AccessFormat::Jet4, AccessFormat::Jet3}) {
        AccessFileKind encoded = kind(format, edits);
        encoded.pageKey = 0x1D2C3B4A;
        QTest::newRow(qPrintable(formatName(format) + u" pages encoded"_s)) << encoded;
    }
}

void tst_mkbase_kinds::readersReadTheLiveRows()
{
    QFETCH(AccessFileKind, kind);
    const QString path = m_dir.filePath(QString::fromLatin1(QTest::currentDataTag()) + u".mdb"_s);
    QString error;
    QVERIFY2(writeAccessFile(m_csv, path, kind, &error), qPrintable(error));
    const ExpectedRows expected = expectedRows(kind.edits.deleted);

    const QByteArray bytes = readFile(path);
    const bool jet = kind.format == AccessFormat::Jet4 || kind.format == AccessFormat::Jet3;
    QCOMPARE(bytes.mid(4, 15), jet ? "Standard Jet DB" : "Standard ACE DB");
    QCOMPARE(quint8(bytes.at(0x14)), formatVersionByte(kind.format));

    LibMdbTable table;
    QVERIFY2(readWithLibMdb(path, u"Base"_s, &table, &error), qPrintable(error));
    QCOMPARE(table.definitionRowCount, expected.libMdb.size());
    QCOMPARE(libMdbRows(table), expected.libMdb);

    QJsonObject read;
    QVERIFY2(readWithMdbReader(path, u"Base"_s, &read, &error), qPrintable(error));
    QCOMPARE(read.value(u"rowCount"_s).toInt(), expected.mdbReader.size());
    QCOMPARE(mdbReaderRows(read, kind), expected.mdbReader);
}

void tst_mkbase_kinds::passwordReadsBack_data()
{
    QTest::addColumn<AccessFormat>("format");
    QTest::addColumn<QString>("password");
    QTest::newRow("jet4, one letter") << AccessFormat::Jet4 << u"x"_s;
    QTest::newRow("jet4, twenty characters") << AccessFormat::Jet4 << u"Pässwort 1234567890!"_s;
    QTest::newRow("ace14") << AccessFormat::Ace14 << u"secret"_s;
    QTest::newRow("jet3, twenty characters") << AccessFormat::Jet3 << u"abcdefghijklmnopqrst"_s;
}

void tst_mkbase_kinds::passwordReadsBack()
{
    QFETCH(AccessFormat, format);
    QFETCH(QString, password);
    AccessFileKind locked = kind(format);
    locked.password = password;
    const QString path = m_dir.filePath(u"password.mdb"_s);
    QString error;
    QVERIFY2(writeAccessFile(m_csv, path, locked, &error), qPrintable(error));
    QJsonObject read;
    QVERIFY2(readWithMdbReader(path, u"Base"_s, &read, &error), qPrintable(error));
    QCOMPARE(read.value(u"password"_s).toString(), password);
    QCOMPARE(read.value(u"rows"_s).toArray().size(), kRows); // mdb-reader reads on: the password is Access's lock

    locked.password = QString(21, u'x');
    QVERIFY(!writeAccessFile(m_csv, path, locked, &error));
}

void tst_mkbase_kinds::encryptedAceKeepsReadersOut()
{
    AccessFileKind encrypted = kind(AccessFormat::Ace14);
    encrypted.encrypted = true;
    const QString path = m_dir.filePath(u"encrypted.accdb"_s);
    QString error;
    QVERIFY2(writeAccessFile(m_csv, path, encrypted, &error), qPrintable(error));
    LibMdbTable table;
    QVERIFY(!readWithLibMdb(path, u"Base"_s, &table, &error));
    QJsonObject read;
    QVERIFY(!readWithMdbReader(path, u"Base"_s, &read, &error));
    QVERIFY2(error.contains(u"password"_s, Qt::CaseInsensitive) || error.contains(u"decrypt"_s), qPrintable(error));

    encrypted.format = AccessFormat::Jet4;
    QVERIFY(!writeAccessFile(m_csv, path, encrypted, &error));
}

void tst_mkbase_kinds::damagedPointerLeadsWhereItSays_data()
{
    QTest::addColumn<MovedRowDamage>("damage");
    QTest::newRow("page not owned") << MovedRowDamage::PageNotOwned;
    QTest::newRow("past end of file") << MovedRowDamage::PastEndOfFile;
    QTest::newRow("slot without moved row") << MovedRowDamage::SlotWithoutMovedRow;
    QTest::newRow("slot past row count") << MovedRowDamage::SlotPastRowCount;
    QTest::newRow("loop") << MovedRowDamage::Loop;
}

void tst_mkbase_kinds::damagedPointerLeadsWhereItSays()
{
    QFETCH(MovedRowDamage, damage);
    AccessFileKind damaged = kind(AccessFormat::Jet4, {{3, 40}, {}});
    damaged.damages = {{40, damage}};
    const QString path = m_dir.filePath(u"damaged.mdb"_s);
    QString error;
    QVERIFY2(writeAccessFile(m_csv, path, damaged, &error), qPrintable(error));
    const Jet4FileBytes file(readFile(path));
    auto homeOf = [&file](int row, quint32 *page, quint32 *slot) {
        for (*page = kUserTablePage + 1; file.pageType(*page) == 0x01; ++*page) {
            for (*slot = 0; *slot < file.u16(*page, 12); ++*slot) {
                if ((file.u16(*page, int(14 + 2 * *slot)) & 0xC000) != 0x8000 && row-- == 0)
                    return;
            }
        }
    };
    quint32 homePage = 0;
    quint32 homeSlot = 0;
    homeOf(40, &homePage, &homeSlot);
    QCOMPARE(file.u16(homePage, int(14 + 2 * homeSlot)) & 0xC000, 0x4000u);
    const quint32 pointer = file.u32(homePage, int(file.u16(homePage, int(14 + 2 * homeSlot)) & 0x1FFF));
    const quint32 page = pointer >> 8;
    const quint32 slot = pointer & 0xFF;
    switch (damage) {
    case MovedRowDamage::PageNotOwned:
        QCOMPARE(file.pageType(page), quint8(0x01));
        QVERIFY(file.u32(page, 4) != kUserTablePage);
        break;
    case MovedRowDamage::PastEndOfFile:
        QVERIFY(page >= file.pageCount());
        break;
    case MovedRowDamage::SlotWithoutMovedRow:
        QCOMPARE(file.u32(page, 4), kUserTablePage);
        QCOMPARE(file.u16(page, int(14 + 2 * slot)) & 0xC000, 0u);
        break;
    case MovedRowDamage::SlotPastRowCount:
        QCOMPARE(file.u32(page, 4), kUserTablePage);
        QCOMPARE(slot, file.u16(page, 12));
        break;
    case MovedRowDamage::Loop:
        QCOMPARE(pointer, homePage << 8 | homeSlot);
        break;
    }
    // The other moved row still leads to its data.
    homeOf(3, &homePage, &homeSlot);
    const quint32 intact = file.u32(homePage, int(file.u16(homePage, int(14 + 2 * homeSlot)) & 0x1FFF));
    QCOMPARE(file.u16(intact >> 8, int(14 + 2 * (intact & 0xFF))) & 0xC000, 0x8000u);

    damaged.damages = {{4, damage}};
    QVERIFY(!writeAccessFile(m_csv, path, damaged, &error)); // row 4 did not move
}

QTEST_GUILESS_MAIN(tst_mkbase_kinds)
#include "tst_mkbase_kinds.moc"
