#include "database/readtable/ReadTableFixtures.h"

#include "AccessFileKind.h"
#include "database/core/DatabaseError.h"
#include "database/readtable/ReaderRun.h"
#include "database/readtable/TableSource.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace velkaro::database;
using namespace velkaro::database::test;
using namespace Qt::Literals::StringLiterals;
using Row = QList<std::optional<QString>>;

namespace {

constexpr qint64 kGoodRows = 300;
const int kStallMs = int(impatientReader().stallTimeout.count());

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

// Start of the table definition of the good file, and of the descriptor of its column `index`
// (ABONENT, PHONE, ADDRESS, COMMENT, NO_TYPE).
qsizetype definitionAt(const QByteArray &mdb)
{
    return qsizetype(findTableDefinitionPage(mdb, u"ABONENT"_s)) * kJet4PageSize;
}

qsizetype descriptorAt(const QByteArray &mdb, int index)
{
    return definitionAt(mdb) + 63 + 25 * index;
}

// How the crafted memo is stored, and what is wrong with it.
enum class Memo { Chain, OnePage, ChainPastTheFile, ChainLooping, ChainShort };

// A long-value page ("LVAL") holding `row` at its end; a chained row leads with the page of the next.
QByteArray longValuePage(const QByteArray &row)
{
    QByteArray page = QByteArray::fromHex("01010000") + "LVAL" + QByteArray(kJet4PageSize - 8, '\0');
    writeU16(page, 12, 1);
    writeU16(page, 14, quint16(kJet4PageSize - row.size()));
    return page.replace(kJet4PageSize - row.size(), row.size(), row);
}

// The file with the first entry's COMMENT ("ЖЖЖЖЖЖ") made a memo holding `text` on pages appended to the file.
QByteArray withMemo(QByteArray mdb, const QString &text, Memo memo)
{
    mdb[descriptorAt(mdb, 3)] = 0x0C;
    writeU16(mdb, descriptorAt(mdb, 3) + 23, 0);
    const qsizetype field = mdb.indexOf(QByteArray::fromHex("160416041604160416041604"));
    const QByteArray stored(reinterpret_cast<const char *>(text.utf16()), text.size() * 2);
    const quint32 first = quint32(mdb.size() / kJet4PageSize);
    constexpr qsizetype kChunk = kJet4PageSize - 16 - 4;
    const quint32 pages = quint32((stored.size() + kChunk - 1) / kChunk);
    for (quint32 page = 0; page < pages && memo != Memo::OnePage; ++page) {
        const bool last = page + 1 == pages;
        QByteArray row(4, '\0');
        writeU32(row, 0,
            (last ? memo == Memo::ChainPastTheFile   ? first + pages + 10
                        : memo == Memo::ChainLooping ? first
                                                     : 0
                  : first + page + 1)
                << 8);
        mdb += longValuePage(row + stored.mid(page * kChunk, kChunk));
    }
    if (memo == Memo::OnePage)
        mdb += longValuePage(stored);
    writeU32(mdb, field,
        quint32(stored.size() + (memo == Memo::ChainShort ? 2 : 0)) | (memo == Memo::OnePage ? 0x40000000 : 0));
    writeU32(mdb, field + 4, first << 8);
    writeU32(mdb, field + 8, 0);
    return mdb;
}

// The Access 97 file (Cyrillic texts in 1251) with the first entry's COMMENT ("ЖЖЖЖЖЖЖЖЖЖЖЖ", twelve bytes) made a
// memo holding `stored` on one long-value page appended to the file, or split on a chain of two.
QByteArray withJet3Memo(QByteArray mdb, const QByteArray &stored, bool chain)
{
    constexpr qsizetype kPage = 2048;
    const auto longValues = [](const QList<QByteArray> &rows) {
        QByteArray page = QByteArray::fromHex("01010000") + "LVAL" + QByteArray(kPage - 8, '\0');
        writeU16(page, 8, quint16(rows.size()));
        qsizetype end = kPage;
        for (qsizetype row = 0; row < rows.size(); ++row) {
            end -= rows[row].size();
            page.replace(end, rows[row].size(), rows[row]);
            writeU16(page, 10 + 2 * row, quint16(end));
        }
        return page;
    };
    // The names follow the descriptors on the definition's page; COMMENT's is the fourth of 18 bytes.
    const qsizetype descriptor = mdb.indexOf("\x07"
                                             "ABONENT")
            / kPage * kPage
        + 43 + 18 * 3;
    mdb[descriptor] = 0x0C;
    writeU16(mdb, descriptor + 16, 0);
    const qsizetype field = mdb.indexOf(QByteArray(12, char(0xC6)));
    const quint32 page = quint32(mdb.size() / kPage);
    QByteArray next(4, '\0');
    if (chain) {
        writeU32(next, 0, page << 8 | 1);
        mdb += longValues({next + stored.left(5), QByteArray(4, '\0') + stored.mid(5)});
    } else {
        mdb += longValues({stored});
    }
    writeU32(mdb, field, quint32(stored.size()) | (chain ? 0 : 0x40000000));
    writeU32(mdb, field + 4, page << 8);
    writeU32(mdb, field + 8, 0);
    return mdb;
}

} // namespace

