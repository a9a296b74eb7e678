// Fills the main window's result list with 10,000 six-line entries (60,000 lines) offscreen and prints the time
// from the first append until the list is laid out and painted.

#include "ui/ListBoxResults.h"
#include "ui/frmFinder.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QListWidget>
#include <QTextStream>

#include <algorithm>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

constexpr int entries = 10000;
constexpr int runs = 5;

QStringList entryLines(int i)
{
    return {QString(), u"   Абонент:                ИВАНОВ ИВАН ИВАНОВИЧ %1"_s.arg(i),
        u"   Телефон:              %1"_s.arg(1000000 + i),
        u"   Адрес:                   УЛ. САДОВАЯ Д. %1 КОРП. 2 КВ.%2"_s.arg(i % 200).arg(i % 500),
        u"   Тип:                         ЛИЧНЫЙ"_s, u"   Примечания:        "_s};
}

// Median milliseconds of filling the list in batches of `entriesPerBatch` entries.
qint64 fillTime(QListWidget &list, int entriesPerBatch)
{
    std::vector<QStringList> batches;
    for (int first = 0; first < entries; first += entriesPerBatch) {
        QStringList batch;
        for (int i = first; i < std::min(entries, first + entriesPerBatch); ++i)
            batch += entryLines(i);
        batches.push_back(batch);
    }

    velkaro::ui::ListBoxResults results(list);
    std::vector<qint64> times;
    for (int run = 0; run < runs; ++run) {
        results.clear();
        QApplication::processEvents();
        QElapsedTimer timer;
        timer.start();
        for (const QStringList &batch : batches)
            results.append(batch);
        QApplication::processEvents();
        list.repaint();
        times.push_back(timer.elapsed());
        if (list.count() != entries * 6)
            qFatal("the list holds %d lines", int(list.count()));
    }
    std::sort(times.begin(), times.end());
    return times[runs / 2];
}

} // namespace

int main(int argc, char *argv[])
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("offscreen"));
    QApplication app(argc, argv);
    velkaro::ui::frmFinder window;
    window.show();
    QApplication::processEvents();
    auto *list = window.findChild<QListWidget *>(u"lstAbs"_s);

    QTextStream out(stdout);
    out << "lstAbs, " << entries * 6 << " lines, median of " << runs << " runs\n";
    out << "  one entry a batch:        " << fillTime(*list, 1) << " ms\n";
    out << "  2,000 entries a batch:    " << fillTime(*list, 2000) << " ms\n";
    return 0;
}
