#include "database/readtable/ReaderRun.h"

#include "database/core/DatabaseError.h"
#include "database/readtable/ProcessCpuTime.h"
#include "database/readtable/ReadTableDecoder.h"
#include "database/readtable/ReaderProtocol.h"
#include "places/ProgramPlaces.h"

#include <QElapsedTimer>
#include <QFileInfo>

namespace velkaro::database {

namespace {

// Library and loader messages of the reader; kept for the error text, never shown.
constexpr qint64 kStderrKept = 4096;
constexpr qint64 kReadChunk = 1024 * 1024;
// How often an idle wait looks whether another reader of the same table failed.
constexpr int kCancelCheckMs = 50;
constexpr int kKilledReaderWaitMs = 5000;
// A reader without output is busy once it used a quarter of the stall time on the CPU: one blocked in a read uses
// next to none, and a looping one gets there even on a loaded machine that gives it less than a core.
constexpr int kBusyShare = 4;

} // namespace

ReaderRun::ReaderRun(
    const QString &mdbPath, const QString &tableName, const ReaderRequest &request, const ReaderOptions &options)
    : m_guard(m_process, std::uint64_t(qMax<qint64>(0, QFileInfo(mdbPath).size())))
    , m_stallTimeout(options.stallTimeout)
    , m_waitTimeout(options.waitTimeout)
    // Taken before the reader opens the file: a file that grows meanwhile ends the read.
    , m_fileBytes(std::uint64_t(qMax<qint64>(0, QFileInfo(mdbPath).size())))
{
    const ReaderPart &part = request.part;
    QStringList arguments {mdbPath, tableName};
    if (part.count > 1) {
        arguments.append(QString::number(part.index + 1) + u'/' + QString::number(part.count));
        m_name = "part " + std::to_string(part.index + 1) + " of " + std::to_string(part.count) + ": ";
    }
    for (const QString &column : request.columns)
        arguments << QStringLiteral("--column") << column;
    if (request.places)
        arguments << QStringLiteral("--rows");
    m_process.setProgram(options.program.isEmpty() ? places::readerProgram() : options.program);
    m_process.setArguments(arguments);
    m_process.setReadChannel(QProcess::StandardOutput);
    if (!request.places)
        m_process.setStandardInputFile(QProcess::nullDevice());
    m_process.start(request.places ? QIODevice::ReadWrite : QIODevice::ReadOnly);
    if (!m_guard.confine()) {
        m_process.kill();
        return;
    }
    if (request.places)
        writePlaces(*request.places);
}

ReaderRun::~ReaderRun()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        // A killed reader ends at once unless the kernel holds it in a read from a dead share; the program
        // does not wait for that without limit (QProcess's destructor then gives up after its own bound).
        m_process.waitForFinished(kKilledReaderWaitMs);
    }
}

// The reader reads them all before its first byte of output; QProcess writes them as the run waits.
void ReaderRun::writePlaces(const std::vector<std::uint32_t> &places)
{
    QByteArray bytes(qsizetype(4 + 4 * places.size()), Qt::Uninitialized);
    reader_protocol::putU32(bytes.data(), std::uint32_t(places.size()));
    for (std::size_t i = 0; i < places.size(); ++i)
        reader_protocol::putU32(bytes.data() + 4 + 4 * i, places[i]);
    m_process.write(bytes);
    m_process.closeWriteChannel();
}

void ReaderRun::fail(const std::string &why)
{
    keepStderr();
    throw DatabaseError("readTable: " + m_name + why + (m_stderr.isEmpty() ? "" : " (" + m_stderr.toStdString() + ")"));
}

void ReaderRun::keepStderr()
{
    const QByteArray text = m_process.readAllStandardError();
    m_stderr += text.left(kStderrKept - m_stderr.size());
}

void ReaderRun::received(ReadTableDecoder &decoder, std::size_t size)
{
    try {
        decoder.received(size);
    } catch (const DatabaseError &error) {
        fail(error.what());
    }
}

bool ReaderRun::busy(std::chrono::milliseconds stall, std::optional<std::chrono::milliseconds> cpuAtIdle) const
{
    const std::optional<std::chrono::milliseconds> cpu = processCpuTime(m_process.processId());
    // Where the platform does not tell, any stall is a hang.
    return !cpu || !cpuAtIdle || (*cpu - *cpuAtIdle) * kBusyShare >= stall;
}

void ReaderRun::run(RowSink &sink, const std::atomic<bool> &cancelled)
{
    ReadTableDecoder decoder(sink, m_fileBytes);
    const qint64 stallTimeout = m_stallTimeout.count();
    if (!m_process.waitForStarted(int(stallTimeout)))
        fail("the reader did not start");
    QElapsedTimer sinceProgress;
    sinceProgress.start();
    bool idle = false;
    std::optional<std::chrono::milliseconds> cpuAtIdle;
    for (;;) {
        if (cancelled.load(std::memory_order_relaxed))
            fail("stopped: another reader of the table failed");
        keepStderr();
        const qint64 available = m_process.bytesAvailable();
        if (available > 0) {
            const qint64 chunk = qMin(available, kReadChunk);
            const qint64 got = m_process.read(decoder.receiveBuffer(std::size_t(chunk)), chunk);
            if (got < 0)
                fail("reading the reader's output failed");
            received(decoder, std::size_t(got));
            sinceProgress.restart();
            idle = false;
            continue;
        }
        if (m_process.state() == QProcess::NotRunning)
            break;
        if (!idle) {
            idle = true;
            cpuAtIdle = processCpuTime(m_process.processId());
        }
        const std::chrono::milliseconds idleFor(sinceProgress.elapsed());
        if (idleFor >= m_waitTimeout)
            fail("the reader waited without output for " + std::to_string(idleFor.count()) + " ms");
        if (idleFor.count() >= stallTimeout && busy(std::chrono::milliseconds(stallTimeout), cpuAtIdle))
            fail("the reader was busy without output for " + std::to_string(idleFor.count()) + " ms");
        m_process.waitForReadyRead(int(qMin<qint64>(kCancelCheckMs, stallTimeout)));
    }
    keepStderr();
    if (m_process.exitStatus() != QProcess::NormalExit)
        fail("the reader ended abnormally");
    if (!decoder.finished())
        fail("the stream ended before its end record");
    if (m_process.exitCode() != 0)
        fail("the reader exited with " + std::to_string(m_process.exitCode()));
    if (!m_stderr.isEmpty())
        fail("the reader printed");
    m_rows = decoder.rows();
    m_expectedRows = decoder.expectedRows();
}

} // namespace velkaro::database
