#include "database/readtable/ProcessCpuTime.h"

#include <QByteArray>
#include <QFile>
#include <QList>

#include <unistd.h>

namespace velkaro::database {

std::optional<std::chrono::milliseconds> processCpuTime(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return std::nullopt;
    // pid (comm) state ppid ... utime stime: the 14th and 15th fields, in clock ticks.
    const QByteArray line = stat.readAll();
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    const long ticksPerSecond = sysconf(_SC_CLK_TCK);
    if (fields.size() < 13 || ticksPerSecond <= 0)
        return std::nullopt;
    bool userRead = false;
    bool systemRead = false;
    const qulonglong ticks = fields.at(11).toULongLong(&userRead) + fields.at(12).toULongLong(&systemRead);
    if (!userRead || !systemRead)
        return std::nullopt;
    return std::chrono::milliseconds(ticks * 1000 / qulonglong(ticksPerSecond));
}

} // namespace velkaro::database
