#pragma once

#include <QByteArray>
#include <QString>

namespace velkaro::mkbase {

// Writes rows generated entries of DirectoryGenerator(seed) into the default columns of a table.
bool generateDirectory(qint64 rows, quint64 seed, const QString &mdbPath, QString *error);
bool generateDirectory(qint64 rows, quint64 seed, const QString &mdbPath, const QString &table, QString *error);

// The same entries as CSV for writeMdbFromCsv and writeAccessFile: texts quoted, NULL as an empty unquoted field.
QByteArray generatedDirectoryCsv(qint64 rows, quint64 seed);

} // namespace velkaro::mkbase
