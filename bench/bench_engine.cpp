// Times the directory engine on generated directories: the first search (file read and decoded) and the warm
// search (table kept in memory, median of seven; "fields ms" is the part spent reading every field
// of every record) for each kind of query the program sends, plus the substring
// searches the fast evaluation could use. Sizes are row counts (default 100000 1000000 2000000). Every size runs
// in a child process of its own, its directory written by a grandchild, so the peak memory shown is the engine's.
#include "database/connection/Connection.h"
#include "database/connection/Recordset.h"
#include "database/evaluation/SubstringFinder.h"
#include "database/table/Table.h"
#include "database/table/TableCache.h"

#include "MkBase.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>

#include <sys/resource.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <vector>

using namespace Qt::StringLiterals;
using namespace velkaro::database;

namespace {

constexpr int warmRuns = 7;

struct Query
{
    QString kind;
    QString sql;
};

long peakMemoryKb()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

struct SearchTime
{
    qint64 total = 0;
    qint64 reading = 0; // the part spent reading the records' fields
};

// One search as the program runs it: open, query, read every field of every record, close.
SearchTime search(const QString &connectionText, const QString &sql, qint64 *records)
{
    QElapsedTimer timer;
    timer.start();
    Connection connection;
    Recordset result;
    connection.Open(connectionText);
    result.Open(sql, connection);
    *records = result.RecordCount();
    const qint64 opened = timer.nsecsElapsed();
    for (qint64 i = 0; i < *records; ++i) {
        for (const QString &column : {u"ABONENT"_s, u"PHONE"_s, u"ADDRESS"_s, u"COMMENT"_s, u"NO_TYPE"_s})
            result.Fields(column);
        result.MoveNext();
    }
    const qint64 read = timer.nsecsElapsed();
    result.Close();
    connection.Close();
    return {timer.nsecsElapsed(), read - opened};
}

double milliseconds(qint64 nanoseconds)
{
    return double(nanoseconds) / 1e6;
}

qint64 median(std::vector<qint64> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

qint64 timed(const std::function<std::size_t()> &run, std::size_t *hits)
{
    std::vector<qint64> times;
    for (int i = 0; i < warmRuns; ++i) {
        QElapsedTimer timer;
        timer.start();
        *hits = run();
        times.push_back(timer.nsecsElapsed());
    }
    return median(times);
}

// memmem, std::boyer_moore_horspool_searcher, string_view::find and SubstringFinder over one folded column.
void compareSubstringSearches(
    const TextColumn &column, const QString &columnName, const QString &literal, QTextStream &out)
{
    const std::string_view texts = column.foldedTexts();
    const QByteArray needle = literal.toUtf8();
    const std::string_view word(needle.constData(), std::size_t(needle.size()));
    std::size_t hits = 0;
    const qint64 memmemTime = timed(
        [&] {
            std::size_t count = 0;
            const char *from = texts.data();
            const char *const end = texts.data() + texts.size();
            while (const void *hit = memmem(from, std::size_t(end - from), word.data(), word.size())) {
                ++count;
                from = static_cast<const char *>(hit) + 1;
            }
            return count;
        },
        &hits);
    const qint64 horspoolTime = timed(
        [&] {
            std::size_t count = 0;
            const std::boyer_moore_horspool_searcher searcher(word.begin(), word.end());
            for (auto from = texts.begin();;) {
                const auto hit = std::search(from, texts.end(), searcher);
                if (hit == texts.end())
                    break;
                ++count;
                from = hit + 1;
            }
            return count;
        },
        &hits);
    const qint64 finderTime = timed(
        [&] {
            std::size_t count = 0;
            const SubstringFinder finder(word);
            for (std::size_t at = finder.find(texts, 0); at != std::string_view::npos; at = finder.find(texts, at + 1))
                ++count;
            return count;
        },
        &hits);
    const qint64 findTime = timed(
        [&] {
            std::size_t count = 0;
            for (std::size_t at = texts.find(word); at != std::string_view::npos; at = texts.find(word, at + 1))
                ++count;
            return count;
        },
        &hits);
    out << u"  %1 '%2' over %3 MB, %4 hits: memmem %5 ms, horspool %6 ms, string_view::find %7 ms, "
           u"SubstringFinder %8 ms\n"_s.arg(columnName, literal)
               .arg(double(texts.size()) / 1e6, 0, 'f', 1)
               .arg(hits)
               .arg(milliseconds(memmemTime), 0, 'f', 1)
               .arg(milliseconds(horspoolTime), 0, 'f', 1)
               .arg(milliseconds(findTime), 0, 'f', 1)
               .arg(milliseconds(finderTime), 0, 'f', 1);
}

int generate(qint64 rows, const QString &path)
{
    QString error;
    if (!velkaro::mkbase::generateDirectory(rows, 1, path, &error)) {
        QTextStream(stderr) << error << '\n';
        return 1;
    }
    return 0;
}

int measure(qint64 rows)
{
    QTextStream out(stdout);
    QTemporaryDir folder;
    const QString path = folder.filePath(u"base.mdb"_s);
    if (QProcess::execute(QCoreApplication::applicationFilePath(), {u"--generate"_s, QString::number(rows), path})
        != 0) {
        out << "cannot generate " << rows << " rows\n";
        return 1;
    }
    const QString connectionText = u"DRIVER=Microsoft Access Driver (*.mdb);DBQ="_s + path;

    // A phone from the middle of the directory.
    QString phone;
    {
        const auto table = directoryTable(path);
        phone = table->values(*table->columnIndex(u"PHONE"_s)).text(table->rowCount() / 2).trimmed();
    }

    const std::vector<Query> queries {
        {u"phone"_s, u"SELECT * FROM Base WHERE PHONE='"_s + phone + u"'"_s},
        {u"subscriber"_s, u"SELECT * FROM Base WHERE ABONENT LIKE '%ИВАНОВ%' "_s},
        {u"address"_s, u"SELECT * FROM Base WHERE ADDRESS LIKE '%САДОВАЯ%Д% 5%КВ%.12'"_s},
        {u"remark"_s, u"SELECT * FROM Base WHERE COMMENT LIKE 'АПТЕКА' "_s},
    };
    const double fileMb = double(QFileInfo(path).size()) / 1e6;
    for (const Query &query : queries) {
        qint64 records = 0;
        clearDirectoryTableCache();
        const qint64 first = search(connectionText, query.sql, &records).total;
        std::vector<qint64> warm;
        std::vector<qint64> reading;
        for (int i = 0; i < warmRuns; ++i) {
            const SearchTime time = search(connectionText, query.sql, &records);
            warm.push_back(time.total);
            reading.push_back(time.reading);
        }
        const qint64 warmMedian = median(warm);
        out << u"%1 | %2 | %3 | %4 | %5 | %6 | %7 | %8 | %9\n"_s.arg(rows, 9)
                   .arg(fileMb, 7, 'f', 1)
                   .arg(query.kind, -10)
                   .arg(records, 7)
                   .arg(milliseconds(first), 8, 'f', 1)
                   .arg(milliseconds(warmMedian), 7, 'f', 2)
                   .arg(milliseconds(median(reading)), 9, 'f', 2)
                   .arg(double(rows) / (double(warmMedian) / 1e9) / 1e6, 12, 'f', 1)
                   .arg(double(peakMemoryKb()) / 1024, 7, 'f', 1);
    }
    out.flush();

    const auto kept = directoryTable(path);
    compareSubstringSearches(kept->values(*kept->columnIndex(u"ABONENT"_s)), u"ABONENT"_s, u"ИВАНОВ"_s, out);
    compareSubstringSearches(kept->values(*kept->columnIndex(u"ADDRESS"_s)), u"ADDRESS"_s, u"САДОВАЯ"_s, out);
    compareSubstringSearches(kept->values(*kept->columnIndex(u"ADDRESS"_s)), u"ADDRESS"_s, u"КВ."_s, out);
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() == 4 && arguments[1] == u"--generate"_s)
        return generate(arguments[2].toLongLong(), arguments[3]);
    if (arguments.size() == 3 && arguments[1] == u"--measure"_s)
        return measure(arguments[2].toLongLong());

    QStringList sizes = arguments.mid(1);
    if (sizes.isEmpty())
        sizes = {u"100000"_s, u"1000000"_s, u"2000000"_s};
    QTextStream out(stdout);
    out << "     rows | file MB | query      | records | first ms | warm ms | fields ms | warm Mrows/s | peak MB\n";
    out.flush();
    for (const QString &size : sizes) {
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedChannels);
        child.start(QCoreApplication::applicationFilePath(), {u"--measure"_s, size});
        if (!child.waitForFinished(-1) || child.exitCode() != 0)
            return 1;
    }
    return 0;
}
