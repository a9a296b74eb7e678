#include "database/table/ReadWholeTable.h"

#include "database/core/DatabaseError.h"
#include "database/readtable/ReaderOptions.h"
#include "database/readtable/ReaderRun.h"
#include "database/table/TableBuilder.h"

#include <QFileInfo>
#include <QThread>

#include <atomic>
#include <exception>
#include <string>
#include <vector>

namespace velkaro::database {

namespace {

// Two readers, each stream decoded by its own thread: four busy processes, so only worth it on four cores or more.
constexpr std::uint32_t kParts = 2;

// The parts of one table, read at once by a reader and a thread each, then joined in table order.
class PartedRead
{
public:
    PartedRead(std::uint32_t count, std::atomic<bool> &stop)
        : m_parts(count)
        , m_failed(stop)
    { }

    // Throws the first failure of any part; the other readers are stopped by it.
    void run(const QString &mdbPath, const QString &tableName, const ReaderOptions &options)
    {
        std::vector<std::unique_ptr<QThread>> threads;
        for (std::uint32_t index = 1; index < m_parts.size(); ++index)
            threads.emplace_back(QThread::create(
                [this, &mdbPath, &tableName, &options, index] { read(mdbPath, tableName, options, index); }));
        for (const auto &thread : threads)
            thread->start();
        read(mdbPath, tableName, options, 0);
        for (const auto &thread : threads)
            thread->wait();
        if (m_failure)
            std::rethrow_exception(m_failure);
        if (m_failed)
            throw DatabaseError("readTable: stopped");
    }

    std::shared_ptr<const Table> join()
    {
        const std::uint32_t expectedRows = m_parts.front().expectedRows;
        std::uint64_t rows = 0;
        for (const Part &part : m_parts) {
            if (part.expectedRows != expectedRows)
                throw DatabaseError("readTable: the parts announce different row counts");
            rows += part.rows;
        }
        if (rows != expectedRows)
            throw DatabaseError(
                "readTable: " + std::to_string(rows) + " rows read, the table counts " + std::to_string(expectedRows));
        TableBuilder &whole = m_parts.front().builder;
        for (std::size_t index = 1; index < m_parts.size(); ++index)
            whole.append(std::move(m_parts[index].builder));
        return whole.take();
    }

private:
    struct Part
    {
        TableBuilder builder;
        std::uint64_t rows = 0;
        std::uint32_t expectedRows = 0;
    };

    void read(
        const QString &mdbPath, const QString &tableName, const ReaderOptions &options, std::uint32_t index) noexcept
    {
        try {
            ReaderRequest request;
            request.part = {index, std::uint32_t(m_parts.size())};
            ReaderRun reader(mdbPath, tableName, request, options);
            reader.run(m_parts[index].builder, m_failed);
            m_parts[index].rows = reader.rows();
            m_parts[index].expectedRows = reader.expectedRows();
        } catch (...) {
            // The first failure is the one to report; the others are those of the readers it stopped.
            if (!m_failed.exchange(true))
                m_failure = std::current_exception();
        }
    }

    std::vector<Part> m_parts;
    // Set by the first part that fails, or by the caller to stop the read.
    std::atomic<bool> &m_failed;
    std::exception_ptr m_failure;
};

} // namespace

std::shared_ptr<const Table> readWholeTable(
    const QString &mdbPath, const QString &tableName, const ReaderOptions &options)
{
    std::atomic<bool> stop = false;
    return readWholeTable(mdbPath, tableName, stop, options);
}

std::shared_ptr<const Table> readWholeTable(
    const QString &mdbPath, const QString &tableName, std::atomic<bool> &stop, const ReaderOptions &options)
{
    PartedRead read(QFileInfo(mdbPath).size() >= options.partThreshold ? kParts : 1, stop);
    read.run(mdbPath, tableName, options);
    return read.join();
}

} // namespace velkaro::database
