#pragma once

#include "database/readtable/ReaderOptions.h"
#include "database/readtable/ReaderProcessGuard.h"
#include "database/readtable/TableSource.h"

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace velkaro::database {

class ReadTableDecoder;

// Which share of a table one reader streams: part `index` (from 0) of `count`.
struct ReaderPart
{
    std::uint32_t index = 0;
    std::uint32_t count = 1;
};

// What one reader streams: every column of a part of the rows; or, with `columns`, those columns of every row,
// each page's rows announced to the sink by the page their home slots are on; or, with `places`, every column of
// the rows at those places (ascending; see ReaderProtocol.h).
struct ReaderRequest
{
    ReaderPart part;
    QStringList columns;
    std::optional<std::vector<std::uint32_t>> places;
};

// One running reader process streaming a table, or a part of it: started on construction, killed and reaped
// on every way out. Lives and runs in one thread.
class ReaderRun
{
public:
    ReaderRun(const QString &mdbPath, const QString &tableName, const ReaderRequest &request = {},
        const ReaderOptions &options = {});
    ~ReaderRun();
    ReaderRun(const ReaderRun &) = delete;
    ReaderRun &operator=(const ReaderRun &) = delete;

    // Decodes the stream into `sink` until the reader ends. Throws DatabaseError on a hang, a crash, an
    // exit status, any output on stderr, a malformed or incomplete stream, or once `cancelled` is set.
    void run(RowSink &sink, const std::atomic<bool> &cancelled);

    // Rows streamed, and the whole table's row count the reader announced; known after run().
    std::uint64_t rows() const { return m_rows; }
    std::uint32_t expectedRows() const { return m_expectedRows; }

private:
    void writePlaces(const std::vector<std::uint32_t> &places);
    [[noreturn]] void fail(const std::string &why);
    // Passes what arrived to the decoder; its failures are reported as this reader's.
    void received(ReadTableDecoder &decoder, std::size_t size);
    void keepStderr();
    // Whether the reader, which had used `cpuAtIdle` when its output stopped, has since been busy on the CPU
    // for long enough to call a stall of `stall` a hang.
    bool busy(std::chrono::milliseconds stall, std::optional<std::chrono::milliseconds> cpuAtIdle) const;

    QProcess m_process;
    ReaderProcessGuard m_guard;
    QByteArray m_stderr;
    std::string m_name;
    std::chrono::milliseconds m_stallTimeout;
    std::uint64_t m_rows = 0;
    std::uint32_t m_expectedRows = 0;
    std::chrono::milliseconds m_waitTimeout;
    // What the stream's sizes are bounded by.
    std::uint64_t m_fileBytes;
};

} // namespace velkaro::database
