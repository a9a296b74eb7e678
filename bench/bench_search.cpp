// Times the search command on generated directories (1,000,000 entries unless sizes are given): for each kind of
// search the first search on the file and the median of the warm ones, from the start of the command to the last
// line appended; the same statement through mdb-sql on the same file, as a ratio; and the peak memory.
// Each size is measured in a fresh process (this program started again with --measure), so peaks do not mix.
#include "DirectoryGenerator.h"
#include "MkBase.h"
#include "database/connection/Connection.h"
#include "database/connection/ConnectionString.h"
#include "database/connection/Recordset.h"
#include "database/table/TableCache.h"
#include "search/SearchCommand.h"
#include "search/mdlFunc.h"
#include "support/SearchRecorders.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextStream>

#include <dirent.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <optional>
#include <sstream>
#include <thread>
#include <vector>

using namespace Qt::StringLiterals;
using namespace velkaro;
using namespace velkaro::search;

namespace {

constexpr quint64 seed = 20240601;
constexpr int warmRuns = 7;

struct Query
{
    QString kind;
    SearchInputs inputs;
};

QTextStream &out()
{
    static QTextStream stream(stdout);
    return stream;
}

QString typed(std::u16string_view text)
{
    return QString::fromUtf16(text.data(), qsizetype(text.size())).toLower();
}

// One query of each kind for values that exist in the second half of the generated directory, typed the way an
// operator would: lower case, a phone with dashes; and the common surname иванов typed into the subscriber box,
// a search with many results.
std::vector<Query> pickQueries(qint64 rows)
{
    mkbase::DirectoryGenerator generator(seed);
    mkbase::DirectoryEntry entry;
    std::optional<Query> phone, subscriber, address, remark;
    for (qint64 row = 0; row < rows && !(phone && subscriber && address && remark); ++row) {
        generator.next(&entry);
        if (row < rows / 2)
            continue;
        const QString abonent = QString::fromStdU16String(entry.abonent);
        const QString number = QString::fromStdU16String(entry.phone);
        const QString place = QString::fromStdU16String(entry.address);
        if (!phone && number.size() == 7 && !number.contains(u' ') && !number.contains(u'-')) {
            phone = Query {u"phone"_s, {}};
            phone->inputs.phone = number.left(3) + u'-' + number.mid(3, 2) + u'-' + number.mid(5);
        }
        if (!subscriber && abonent.endsWith(u'.')) {
            subscriber = Query {u"subscriber"_s, {}};
            subscriber->inputs.ab = abonent.section(u' ', 0, 0).toLower();
        }
        if (!address && place.contains(u" КВ."_s) && !place.contains(u"КОРП"_s)) {
            address = Query {u"address+flat"_s, {}};
            address->inputs.street = place.section(u' ', 1, 1).toLower();
            address->inputs.house = place.section(u" Д. "_s, 1).section(u" КВ."_s, 0, 0).toLower();
            address->inputs.flat = place.section(u" КВ."_s, 1);
        }
        if (!remark && entry.comment) {
            remark = Query {u"remark"_s, {}};
            remark->inputs.comment = typed(*entry.comment);
        }
    }
    Query commonSurname {u"subscriber ИВАНОВ"_s, {}};
    commonSurname.inputs.ab = u"иванов"_s;
    std::vector<Query> queries;
    for (const auto &query : {phone, subscriber, std::optional(commonSurname), address, remark}) {
        if (query)
            queries.push_back(*query);
    }
    return queries;
}

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

// records is -1 when mdb-sql could not run the statement.
struct MdbSqlTiming
{
    double milliseconds = 0;
    qint64 records = -1;
};

MdbSqlTiming timeMdbSql(const QString &program, const QString &path, const QString &sql)
{
    QProcess process;
    QElapsedTimer clock;
    clock.start();
    process.start(program, {u"-H"_s, u"-F"_s, u"-P"_s, path});
    if (!process.waitForStarted(-1))
        return {};
    process.write((sql + u"\ngo\n"_s).toUtf8());
    process.closeWriteChannel();
    QByteArray output;
    while (process.state() != QProcess::NotRunning) {
        process.waitForReadyRead(-1);
        output += process.readAllStandardOutput();
    }
    output += process.readAllStandardOutput();
    const double milliseconds = double(clock.nsecsElapsed()) / 1e6;
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return {};
    qint64 records = 0;
    for (const QByteArray &line : output.split('\n'))
        records += line.isEmpty() ? 0 : 1;
    return {milliseconds, records};
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
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

QString column(const QString &text, int width)
{
    return text.rightJustified(width);
}

QString number(double value, int decimals = 1)
{
    return QString::number(value, 'f', decimals);
}

qint64 peakKilobytes()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// The highest VmHWM seen in the child processes of this process while it runs. The children's own rusage is
// no use here: a forked child's peak starts from the parent's size at the fork.
class ChildPeakSampler
{
public:
    ChildPeakSampler()
        : m_thread([this] {
            while (!m_stop.load())
                sample();
        })
    { }
    ~ChildPeakSampler() { stop(); }

    qint64 stop()
    {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
        return m_peakKilobytes;
    }

private:
    static std::string ownName()
    {
        std::ifstream comm("/proc/self/comm");
        std::string name;
        std::getline(comm, name);
        return name;
    }

    void sample()
    {
        const std::string parent = std::to_string(getpid());
        DIR *proc = opendir("/proc");
        if (!proc)
            return;
        while (const dirent *entry = readdir(proc)) {
            if (entry->d_name[0] < '1' || entry->d_name[0] > '9')
                continue;
            const std::string folder = std::string("/proc/") + entry->d_name;
            std::ifstream statFile(folder + "/stat");
            std::string stat;
            std::getline(statFile, stat);
            const std::size_t end = stat.rfind(')');
            if (end == std::string::npos)
                continue;
            std::istringstream fields(stat.substr(end + 1));
            std::string state, ppid;
            fields >> state >> ppid;
            // Between fork and exec a child still carries this process's pages under this process's name.
            const std::size_t begin = stat.find('(');
            if (ppid != parent || stat.compare(begin + 1, end - begin - 1, m_ownName) == 0)
                continue;
            std::ifstream status(folder + "/status");
            for (std::string line; std::getline(status, line);) {
                if (line.rfind("VmHWM:", 0) == 0)
                    m_peakKilobytes = std::max(m_peakKilobytes, qint64(std::stoll(line.substr(6))));
            }
        }
        closedir(proc);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }

    const std::string m_ownName = ownName();
    std::atomic<bool> m_stop = false;
    qint64 m_peakKilobytes = 0;
    std::thread m_thread;
};

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

    const QString mdbSql = QStandardPaths::findExecutable(u"mdb-sql"_s);
    const double fileMegabytes = double(QFileInfo(path).size()) / (1024 * 1024);
    for (const Row &row : results) {
        SearchCriteria criteria;
        mdlFunc::deriveCriteria(row.query.inputs, criteria);
        const QString sql = mdlFunc::buildQueryText(criteria);
        const MdbSqlTiming reference = mdbSql.isEmpty() ? MdbSqlTiming {} : timeMdbSql(mdbSql, path, sql);
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

    out() << "first: the first search on the file (read and decoded); warm: median of " << warmRuns
          << " more; query: the engine's part of a warm search; mdb-sql: the same statement, whole process; ratio = "
             "mdb-sql / warm.\n"
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
        if (!folder.isValid() || !mkbase::generateDirectory(rows, seed, path, &error)) {
            out() << "cannot generate " << rows << " entries: " << error << Qt::endl;
            return 1;
        }
        QProcess measuring;
        measuring.setProcessChannelMode(QProcess::ForwardedChannels);
        measuring.start(QCoreApplication::applicationFilePath(), {u"--measure"_s, path, QString::number(rows)});
        if (!measuring.waitForFinished(-1) || measuring.exitCode() != 0) {
            out() << "measuring " << rows << " entries failed" << Qt::endl;
            return 1;
        }
    }
    return 0;
}
