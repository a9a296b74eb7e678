#include "database/connection/ReadAhead.h"

#include "database/connection/OdbcConnectionString.h"
#include "database/table/TableCache.h"

#include <algorithm>

namespace velkaro::database {

ReadAhead::~ReadAhead()
{
    for (const auto &run : m_runs)
        run->stop = true;
    wait();
}

void ReadAhead::start(const QString &connectionString) noexcept
{
    try {
        launch(connectionString, readDirectoryTableAhead);
    } catch (...) {
        // Only a speed-up is lost.
    }
}

void ReadAhead::keep(const QString &connectionString) noexcept
{
    try {
        // Decided now: a table let go of before the work begins is not read again.
        const auto file = accessDatabaseFile(connectionString);
        launch(connectionString, file && directoryTableKept(*file) ? indexKeptDirectoryTable : readDirectoryTableAhead);
    } catch (...) {
        // The next search reads what it needs again, and a phone search scans the column.
    }
}

void ReadAhead::launch(const QString &connectionString, void (*work)(const QString &path, std::atomic<bool> &stop))
{
    std::erase_if(m_runs, [](const std::unique_ptr<Run> &run) {
        if (!run->done)
            return false;
        run->thread.join();
        return true;
    });
    const auto file = accessDatabaseFile(connectionString);
    if (!file)
        return;
    auto run = std::make_unique<Run>();
    run->thread = std::thread([path = *file, run = run.get(), work] {
        work(path, run->stop);
        run->done = true;
    });
    m_runs.push_back(std::move(run));
}

void ReadAhead::wait()
{
    for (const auto &run : m_runs) {
        if (run->thread.joinable())
            run->thread.join();
    }
    m_runs.clear();
}

} // namespace velkaro::database
