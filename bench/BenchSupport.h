#pragma once

// What the benchmarks share: the searches they time on a generated directory, mdb-sql on the same statement,
// medians, table columns and peak memory.
#include "search/SearchPorts.h"

#include <QString>
#include <QTextStream>

#include <atomic>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace velkaro::bench {

// The seed of every generated directory the benchmarks read.
inline constexpr quint64 seed = 20240601;

struct Query
{
    QString kind;
    search::SearchInputs inputs;
};

QTextStream &out();

// One search of each kind for values in the second half of the directory generated from `seed`.
std::vector<Query> pickQueries(qint64 rows);

// records is -1 when mdb-sql could not run the statement.
struct MdbSqlTiming
{
    double milliseconds = 0;
    qint64 records = -1;
};

// The statement through mdb-sql on `path`, the whole process timed; records -1 when mdb-sql is missing or fails.
MdbSqlTiming timeMdbSql(const QString &path, const QString &sql);

double median(std::vector<double> values);
QString column(const QString &text, int width);
QString number(double value, int decimals = 1);

// Peak resident set of this process.
qint64 peakKilobytes();

// Runs this benchmark again as `--measure PATH ROWS` in a process of its own, so that each size's peak memory is
// its own; says why on failure.
bool measureInChildProcess(const QString &path, qint64 rows);

// The highest VmHWM seen in the child processes of this process while it runs. The children's own rusage is
// no use here: a forked child's peak starts from the parent's size at the fork.
class ChildPeakSampler
{
public:
    ChildPeakSampler();
    ~ChildPeakSampler();
    qint64 stop();

private:
    void sample();

    std::filesystem::path m_ownProgram;
    std::atomic<bool> m_stop = false;
    qint64 m_peakKilobytes = 0;
    std::thread m_thread;
};

} // namespace velkaro::bench
