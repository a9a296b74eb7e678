// Times searches in the real search window (offscreen) on generated directories, from the click on "Найти" until
// the result list has painted: a search pressed 1.5 s after a file was chosen in the settings dialog, then for
// each kind of search the first search on the file (pressed 1 s after the kept table was let go, as when the file
// was replaced while the window sat idle) and the median of the warm ones; the longest stretch the
// window's event loop went without serving a 5 ms timer during each; the same statement through mdb-sql on the
// same file as a ratio; and the peak memory. Each size is measured in a fresh process (this program started again
// with --measure). Sizes default to 100,000, 1,000,000, 2,000,000 and 5,000,000 entries; the files are generated
// into the folder given with --data (default: a temporary one) unless they are there already.
#include "BenchSupport.h"
#include "MkBase.h"
#include "database/table/TableCache.h"
#include "search/mdlFunc.h"
#include "ui/ResultListBox.h"
#include "ui/frmFinder.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>

using namespace Qt::StringLiterals;
using namespace velkaro;
using namespace velkaro::bench;

namespace {

constexpr int warmRuns = 5;

// Counts the paintings of a widget.
class PaintCounter : public QObject
{
public:
    explicit PaintCounter(QWidget *widget) { widget->installEventFilter(this); }
    int paints = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

// The longest wait between two ticks of a 5 ms timer, from start() on.
class LoopGapMeter
{
public:
    LoopGapMeter()
    {
        m_timer.setInterval(5);
        m_timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { tick(); });
        m_timer.start();
    }

    void start()
    {
        m_clock.start();
        m_last = 0;
        m_longest = 0;
    }
    double longestMs()
    {
        tick();
        return double(m_longest) / 1e6;
    }

private:
    void tick()
    {
        if (!m_clock.isValid())
            return;
        const qint64 now = m_clock.nsecsElapsed();
        m_longest = std::max(m_longest, now - m_last);
        m_last = now;
    }

    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_last = 0;
    qint64 m_longest = 0;
};

struct Timing
{
    double milliseconds = 0;
    double gapMs = 0;
    qint64 records = 0;
};

class WindowDriver
{
public:
    WindowDriver()
        : m_list(m_window.findChild<ui::ResultListBox *>(u"lstAbs"_s))
        , m_paints(m_list->viewport())
    {
        m_window.show();
        m_window.activateWindow();
    }

    void chooseFile(const QString &path)
    {
        m_window.findChild<QAction *>(u"mSettings"_s)->trigger();
        for (QWidget *top : QApplication::topLevelWidgets()) {
            auto *txtPath = top->findChild<QLineEdit *>(u"txtPath"_s);
            auto *cmdOK = top->findChild<QPushButton *>(u"cmdOK"_s);
            if (txtPath && cmdOK && top->isVisible()) {
                txtPath->setText(QDir::toNativeSeparators(path));
                cmdOK->click();
            }
        }
    }

    // Serves events for `milliseconds` without keeping a core busy, as an idle window does.
    void wait(int milliseconds)
    {
        QEventLoop loop;
        QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
        loop.exec();
    }