// Damaged files are refused, a slow reader is told from a hung one, and a reader's own reason for refusing a
// file reaches the error.
class tst_readtable_badfiles : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void badFile_data();
    void badFile();
    void memo_data();
    void memo();
    void jet3Memo_data();
    void jet3Memo();
    void slowReader_data();
    void slowReader();

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
    // Definitions the library would read every row by, wrongly.
    QTest::newRow("no variable columns counted")
        << variant(u"tdef-novar.mdb"_s, [](QByteArray &b) { writeU16(b, definitionAt(b) + 43, 0); }) << base;
    QTest::newRow("variable column index 4096")
        << variant(u"tdef-varindex.mdb"_s, [](QByteArray &b) { writeU16(b, descriptorAt(b, 0) + 7, 4096); }) << base;
    QTest::newRow("two columns at one variable index")
        << variant(u"tdef-varsame.mdb"_s, [](QByteArray &b) { writeU16(b, descriptorAt(b, 1) + 7, 0); }) << base;
    QTest::newRow("two columns of one number")
        << variant(u"tdef-colnum.mdb"_s, [](QByteArray &b) { writeU16(b, descriptorAt(b, 1) + 5, 0); }) << base;
    QTest::newRow("text column typed as a long")
        << variant(u"tdef-type.mdb"_s, [](QByteArray &b) { b[descriptorAt(b, 0)] = 0x04; }) << base;
    QTest::newRow("text column typed as binary")
        << variant(u"tdef-binary.mdb"_s, [](QByteArray &b) { b[descriptorAt(b, 0)] = 0x09; }) << base;
    QTest::newRow("long of 2 bytes") << variant(u"tdef-size.mdb"_s, [](QByteArray &b) {
        writeU16(b, descriptorAt(b, 4) + 23, 2);
    }) << base;
    QTest::newRow("text of 600 bytes") << variant(u"tdef-textsize.mdb"_s, [](QByteArray &b) {
        writeU16(b, descriptorAt(b, 3) + 23, 600);
    }) << base;
    QTest::newRow("fixed column moved into the texts")
        << variant(u"tdef-fixed.mdb"_s, [](QByteArray &b) { writeU16(b, descriptorAt(b, 4) + 21, 42); }) << base;
    // mdbtools skips a row it cannot locate without a word.
    QTest::newRow("data page listing more rows than it holds")
        << variant(u"rows.mdb"_s, [](QByteArray &b) { writeU16(b, firstDataPage(b) * kJet4PageSize + 12, 5000); })
        << base;
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

void tst_readtable_badfiles::memo_data()
{
    QTest::addColumn<Memo>("memo");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("failure"); // empty: the table is read whole

    QString longText;
    for (int i = 0; i < 40000; ++i)
        longText += QString::fromUtf8("ЯБЛОК");
    QTest::newRow("400 KB on a chain of pages") << Memo::Chain << longText << QString();
    QTest::newRow("on one page") << Memo::OnePage << QString::fromUtf8("ПРИМЕЧАНИЕ К ЗАПИСИ") << QString();
    QTest::newRow("beyond the Basic Multilingual Plane")
        << Memo::OnePage << QString::fromUtf8("ДОМ 🏠, нота 𝄞, 中文") << QString();
    QTest::newRow("chain past the file") << Memo::ChainPastTheFile << longText
                                         << u"memo of COMMENT: a page that is not there"_s;
    QTest::newRow("chain looping") << Memo::ChainLooping << longText
                                   << u"memo of COMMENT: pages that hold more than its length"_s;
    QTest::newRow("chain shorter than its length")
        << Memo::ChainShort << longText << u"memo of COMMENT: pages that hold less than its length"_s;
}

