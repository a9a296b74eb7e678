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

constexpr quint64 kFileBytes = 3 * 4096;

QByteArray u16(quint16 value)
{
    QByteArray bytes(2, '\0');
    protocol::putU16(bytes.data(), value);
    return bytes;
}

QByteArray u32(quint32 value)
{
    QByteArray bytes(4, '\0');
    protocol::putU32(bytes.data(), value);
    return bytes;
}

QByteArray record(char tag, const QByteArray &payload)
{
    return tag + u32(quint32(payload.size())) + payload;
}

QByteArray preamble()
{
    return QByteArray("VKRD") + u32(protocol::kVersion);
}

// A table record of one text column.
QByteArray table(quint32 pages, quint32 rows, const QByteArray &name = "A")
{
    return record('T', u32(pages) + u32(rows) + u16(1) + char(protocol::kTextKind) + u16(quint16(name.size())) + name);
}

QByteArray rows(quint32 count, const QByteArray &fields)
{
    return record('R', u32(count) + fields);
}

QByteArray field(const QByteArray &text)
{
    return u32(quint32(text.size())) + text;
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

    const QByteArray good = preamble() + table(3, 2) + rows(2, field("x") + u32(protocol::kNullField));
    QTest::newRow("well formed") << good + record('E', u32(2)) << QByteArray();
    QTest::newRow("more pages than the file") << preamble() + table(7, 0) << QByteArray("more pages announced");
    QTest::newRow("more rows than the pages hold")
        << preamble() + table(3, 3 * 255 + 1) << QByteArray("more rows announced");
    QTest::newRow("a table record of a megabyte") << preamble() + 'T' + u32(1 << 20) << QByteArray("record too large");
    QTest::newRow("a column name of 257 bytes")
        << preamble() + table(3, 0, QByteArray(257, 'a')) << QByteArray("bad column");
    QTest::newRow("a rows record beyond what the file can give")
        << preamble() + table(3, 2) + 'R' + u32(protocol::kMaxRecordSize + 2 * quint32(kFileBytes) + 1)
        << QByteArray("record too large");
    QTest::newRow("a field beyond its record")
        << preamble() + table(3, 2) + rows(1, u32(1000) + "x") << QByteArray("short field");
    QTest::newRow("more rows than announced")
        << preamble() + table(3, 1) + rows(2, field("x") + field("y")) << QByteArray("more rows than announced");
    QTest::newRow("an end that miscounts") << good + record('E', u32(3)) << QByteArray("end record");
    QTest::newRow("bytes after the end") << good + record('E', u32(2)) + "x" << QByteArray("after the end");
    QTest::newRow("the reader's error, its text cut")
        << preamble() + record('X', char(protocol::ReaderError::RowUnreadable) + QByteArray(60000, 'd'))
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
