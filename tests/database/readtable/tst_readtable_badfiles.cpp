#include "database/readtable/ReadTableFixtures.h"

#include "database/core/DatabaseError.h"
#include "database/readtable/TableSource.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace velkaro::database;
using namespace velkaro::database::test;
using namespace Qt::Literals::StringLiterals;

namespace {

constexpr qint64 kGoodRows = 300;

// Offset of the usage map row's entry in the row table of its page, and the row's index.
struct UsageMapRow
{
    qsizetype page;
    int row;
};

UsageMapRow usageMapRow(const QByteArray &mdb)
{
    const int definition = findTableDefinitionPage(mdb, u"ABONENT"_s);
    const quint32 pageRow = readU32(mdb, qsizetype(definition) * kJet4PageSize + 55);
    return {qsizetype(pageRow >> 8), int(pageRow & 0xFF)};
}

qsizetype rowTableEntry(qsizetype page, int row)
{
    return page * kJet4PageSize + 0x0e + 2 * row;
}

// Start of the first data page of the table, found by the page type and its owner.
qsizetype firstDataPage(const QByteArray &mdb)
{
    const int definition = findTableDefinitionPage(mdb, u"ABONENT"_s);
    for (qsizetype page = 1; page < mdb.size() / kJet4PageSize; ++page) {
        if (mdb.at(page * kJet4PageSize) == 0x01 && readU32(mdb, page * kJet4PageSize + 4) == quint32(definition))
            return page;
    }
    return -1;
}

} // namespace

class tst_readtable_badfiles : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void badFile_data();
    void badFile();

private:
    QString variant(const QString &name, const std::function<void(QByteArray &)> &patch);

    QTemporaryDir m_dir;
    QString m_good;
};

void tst_readtable_badfiles::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_good = writeDirectory(m_dir.filePath(u"good.mdb"_s), kGoodRows, 3);
}

QString tst_readtable_badfiles::variant(const QString &name, const std::function<void(QByteArray &)> &patch)
{
    QByteArray bytes = readFile(m_good);
    patch(bytes);
    const QString path = m_dir.filePath(name);
    writeFile(path, bytes);
    return path;
}

void tst_readtable_badfiles::badFile_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("table");

    const QString base = u"Base"_s;
    QTest::newRow("missing") << m_dir.filePath(u"none.mdb"_s) << base;
    QTest::newRow("folder") << m_dir.path() << base;
    const QString fifo = m_dir.filePath(u"fifo.mdb"_s);
    QVERIFY(QFile::exists(fifo) || mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0);
    QTest::newRow("fifo") << fifo << base;
    QTest::newRow("/dev/null") << u"/dev/null"_s << base;
    QTest::newRow("/dev/zero") << u"/dev/zero"_s << base;
    QTest::newRow("empty") << variant(u"empty.mdb"_s, [](QByteArray &b) { b.clear(); }) << base;
    QTest::newRow("all zero") << variant(u"zero.mdb"_s, [](QByteArray &b) { b.fill('\0'); }) << base;
    QTest::newRow("random bytes") << variant(u"random.mdb"_s, [](QByteArray &b) {
        QRandomGenerator random(11);
        for (char &c : b)
            c = char(random.bounded(256));
    }) << base;
    QTest::newRow("text file") << variant(u"text.mdb"_s, [](QByteArray &b) {
        b = QByteArray("ABONENT,PHONE\n").repeated(4096);
    }) << base;
    QTest::newRow("truncated at a page boundary")
        << variant(u"short-page.mdb"_s, [](QByteArray &b) { b.chop(kJet4PageSize); }) << base;
    QTest::newRow("truncated mid-page") << variant(u"short-mid.mdb"_s, [](QByteArray &b) { b.chop(1000); }) << base;
    QTest::newRow("no such table") << m_good << u"Other"_s;
    QTest::newRow("ACCDB 2007 version") << variant(u"v2.mdb"_s, [](QByteArray &b) { b[0x14] = 2; }) << base;
    QTest::newRow("ACCDB 2010 version") << variant(u"v3.mdb"_s, [](QByteArray &b) { b[0x14] = 3; }) << base;
    // mdbtools dereferences the empty map copy and crashes.
    QTest::newRow("usage map of size 0") << variant(u"map-empty.mdb"_s, [](QByteArray &b) {
        const UsageMapRow map = usageMapRow(b);
        QVERIFY(map.row > 0);
        writeU16(b, rowTableEntry(map.page, map.row), readU16(b, rowTableEntry(map.page, map.row - 1)) & 0x1FFF);
    }) << base;
    QTest::newRow("usage map row on a page past the end") << variant(u"map-past.mdb"_s, [](QByteArray &b) {
        const int definition = findTableDefinitionPage(b, u"ABONENT"_s);
        writeU32(b, qsizetype(definition) * kJet4PageSize + 55, 0x00FFFF00u);
    }) << base;
    // mdbtools reads no page at all and reports an empty table, saying so only on stderr.
    QTest::newRow("usage map pointing past the end") << variant(u"pages-past.mdb"_s, [](QByteArray &b) {
        const UsageMapRow map = usageMapRow(b);
        const qsizetype rowStart = map.page * kJet4PageSize + (readU16(b, rowTableEntry(map.page, map.row)) & 0x1FFF);
        QCOMPARE(int(b.at(rowStart)), 0);
        writeU32(b, rowStart + 1, 0x00FFFF00u);
    }) << base;
    QTest::newRow("table counts a row more") << variant(u"count.mdb"_s, [](QByteArray &b) {
        const qsizetype at = qsizetype(findTableDefinitionPage(b, u"ABONENT"_s)) * kJet4PageSize + 16;
        writeU32(b, at, readU32(b, at) + 1);
    }) << base;
    // mdbtools skips a row it cannot locate without a word.
    QTest::newRow("row slot past the page")
        << variant(u"slot.mdb"_s, [](QByteArray &b) { writeU16(b, rowTableEntry(firstDataPage(b), 0), 0x1FFF); })
        << base;
}

void tst_readtable_badfiles::badFile()
{
    QFETCH(QString, path);
    QFETCH(QString, table);

    CountingSink sink;
    QVERIFY_THROWS_EXCEPTION(DatabaseError, readTable(path, table, sink, impatientReader()));
    QCOMPARE(readerChildren(), 0);

    CountingSink good;
    readTable(m_good, u"Base"_s, good, impatientReader());
    QCOMPARE(good.m_rows, kGoodRows);
}

QTEST_GUILESS_MAIN(tst_readtable_badfiles)
#include "tst_readtable_badfiles.moc"
