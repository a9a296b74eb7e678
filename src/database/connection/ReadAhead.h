#pragma once

#include <QString>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

namespace velkaro::database {

// Reads the directory file in the background, so that the first search finds it in memory.
class ReadAhead
{
public:
    ReadAhead() = default;
    // Stops the reads under way and waits for them to end.
    ~ReadAhead();
    ReadAhead(const ReadAhead &) = delete;
    ReadAhead &operator=(const ReadAhead &) = delete;

    // Starts reading the file the connection text names, unless it is kept or being read already; an earlier
    // read ahead of another file is stopped. A read that cannot start (no thread, no memory) is left to the
    // search that needs the file.
    void start(const QString &connectionString) noexcept;

    // After a search: keeps the table of the file the connection text names, read in the background where the
    // search read only some of it, and builds its phone index; nothing when that cannot start.
    void keep(const QString &connectionString) noexcept;

    // Waits for the reads started so far; for tests and benchmarks.
    void wait();

private:
    void launch(const QString &connectionString, void (*work)(const QString &path, std::atomic<bool> &stop));

    struct Run
    {
        std::atomic<bool> stop = false;
        std::atomic<bool> done = false;
        std::thread thread;
    };
    std::vector<std::unique_ptr<Run>> m_runs;
};

} // namespace velkaro::database
