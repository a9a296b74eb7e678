#include "ReadTableFixtures.h"

#include "database/DatabaseError.h"
#include "database/TableSource.h"

#include <QTemporaryDir>
#include <QTest>

using namespace velkaro::database;
using namespace velkaro::database::test;
using namespace Qt::Literals::StringLiterals;
using Row = QList<std::optional<QString>>;

namespace {

// How the crafted memo is stored, and what is wrong with it.
enum class Memo { Chain, OnePage, ChainPastTheFile, ChainLooping, ChainShort };

constexpr quint32 kOnePageFlag = 0x40000000;
// A long-value page: type, free space, "LVAL", one row from byte 16 to the end of the page.
constexpr int kRowStart = 16;

QByteArray longValuePage(const QByteArray &row)
{
    QByteArray page(kJet4PageSize, '\0');
    page[0] = 0x01;
    page[1] = 0x01;
    page.replace(4, 4, "LVAL");
    writeU16(page, 12, 1);
    page.replace(kJet4PageSize - row.size(), row.size(), row);
    writeU16(page, 14, quint16(kJet4PageSize - row.size()));
    return page;
}

// The file with the first entry's COMMENT turned into a memo holding `text`, on pages appended to the file.
QByteArray withMemo(QByteArray mdb, const QString &text, Memo memo)
{
    const qsizetype descriptor = qsizetype(findTableDefinitionPage(mdb, u"ABONENT"_s)) * kJet4PageSize + 63 + 3 * 25;
    mdb[descriptor] = 0x0C;
    writeU16(mdb, descriptor + 23, 0);
    const qsizetype field = mdb.indexOf(QByteArray::fromHex("160416041604160416041604"));
    Q_ASSERT(field > 0);

    const QByteArray stored(reinterpret_cast<const char *>(text.utf16()), text.size() * 2);
    const quint32 firstPage = quint32(mdb.size() / kJet4PageSize);
    quint32 header = quint32(stored.size());
    if (memo == Memo::OnePage) {
        header |= kOnePageFlag;
        mdb += longValuePage(stored);
    } else {
        constexpr int kChunk = kJet4PageSize - kRowStart - 4;
        const int pages = int((stored.size() + kChunk - 1) / kChunk);
        for (int page = 0; page < pages; ++page) {
            quint32 next = page + 1 < pages ? (firstPage + quint32(page) + 1) << 8 : 0;
            if (memo == Memo::ChainPastTheFile && page + 1 == pages)
                next = (firstPage + quint32(pages) + 10) << 8;
            if (memo == Memo::ChainLooping && page + 1 == pages)
                next = firstPage << 8;
            QByteArray row(4, '\0');
            writeU32(row, 0, next);
            mdb += longValuePage(row + stored.mid(qsizetype(page) * kChunk, kChunk));
        }
        if (memo == Memo::ChainShort)
            header += 2;
    }
    writeU32(mdb, field, header);
    writeU32(mdb, field + 4, firstPage << 8);
    writeU32(mdb, field + 8, 0);
    return mdb;
}

} // namespace

// Memo values of any length the format stores, and the reader's reason when one is damaged.
class TestReadTableMemo : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void memo_data();
    void memo();

private:
    QTemporaryDir m_dir;
};

void TestReadTableMemo::memo_data()
{
    QTest::addColumn<Memo>("memo");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("failure"); // empty: the table is read whole

    QString longText;
    for (int i = 0; i < 40000; ++i)
        longText += QString::fromUtf8("ЯБЛОК");
    QTest::newRow("400 KB on a chain of pages") << Memo::Chain << longText << QString();
    QTest::newRow("on one page") << Memo::OnePage << QString::fromUtf8("ПРИМЕЧАНИЕ К ЗАПИСИ") << QString();
    QTest::newRow("chain past the file") << Memo::ChainPastTheFile << longText
                                         << u"memo of COMMENT: a page or row that is not there"_s;
    QTest::newRow("chain looping") << Memo::ChainLooping << longText
                                   << u"memo of COMMENT: pages that hold more than its length"_s;
    QTest::newRow("chain shorter than its length")
        << Memo::ChainShort << longText << u"memo of COMMENT: pages that hold less than its length"_s;
}

void TestReadTableMemo::memo()
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

QTEST_GUILESS_MAIN(TestReadTableMemo)
#include "tst_readtable_memo.moc"
