#pragma once

#include <QString>

namespace velkaro::mkbase {

// Writes rows generated entries of DirectoryGenerator(seed) into the default columns of a table.
bool generateDirectory(qint64 rows, quint64 seed, const QString &mdbPath, QString *error);
bool generateDirectory(qint64 rows, quint64 seed, const QString &mdbPath, const QString &table, QString *error);

} // namespace velkaro::mkbase
