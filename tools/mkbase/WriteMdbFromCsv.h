#pragma once

#include "Jet3TableWriter.h"

#include <QByteArray>
#include <QString>

namespace velkaro::mkbase {

// Writes one table from UTF-8 CSV text (header row first). columnList uses the --columns syntax; empty means the
// default five directory columns. Errors read "<source>, line N: ..." with source "CSV input".
bool writeMdbFromCsv(const QByteArray &csvUtf8, const QString &mdbPath, QString *error,
    const QString &table = QStringLiteral("Base"), const QString &columnList = QString());

// The same, naming the CSV's origin (usually its file path) in error messages.
bool writeMdbFromCsvSource(const QByteArray &csvUtf8, const QString &sourceName, const QString &mdbPath, QString *error,
    const QString &table = QStringLiteral("Base"), const QString &columnList = QString());

// The same as an Access 97 (Jet 3) file whose header and columns say text.codePage and text.sortOrder and whose
// texts are stored in text.textCodePage.
bool writeJet3FromCsv(const QByteArray &csvUtf8, const QString &sourceName, const QString &mdbPath,
    const Jet3Text &text, QString *error, const QString &table = QStringLiteral("Base"),
    const QString &columnList = QString());

} // namespace velkaro::mkbase
