#include "database/readtable/ReadParts.h"

#include "database/core/DatabaseError.h"

#include <QThread>

#include <exception>
#include <memory>
#include <string>
#include <vector>

namespace velkaro::database {

namespace {

struct PartRows
{
    std::uint64_t rows = 0;
    std::uint32_t expectedRows = 0;
};

} // namespace

void readParts(const QString &mdbPath, const QString &tableName, const ReaderRequest &request,
    std::span<RowSink *const> sinks, std::atomic<bool> &stop, const ReaderOptions &options)
{
    std::vector<PartRows> parts(sinks.size());
    std::exception_ptr failure;
    const auto read = [&](std::uint32_t index) noexcept {
        try {
            ReaderRequest part = request;
            part.part = {index, std::uint32_t(sinks.size())};
            ReaderRun reader(mdbPath, tableName, part, options);
            reader.run(*sinks[index], stop);
            parts[index] = {reader.rows(), reader.expectedRows()};
        } catch (...) {
            // The first failure is the one to report; the others are those of the readers it stopped.
            if (!stop.exchange(true))
                failure = std::current_exception();
        }
    };
    std::vector<std::unique_ptr<QThread>> threads;
    for (std::uint32_t index = 1; index < sinks.size(); ++index)
        threads.emplace_back(QThread::create(read, index));
    for (const auto &thread : threads)
        thread->start();
    read(0);
    for (const auto &thread : threads)
        thread->wait();
    if (failure)
        std::rethrow_exception(failure);
    if (stop)
        throw DatabaseError("readTable: stopped");

    const std::uint32_t expectedRows = parts.front().expectedRows;
    std::uint64_t rows = 0;
    for (const PartRows &part : parts) {
        if (part.expectedRows != expectedRows)
            throw DatabaseError("readTable: the parts announce different row counts");
        rows += part.rows;
    }
    if (rows != expectedRows)
        throw DatabaseError(
            "readTable: " + std::to_string(rows) + " rows read, the table counts " + std::to_string(expectedRows));
}

} // namespace velkaro::database