void tst_readtable_badfiles::memo()
{
    QFETCH(Memo, memo);
    QFETCH(QString, text);
    QFETCH(QString, failure);

    const QString path = m_dir.filePath(u"memo.mdb"_s);
    writeMdb(path,
        QString::fromUtf8("ABONENT,PHONE,ADDRESS,COMMENT,NO_TYPE\nПЕРВЫЙ,1,,ЖЖЖЖЖЖ,21\nВТОРОЙ,2,,,21\n").toUtf8());
    writeFile(path, withMemo(readFile(path), text, memo));

    RecordingSink sink;
    try {
        readTable(path, u"Base"_s, sink);
        QVERIFY2(failure.isEmpty(), "read whole");
    } catch (const DatabaseError &error) {
        // The reader's own reason, not the stream's.
        QVERIFY2(!failure.isEmpty() && QString::fromUtf8(error.what()).contains(failure), error.what());
        return;
    }
    QCOMPARE(sink.m_rows,
        (QList<Row> {{QString::fromUtf8("ПЕРВЫЙ"), u"1"_s, std::nullopt, text, u"21"_s},
            {QString::fromUtf8("ВТОРОЙ"), u"2"_s, std::nullopt, std::nullopt, u"21"_s}}));
}

void tst_readtable_badfiles::jet3Memo_data()
{
    QTest::addColumn<bool>("chain");
    QTest::newRow("on one page") << false;
    QTest::newRow("on a chain of pages") << true;
}

void tst_readtable_badfiles::jet3Memo()
{
    QFETCH(bool, chain);
    const QString path = m_dir.filePath(u"memo97.mdb"_s);
    velkaro::mkbase::AccessFileKind kind;
    kind.format = velkaro::mkbase::AccessFormat::Jet3;
    kind.jet3 = {1252, 1033, 1251};
    QString error;
    QVERIFY2(velkaro::mkbase::writeAccessFile(
                 u"ABONENT,PHONE,ADDRESS,COMMENT,NO_TYPE\nПЕРВЫЙ,1,,ЖЖЖЖЖЖЖЖЖЖЖЖ,21\nВТОРОЙ,2,,,21\n"_s.toUtf8(), path,
                 kind, &error),
        qPrintable(error));
    const QString text = u"ПРИМЕЧАНИЕ: звонить после 18:00"_s;
    writeFile(path, withJet3Memo(readFile(path), QStringEncoder("windows-1251").encode(text), chain));

    RecordingSink sink;
    readTable(path, u"Base"_s, sink);
    QCOMPARE(sink.m_rows,
        (QList<Row> {{u"ПЕРВЫЙ"_s, u"1"_s, std::nullopt, text, u"21"_s},
            {u"ВТОРОЙ"_s, u"2"_s, std::nullopt, std::nullopt, u"21"_s}}));
}

void tst_readtable_badfiles::slowReader_data()
{
    QTest::addColumn<QByteArray>("script"); // the reader is $READER
    QTest::addColumn<int>("waitMs");
    QTest::addColumn<bool>("whole");
    QTest::addColumn<int>("minMs"); // how long the read takes at least and at most
    QTest::addColumn<int>("maxMs");

    QTest::newRow("bytes delayed past the stall limit")
        << QByteArray("\"$READER\" \"$@\" | { sleep 3; exec cat; }") << 30000 << true << 3 * kStallMs << 30000;
    QTest::newRow("busy without output") << QByteArray("while :; do :; done") << 30000 << false << kStallMs << 25000;
    QTest::newRow("waiting without end") << QByteArray("exec sleep 600") << 3000 << false << 3000 << 25000;
}

void tst_readtable_badfiles::slowReader()
{
    QFETCH(QByteArray, script);
    QFETCH(int, waitMs);
    QFETCH(bool, whole);
    QFETCH(int, minMs);
    QFETCH(int, maxMs);

    const QString program = m_dir.filePath(u"reader.sh"_s);
    const QByteArray reader = QFile::encodeName(QCoreApplication::applicationDirPath() + u"/velkaro-reader"_s);
    writeFile(program, "#!/bin/sh\nREADER='" + reader + "'\n" + script + "\n");
    QVERIFY(QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));

    QElapsedTimer timer;
    timer.start();
    CountingSink sink;
    bool failed = false;
    try {
        const std::atomic<bool> never = false;
        ReaderOptions options = impatientReader();
        options.program = program;
        options.waitTimeout = std::chrono::milliseconds(waitMs);
        ReaderRun run(m_good, u"Base"_s, {}, options);
        run.run(sink, never);
    } catch (const DatabaseError &) {
        failed = true;
    }
    const qint64 elapsed = timer.elapsed();
    QCOMPARE(failed, !whole);
    if (whole)
        QCOMPARE(sink.m_rows, kGoodRows);
    QVERIFY2(elapsed >= minMs && elapsed <= maxMs, qPrintable(QString::number(elapsed) + u" ms"_s));
}

QTEST_GUILESS_MAIN(tst_readtable_badfiles)
#include "tst_readtable_badfiles.moc"
