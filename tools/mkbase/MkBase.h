#pragma once

#include "ColumnList.h"
#include "DirectoryGenerator.h"
#include "Jet4TableWriter.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTextStream>

namespace velkaro::mkbase {

// Writes one table from UTF-8 CSV text (header row first). columnList uses the --columns syntax; empty means the
// default five directory columns. Errors read "<source>, line N: ..." with source "CSV input".
bool writeMdbFromCsv(const QByteArray &csvUtf8, const QString &mdbPath, QString *error,
    const QString &table = QStringLiteral("Base"), const QString &columnList = QString());

// The same, naming the CSV's origin (usually its file path) in error messages.
bool writeMdbFromCsvSource(const QByteArray &csvUtf8, const QString &sourceName, const QString &mdbPath, QString *error,
    const QString &table = QStringLiteral("Base"), const QString &columnList = QString());

// Writes rows generated entries of DirectoryGenerator(seed) into the default columns of a table.
bool generateDirectory(qint64 rows, quint64 seed, const QString &mdbPath, QString *error);
bool generateDirectory(qint64 rows, quint64 seed, const QString &mdbPath, const QString &table, QString *error);

// The command-line body of velkaro-mkbase; arguments start with the program name. Returns the exit code; errors go
// to errors as one line each, help text to standard output.
int runMkBase(const QStringList &arguments, QTextStream &errors);

} // namespace velkaro::mkbase
