#include "database/readtable/ReadTableFixtures.h"

#include "database/core/DatabaseError.h"
#include "database/readtable/ReadTableDecoder.h"
#include "database/readtable/ReaderProtocol.h"

#include <QTest>

#include <cstring>

using namespace velkaro::database;
using namespace velkaro::database::test;
namespace protocol = velkaro::database::reader_protocol;

namespace {

// The file the streams come from: three pages.
constexpr quint64 kFileBytes = 3 * 4096;

QByteArray le(quint32 value, int size = 4)
{
    QByteArray bytes(4, '\0');
    protocol::putU32(bytes.data(), value);
    return bytes.left(size);
}

QByteArray record(char tag, const QByteArray &payload)
{
    return tag + le(quint32(payload.size())) + payload;
}

// The preamble and a table record of one text column.
QByteArray table(quint32 pages, quint32 rows, const QByteArray &name = "A")
{
    const QByteArray column = char(protocol::kTextKind) + le(quint32(name.size()), 2) + name;
    return "VKRD" + le(protocol::kVersion) + record('T', le(pages) + le(rows) + le(1, 2) + column);
}

} // namespace

// The program trusts the reader's stream no more than the file: whatever sizes and counts a stream claims, a
// stream that breaks the protocol ends in a database error, without the memory or the text it claims.
class tst_readtable_stream : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void stream_data();
    void stream();
};

void tst_readtable_stream::stream_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QByteArray>("failure"); // empty: read whole

    const QByteArray preamble = table(3, 0).left(8);
    const QByteArray rows = record('R', le(2) + le(1) + "x" + le(protocol::kNullField));
    QTest::newRow("well formed") << table(3, 2) + rows + record('E', le(2)) << QByteArray();
    QTest::newRow("more pages than the file") << table(7, 0) << QByteArray("more pages announced");
    QTest::newRow("a column name of 257 bytes") << table(3, 0, QByteArray(257, 'a')) << QByteArray("bad column");
    QTest::newRow("a table record of a megabyte") << preamble + 'T' + le(1 << 20) << QByteArray("record too large");
    QTest::newRow("the reader's error, its text cut")
        << preamble + record('X', char(protocol::ReaderError::RowUnreadable) + QByteArray(60000, 'd'))
        << QByteArray("reader: error 10: ddd");
}

void tst_readtable_stream::stream()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QByteArray, failure);

    CountingSink sink;
    ReadTableDecoder decoder(sink, kFileBytes);
    try {
        // In two pieces, as a pipe may deliver it.
        for (const QByteArray &piece : {bytes.left(bytes.size() / 2), bytes.mid(bytes.size() / 2)}) {
            std::memcpy(decoder.receiveBuffer(std::size_t(piece.size())), piece.constData(), std::size_t(piece.size()));
            decoder.received(std::size_t(piece.size()));
        }
        QVERIFY2(failure.isEmpty(), "decoded without a failure");
        QVERIFY(decoder.finished());
        QCOMPARE(sink.m_rows, qint64(2));
    } catch (const DatabaseError &error) {
        QVERIFY2(!failure.isEmpty() && QByteArray(error.what()).contains(failure), error.what());
        QVERIFY(qstrlen(error.what()) <= protocol::kMaxErrorDetail + 100);
    }
}

QTEST_GUILESS_MAIN(tst_readtable_stream)
#include "tst_readtable_stream.moc"
