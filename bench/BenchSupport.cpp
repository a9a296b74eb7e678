#include "BenchSupport.h"

#include "DirectoryGenerator.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>

#include <dirent.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <optional>
#include <sstream>

using namespace Qt::StringLiterals;

namespace velkaro::bench {

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
    velkaro::mkbase::DirectoryGenerator generator(seed);
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

MdbSqlTiming timeMdbSql(const QString &path, const QString &sql)
{
    const QString program = QStandardPaths::findExecutable(u"mdb-sql"_s);
    if (program.isEmpty())
        return {};
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

QString column(const QString &text, int width)
{
    return text.rightJustified(width);
}

QString number(double value, int decimals)
{
    return QString::number(value, 'f', decimals);
}

qint64 peakKilobytes()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

namespace {

// The program a process runs; empty when it cannot be told.
std::filesystem::path programOf(const std::string &process)
{
    std::error_code error;
    return std::filesystem::read_symlink("/proc/" + process + "/exe", error);
}

} // namespace

ChildPeakSampler::ChildPeakSampler()
    : m_ownProgram(programOf("self"))
    , m_thread([this] {
        while (!m_stop.load())
            sample();
    })
{ }

ChildPeakSampler::~ChildPeakSampler()
{
    stop();
}

qint64 ChildPeakSampler::stop()
{
    m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
    return m_peakKilobytes;
}

void ChildPeakSampler::sample()
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
        // Between fork and exec a child still runs this program with its pages, under the name of the thread that
        // started it.
        if (ppid != parent || programOf(entry->d_name) == m_ownProgram)
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

bool measureInChildProcess(const QString &path, qint64 rows)
{
    QProcess measuring;
    measuring.setProcessChannelMode(QProcess::ForwardedChannels);
    measuring.start(
        QCoreApplication::applicationFilePath(), {QStringLiteral("--measure"), path, QString::number(rows)});
    if (measuring.waitForFinished(-1) && measuring.exitCode() == 0)
        return true;
    out() << "measuring " << rows << " entries failed" << Qt::endl;
    return false;
}

} // namespace velkaro::bench
