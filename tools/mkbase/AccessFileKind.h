#pragma once

#include "FileHeader.h"
#include "Jet3TableWriter.h"
#include "RowEdits.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <utility>

namespace velkaro::mkbase {

// Every kind of file Access leaves behind that tests need: the format, rows edited in Access, damaged moved rows
// and the locks that keep readers out.
struct AccessFileKind
{
    AccessFormat format = AccessFormat::Jet4;
    Jet3Text jet3; // code pages and sort order of a Jet 3 file
    RowEdits edits;
    QList<std::pair<int, MovedRowDamage>> damages; // moved rows whose home pointer goes astray
    QString password; // stored as the database password when not empty
    quint32 pageKey = 0; // not 0: the pages are encoded under this database key (Jet 3, Jet 4)
    bool encrypted = false; // an ACE file marked encrypted
};

// Writes one table from UTF-8 CSV text (as writeMdbFromCsv) as a file of that kind.
bool writeAccessFile(const QByteArray &csvUtf8, const QString &path, const AccessFileKind &kind, QString *error,
    const QString &table = QStringLiteral("Base"), const QString &columnList = QString());

// Turns a Jet 4 file our writer left at path (a Jet 3 file when the kind is Jet 3) into a file of that kind, in place.
bool finishAccessFile(const QString &path, const AccessFileKind &kind, QString *error);

} // namespace velkaro::mkbase
