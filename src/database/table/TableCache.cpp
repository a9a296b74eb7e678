#include "database/table/TableCache.h"

#include "database/core/ArrayMemory.h"
#include "database/core/DatabaseError.h"
#include "database/table/FileStamp.h"
#include "database/table/ReadWholeTable.h"

#include <QStringList>

#include <chrono>
#include <future>
#include <mutex>

namespace velkaro::database {

namespace {

using TablePtr = std::shared_ptr<const Table>;

// The table of the file read last, or its read while it runs; every read gets a new generation.
struct CachedTable
{
    FileStamp stamp;
    std::shared_future<TablePtr> table;
    std::uint64_t generation = 0;
    bool readAhead = false;
    // Set to stop the work in the background on this table (its read ahead, or its indexing), which holds
    // the table while it runs.
    std::atomic<bool> *stop = nullptr;
};

struct Cache
{
    std::mutex mutex;
    CachedTable entry;
    std::uint64_t generations = 0;
};

Cache &cache()
{
    static Cache cached;
    return cached;
}

// A file replaced while it is read (a new directory copied over the old one in place) is read again, this
// many times at most, before the search reports it.
constexpr int kReadsOfAChangingFile = 3;

// Reads the table of the file of `stamp`, and again while the file changed during the read, so that a table never
// mixes two states of the file; `stamp` becomes the state the table was read from. A read that failed on a file
// that changed meanwhile (a page met half written) is tried again too, except a read ahead: its failures stay
// silent, and its stop, which a failing part sets, stays set.
TablePtr readUnchanged(FileStamp &stamp, std::atomic<bool> *readAheadStop)
{
    for (int read = 1;; ++read) {
        std::atomic<bool> searchStop = false;
        std::exception_ptr failure;
        TablePtr table;
        try {
            table = readWholeTable(stamp.path, QStringLiteral("Base"), readAheadStop ? *readAheadStop : searchStop);
        } catch (...) {
            failure = std::current_exception();
        }
        const auto after = stampOf(stamp.path);
        const bool changed = !after || !(*after == stamp);
        if (!changed && !failure)
            return table;
        if (!changed || !after || read == kReadsOfAChangingFile || (failure && readAheadStop)) {
            if (failure)
                std::rethrow_exception(failure);
            throw DatabaseError("the database file changed while it was read");
        }
        // The table read goes before the next read, so that two never share memory.
        table.reset();
        stamp = *after;
    }
}

// Forgets the kept table; work in the background on it is stopped, so that its memory goes too.
void dropEntry(Cache &cached)
{
    if (cached.entry.stop)
        cached.entry.stop->store(true);
    cached.entry = {};
}

// Ends the registration of background work made with `stop`, unless another table replaced its own.
void backgroundWorkEnded(const std::atomic<bool> &stop)
{
    Cache &cached = cache();
    const std::lock_guard lock(cached.mutex);
    if (cached.entry.stop == &stop)
        cached.entry.stop = nullptr;
}

// Reads the file of `stamp`, announcing the read in the cache first so that others wait for it instead of
// reading again. A read ahead (a search passes no stop) registers its stop for its whole work, read and what
// follows; the caller ends it. A read ahead of a file that a search began to read meanwhile leaves it to that
// search: null.
TablePtr read(FileStamp stamp, std::atomic<bool> *readAheadStop)
{
    // The pages of the table this one replaces are taken by it, as far as it can use them (a table takes about as
    // much memory as its file); the rest, and what it leaves, go back to the system.
    const SparePagesForRead spare(stamp.size);
    std::promise<TablePtr> promise;
    std::uint64_t generation = 0;
    Cache &cached = cache();
    {
        const std::lock_guard lock(cached.mutex);
        if (readAheadStop && cached.entry.table.valid() && cached.entry.stamp == stamp)
            return nullptr;
        generation = ++cached.generations;
        // The old table goes first, so that two decoded files never share memory.
        dropEntry(cached);
        cached.entry = {stamp, promise.get_future().share(), generation, readAheadStop != nullptr, readAheadStop};
    }
    try {
        auto table = readUnchanged(stamp, readAheadStop);
        checkDirectoryColumns(*table);
        {
            // Kept under the state it was read from.
            const std::lock_guard lock(cached.mutex);
            if (cached.entry.generation == generation)
                cached.entry.stamp = stamp;
        }
        promise.set_value(table);
        return table;
    } catch (...) {
        promise.set_exception(std::current_exception());
        // A failed read is not kept: the next search reads the file again.
        const std::lock_guard lock(cached.mutex);
        if (cached.entry.generation == generation)
            cached.entry = {};
        throw;
    }
}

// The cache entry for `stamp`, read or being read; an empty one when there is none.
CachedTable entryFor(const FileStamp &stamp)
{
    Cache &cached = cache();
    const std::lock_guard lock(cached.mutex);
    if (cached.entry.table.valid() && cached.entry.stamp == stamp)
        return {cached.entry.stamp, cached.entry.table, cached.entry.generation, cached.entry.readAhead, nullptr};
    return {};
}

} // namespace

void checkDirectoryColumns(const Table &table)
{
    for (const QString &name : {QStringLiteral("ABONENT"), QStringLiteral("PHONE"), QStringLiteral("ADDRESS"),
             QStringLiteral("COMMENT"), QStringLiteral("NO_TYPE")}) {
        if (!table.columnIndex(name))
            throw DatabaseError("the directory table lacks a column");
    }
}

std::shared_ptr<const Table> directoryTable(const QString &path)
{
    const auto stamp = stampOf(path);
    if (!stamp)
        throw DatabaseError("database file missing or unreadable");
    const CachedTable found = entryFor(*stamp);
    if (found.table.valid()) {
        try {
            return found.table.get();
        } catch (...) {
            // A failed read ahead stays silent; the search reads the file itself and reports what it finds.
            if (!found.readAhead)
                throw;
        }
    }
    return read(*stamp, nullptr);
}

bool directoryTableKept(const QString &path)
{
    const auto stamp = stampOf(path);
    return stamp && entryFor(*stamp).table.valid();
}

namespace {

// Phone searches compare whole texts, through the column's index once there is one.
void indexPhones(const Table &table, const std::atomic<bool> &stop)
{
    if (const auto phone = table.columnIndex(QStringLiteral("PHONE")))
        table.values(*phone).equalityIndex(&stop);
}

} // namespace

void readDirectoryTableAhead(const QString &path, std::atomic<bool> &stop)
{
    const auto stamp = stampOf(path);
    if (!stamp || entryFor(*stamp).table.valid())
        return;
    try {
        if (const TablePtr table = read(*stamp, &stop)) {
            indexPhones(*table, stop);
            for (std::size_t column = 0; column < table->columns().size() && !stop; ++column)
                table->values(column).touchPages();
        }
    } catch (...) {
        // Nothing is shown until a search needs the file.
    }
    backgroundWorkEnded(stop);
}

void indexKeptDirectoryTable(const QString &path, std::atomic<bool> &stop)
{
    const auto stamp = stampOf(path);
    if (!stamp)
        return;
    TablePtr table;
    {
        Cache &cached = cache();
        const std::lock_guard lock(cached.mutex);
        const CachedTable &kept = cached.entry;
        // A table still being read, or with work of its own under way, is left to that work.
        if (!kept.table.valid() || !(kept.stamp == *stamp) || kept.stop
            || kept.table.wait_for(std::chrono::seconds(0)) != std::future_status::ready)
            return;
        try {
            table = kept.table.get();
        } catch (...) {
            return; // reported by the search that waited for it
        }
        cached.entry.stop = &stop;
    }
    try {
        indexPhones(*table, stop);
    } catch (...) {
        // Stopped: the table is being let go.
    }
    backgroundWorkEnded(stop);
}

void clearDirectoryTableCache()
{
    Cache &cached = cache();
    const std::lock_guard lock(cached.mutex);
    dropEntry(cached);
}

} // namespace velkaro::database
