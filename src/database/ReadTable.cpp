#include "DatabaseError.h"
#include "ReadTableDecoder.h"
#include "ReadTableSettings.h"
#include "TableSource.h"

#include <QCoreApplication>
#include <QProcess>

#include <string>

namespace velkaro::database {

namespace {

std::chrono::milliseconds g_stallTimeout{5000};

// Library and loader messages of the reader; kept for the error text, never shown.
constexpr qint64 kStderrKept = 4096;
constexpr qint64 kReadChunk = 1024 * 1024;

QString readerProgram()
{
#ifdef Q_OS_WIN
    return QCoreApplication::applicationDirPath() + QStringLiteral("/velkaro-reader.exe");
#else
    return QCoreApplication::applicationDirPath() + QStringLiteral("/velkaro-reader");
#endif
}

// The reader process of one read: killed and reaped on every way out.
class ReaderRun
{
public:
    ReaderRun(const QString &mdbPath, const QString &tableName)
    {
        m_process.setProgram(readerProgram());
        m_process.setArguments({mdbPath, tableName});
        m_process.setReadChannel(QProcess::StandardOutput);
        m_process.setStandardInputFile(QProcess::nullDevice());
        m_process.start(QIODevice::ReadOnly);
    }
    ~ReaderRun()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(-1);
        }
    }
    ReaderRun(const ReaderRun &) = delete;
    ReaderRun &operator=(const ReaderRun &) = delete;

    [[noreturn]] void fail(const std::string &why)
    {
        keepStderr();
        throw DatabaseError("readTable: " + why + (m_stderr.isEmpty() ? "" : " (" + m_stderr.toStdString() + ")"));
    }

    void run(ReadTableDecoder &decoder)
    {
        const int timeout = int(g_stallTimeout.count());
        if (!m_process.waitForStarted(timeout))
            fail("the reader did not start");
        for (;;) {
            keepStderr();
            const qint64 available = m_process.bytesAvailable();
            if (available > 0) {
                const qint64 chunk = qMin(available, kReadChunk);
                const qint64 got = m_process.read(decoder.receiveBuffer(std::size_t(chunk)), chunk);
                if (got < 0)
                    fail("reading the reader's output failed");
                decoder.received(std::size_t(got));
                continue;
            }
            if (m_process.state() == QProcess::NotRunning)
                break;
            if (!m_process.waitForReadyRead(timeout) && m_process.state() != QProcess::NotRunning)
                fail("the reader made no progress");
        }
        keepStderr();
        if (m_process.exitStatus() != QProcess::NormalExit)
            fail("the reader ended abnormally");
        decoder.checkComplete();
        if (m_process.exitCode() != 0)
            fail("the reader exited with " + std::to_string(m_process.exitCode()));
        if (!m_stderr.isEmpty())
            fail("the reader printed");
    }

private:
    void keepStderr()
    {
        const QByteArray text = m_process.readAllStandardError();
        m_stderr += text.left(kStderrKept - m_stderr.size());
    }

    QProcess m_process;
    QByteArray m_stderr;
};

} // namespace

void setReaderStallTimeout(std::chrono::milliseconds timeout)
{
    g_stallTimeout = timeout;
}

std::chrono::milliseconds readerStallTimeout()
{
    return g_stallTimeout;
}

void readTable(const QString &mdbPath, const QString &tableName, RowSink &sink)
{
    ReadTableDecoder decoder(sink);
    ReaderRun reader(mdbPath, tableName);
    reader.run(decoder);
}

} // namespace velkaro::database
