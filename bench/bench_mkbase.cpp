// Writes generated directory entries (1,000,000 unless given) and prints the speed, the file size and the peak
// memory of the process.
#include "MkBase.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTextStream>

#include <sys/resource.h>

using namespace Qt::StringLiterals;

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    const qint64 rows = arguments.size() > 1 ? arguments.at(1).toLongLong() : 1'000'000;
    QTextStream out(stdout);
    QTemporaryDir folder;
    if (!folder.isValid()) {
        out << "cannot create a temporary folder\n";
        return 1;
    }
    const QString path = folder.filePath(u"bench.mdb"_s);
    QString error;
    QElapsedTimer timer;
    timer.start();
    if (!velkaro::mkbase::generateDirectory(rows, 1, path, &error)) {
        out << error << '\n';
        return 1;
    }
    const qint64 milliseconds = std::max<qint64>(timer.elapsed(), 1);
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    out << "rows:           " << rows << '\n'
        << "milliseconds:   " << milliseconds << '\n'
        << "rows/second:    " << rows * 1000 / milliseconds << '\n'
        << "file bytes:     " << QFileInfo(path).size() << '\n'
        << "peak memory KB: " << usage.ru_maxrss << '\n';
    return 0;
}
