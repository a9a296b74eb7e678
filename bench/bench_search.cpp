// Times the search command on generated directories (1,000,000 entries unless sizes are given): for each kind of
// search the first search on the file and the median of the warm ones, from the start of the command to the last
// line appended; the same statement through mdb-sql on the same file, as a ratio; and the peak memory.
// Each size is measured in a fresh process (this program started again with --measure), so peaks do not mix.
#include "BenchSupport.h"
#include "MkBase.h"
#include "database/connection/Connection.h"
#include "database/connection/ConnectionString.h"
#include "database/connection/ReadAhead.h"
#include "database/connection/Recordset.h"
#include "database/table/TableCache.h"
#include "search/SearchCommand.h"
#include "search/mdlFunc.h"
#include "support/SearchRecorders.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <optional>
#include <vector>

using namespace Qt::StringLiterals;
using namespace velkaro;
using namespace velkaro::search;
using namespace velkaro::bench;

namespace {

constexpr int warmRuns = 7;

// Counts the lines and notes when the last batch arrived.
class TimingList : public ResultList
{
public:
    explicit TimingList(const QElapsedTimer &clock)
        : m_clock(clock)
    { }
    void clear() override { lines = 0; }
    void append(const QStringList &batch) override
    {
        lines += batch.size();
        lastAppendNs = m_clock.nsecsElapsed();
    }

    qint64 lines = 0;
    qint64 lastAppendNs = 0;

private:
    const QElapsedTimer &m_clock;
};

class CountingMessages : public MessageSink
{
public:
    void showMessage(const QString &text, const QString &, MessageIcon) override { last = text; }
    QString last;
};

struct SearchTiming
{
    double milliseconds = 0;
    qint64 records = 0;
    QString message;
};

SearchTiming timeSearch(SearchCommand &command, const SearchInputs &inputs)
{
    QElapsedTimer clock;
    TimingList list(clock);
    CountingMessages messages;
    clock.start();
    command.run(search::testing::FixedInputs(inputs), list, messages);
    const qint64 endNs = list.lastAppendNs > 0 ? list.lastAppendNs : clock.nsecsElapsed();
    return {double(endNs) / 1e6, list.lines / 6, messages.last};
}

// The warm median of the engine alone: opening the result set on the already read file, without the lines.
double engineMilliseconds(database::Connection &connection, database::Recordset &recordset, const SearchInputs &inputs)
{
    SearchCriteria criteria;
    mdlFunc::deriveCriteria(inputs, criteria);
    const QString sql = mdlFunc::buildQueryText(criteria);
    std::vector<double> times;
    connection.Open(database::ConnectionString());
    for (int run = 0; run < warmRuns; ++run) {
        QElapsedTimer clock;
        clock.start();
        recordset.Open(sql, connection);
        times.push_back(double(clock.nsecsElapsed()) / 1e6);
        recordset.Close();
    }
    connection.Close();
    return median(times);
}

// The measuring process: every figure of one directory file.
int measure(const QString &path, qint64 rows)
{
    const std::vector<Query> queries = pickQueries(rows);
    if (queries.empty())
        return 1;
    database::setDatabaseFile(path);
    database::Connection connection;
    database::Recordset recordset;
    SearchCommand command(connection, recordset);

    struct Row
    {
        Query query;
        SearchTiming first;
        double warm = 0;
        double engine = 0;
    };
    std::vector<Row> results;
    for (const Query &query : queries) {
        database::clearDirectoryTableCache();
        Row row {query, timeSearch(command, query.inputs), 0, 0};
        // As the window does after a search that read only part of the file.
        database::ReadAhead keep;
        keep.keep(database::ConnectionString());
        keep.wait();
        std::vector<double> warm;
        for (int run = 0; run < warmRuns; ++run)
            warm.push_back(timeSearch(command, query.inputs).milliseconds);
        row.warm = median(warm);
        row.engine = engineMilliseconds(connection, recordset, query.inputs);
        results.push_back(row);
    }
    // One more first search, watched for the reader's peak; kept apart so the sampling does not slow the timings.
    database::clearDirectoryTableCache();
    ChildPeakSampler sampler;
    timeSearch(command, queries.front().inputs);
    const qint64 readerPeak = sampler.stop();
    const qint64 mainPeak = peakKilobytes();

    const double fileMegabytes = double(QFileInfo(path).size()) / (1024 * 1024);
    for (const Row &row : results) {
        SearchCriteria criteria;
        mdlFunc::deriveCriteria(row.query.inputs, criteria);
        const QString sql = mdlFunc::buildQueryText(criteria);
        const MdbSqlTiming reference = timeMdbSql(path, sql);
        const bool ran = reference.records >= 0;
        out() << column(QString::number(rows), 9) << column(row.query.kind, 18)
              << column(QString::number(row.first.records), 9) << column(number(row.first.milliseconds), 10)
              << column(number(row.warm, 2), 10) << column(number(row.engine, 2), 10)
              << column(ran ? number(reference.milliseconds) : u"n/a"_s, 11)
              << column(ran ? QString::number(reference.records) : u"n/a"_s, 9)
              << column(ran ? number(reference.milliseconds / row.warm) + u'x' : u"n/a"_s, 11)
              << column(number(fileMegabytes), 9) << column(number(double(mainPeak) / 1024), 9)
              << column(number(double(readerPeak) / 1024), 9)
              << column(number(double(mainPeak + readerPeak) / 1024 / fileMegabytes, 2), 7);
        if (!row.first.message.isEmpty())
            out() << "  " << row.first.message;
        out() << "   " << sql << Qt::endl;
    }
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() == 4 && arguments.at(1) == u"--measure")
        return measure(arguments.at(2), arguments.at(3).toLongLong());

    std::vector<qint64> sizes;
    for (const QString &argument : arguments.mid(1)) {
        bool ok = false;
        sizes.push_back(argument.toLongLong(&ok));
        if (!ok || sizes.back() <= 0) {
            out() << "usage: bench_search [ENTRIES...]" << Qt::endl;
            return 2;
        }
    }
    if (sizes.empty())
        sizes.push_back(1'000'000);

    out() << "first: the first search on the file (its compared columns and the rows found read); warm: median of "
          << warmRuns
          << " more, once the whole file was read; query: the engine's part of a warm search; mdb-sql: the same "
             "statement, whole process; ratio = mdb-sql / warm.\n"
          << "main MB: peak resident set of the program; readr MB: peak of its reader process (sampled); "
             "x file = their sum / file size.\n"
          << column(u"entries"_s, 9) << column(u"search"_s, 18) << column(u"found"_s, 9) << column(u"first ms"_s, 10)
          << column(u"warm ms"_s, 10) << column(u"query ms"_s, 10) << column(u"mdb-sql ms"_s, 11)
          << column(u"mdb rows"_s, 9) << column(u"ratio"_s, 11) << column(u"file MB"_s, 9) << column(u"main MB"_s, 9)
          << column(u"readr MB"_s, 9) << column(u"x file"_s, 7) << "   statement" << Qt::endl;
    for (const qint64 rows : sizes) {
        QTemporaryDir folder;
        const QString path = folder.filePath(u"directory.mdb"_s);
        QString error;
        if (!folder.isValid() || !mkbase::generateDirectory(rows, bench::seed, path, &error)) {
            out() << "cannot generate " << rows << " entries: " << error << Qt::endl;
            return 1;
        }
        if (!measureInChildProcess(path, rows))
            return 1;
    }
    return 0;
}
