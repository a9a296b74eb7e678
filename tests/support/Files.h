#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

namespace velkaro::testing {

// The whole contents of the file at `path`; empty when it cannot be read, which the comparison that follows
// then reports.
inline QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace velkaro::testing