    Timing search(const search::SearchInputs &in)
    {
        const std::pair<const char *, QString> boxes[] = {{"txtStreet", in.street}, {"txtHouse", in.house},
            {"txtKorp", in.korp}, {"txtFlat", in.flat}, {"txtAb", in.ab}, {"txtPhone", in.phone},
            {"txtComment", in.comment}};
        for (const auto &[name, text] : boxes)
            m_window.findChild<QLineEdit *>(QString::fromLatin1(name))->setText(text);
        // Whatever the last search left to paint is painted first.
        wait(20);
        const int paintsBefore = m_paints.paints;
        QElapsedTimer clock;
        m_gaps.start();
        clock.start();
        m_window.findChild<QPushButton *>(u"cmdFind"_s)->click();
        while (m_paints.paints == paintsBefore && !clock.hasExpired(60000))
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        const double milliseconds = double(clock.nsecsElapsed()) / 1e6;
        return {milliseconds, m_gaps.longestMs(), m_list->ListCount() / 6};
    }

private:
    ui::frmFinder m_window;
    ui::ResultListBox *m_list;
    PaintCounter m_paints;
    LoopGapMeter m_gaps;
};

QString statementOf(const search::SearchInputs &inputs)
{
    search::SearchCriteria criteria;
    search::mdlFunc::deriveCriteria(inputs, criteria);
    return search::mdlFunc::buildQueryText(criteria);
}

void printRow(qint64 rows, const QString &kind, const Timing &timing, const QString &warm, const QString &warmGap,
    const MdbSqlTiming &reference, const QString &statement)
{
    const bool ran = reference.records >= 0;
    out() << column(QString::number(rows), 9) << column(kind, 22) << column(QString::number(timing.records), 8)
          << column(number(timing.milliseconds), 9) << column(number(timing.gapMs), 8) << column(warm, 9)
          << column(warmGap, 8) << column(ran ? number(reference.milliseconds) : u"n/a"_s, 11)
          << column(ran ? number(reference.milliseconds / timing.milliseconds, 2) + u'x' : u"n/a"_s, 9) << "   "
          << statement << Qt::endl;
}

int measure(const QString &path, qint64 rows)
{
    const std::vector<Query> queries = pickQueries(rows);
    if (queries.empty())
        return 1;
    WindowDriver window;
    const auto common = std::find_if(
        queries.begin(), queries.end(), [](const Query &query) { return query.kind.contains(u"ИВАНОВ"_s); });

    // The file chosen, and the search pressed 1.5 s later.
    window.chooseFile(path);
    window.wait(1500);
    const Timing afterStart = window.search(common->inputs);

    struct Row
    {
        Query query;
        Timing first;
        double warm = 0;
        double warmGap = 0;
    };
    std::vector<Row> results;
    for (const Query &query : queries) {
        database::clearDirectoryTableCache();
        // The work the last search left in the background ends, as it would in an idle window.
        window.wait(1000);
        Row row {query, window.search(query.inputs), 0, 0};
        std::vector<double> warm;
        for (int run = 0; run < warmRuns; ++run) {
            const Timing timing = window.search(query.inputs);
            warm.push_back(timing.milliseconds);
            row.warmGap = std::max(row.warmGap, timing.gapMs);
        }
        row.warm = median(warm);
        results.push_back(row);
    }
    // One more first search, watched for the reader's peak; kept apart so the sampling does not slow the timings.
    database::clearDirectoryTableCache();
    ChildPeakSampler sampler;
    window.search(common->inputs);
    const qint64 readerPeak = sampler.stop();
    const qint64 mainPeak = peakKilobytes();

    printRow(rows, u"1.5 s after choosing"_s, afterStart, u"-"_s, u"-"_s, timeMdbSql(path, statementOf(common->inputs)),
        statementOf(common->inputs));
    for (const Row &row : results) {
        const QString statement = statementOf(row.query.inputs);
        printRow(rows, row.query.kind, row.first, number(row.warm), number(row.warmGap, 1), timeMdbSql(path, statement),
            statement);
    }
    const double fileMegabytes = double(QFileInfo(path).size()) / (1024 * 1024);
    out() << column(QString::number(rows), 9) << "  file " << number(fileMegabytes) << " MB, peak memory "
          << number(double(mainPeak) / 1024) << " MB program + " << number(double(readerPeak) / 1024)
          << " MB reader = " << number(double(mainPeak + readerPeak) / 1024 / fileMegabytes, 2) << "x file" << Qt::endl;
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    if (arguments.size() == 4 && arguments.at(1) == u"--measure") {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        QApplication application(argc, argv);
        return measure(arguments.at(2), arguments.at(3).toLongLong());
    }
    QCoreApplication application(argc, argv);

    QString dataFolder;
    std::vector<qint64> sizes;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        if (arguments.at(i) == u"--data" && i + 1 < arguments.size()) {
            dataFolder = arguments.at(++i);
            continue;
        }
        bool ok = false;
        sizes.push_back(arguments.at(i).toLongLong(&ok));
        if (!ok || sizes.back() <= 0) {
            out() << "usage: bench_window [--data FOLDER] [ENTRIES...]" << Qt::endl;
            return 2;
        }
    }
    if (sizes.empty())
        sizes = {100'000, 1'000'000, 2'000'000, 5'000'000};
    QTemporaryDir temporary;
    if (dataFolder.isEmpty())
        dataFolder = temporary.path();

    out() << "Times from the click on \"Найти\" to the painted list. first: the first search on the file; warm: median "
             "of "
          << warmRuns << " more; gap: longest wait of a 5 ms timer during the search (warm: the longest of them); "
          << "mdb-sql: the same statement, whole process; ratio = mdb-sql / first.\n"
          << column(u"entries"_s, 9) << column(u"search"_s, 22) << column(u"found"_s, 8) << column(u"first ms"_s, 9)
          << column(u"gap ms"_s, 8) << column(u"warm ms"_s, 9) << column(u"gap ms"_s, 8) << column(u"mdb-sql ms"_s, 11)
          << column(u"ratio"_s, 9) << "   statement" << Qt::endl;
    for (const qint64 rows : sizes) {
        const QString path = QDir(dataFolder).filePath(u"directory-%1-%2.mdb"_s.arg(rows).arg(seed));
        QString error;
        if (!QFileInfo::exists(path) && !mkbase::generateDirectory(rows, seed, path, &error)) {
            out() << "cannot generate " << rows << " entries: " << error << Qt::endl;
            return 1;
        }
        if (!measureInChildProcess(path, rows))
            return 1;
    }
    return 0;
}
