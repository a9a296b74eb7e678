#pragma once

#include "ColumnDefinition.h"
#include "FieldValue.h"

#include <QString>

#include <memory>

namespace velkaro::mkbase {

// What an Access 97 file says about its texts, and what its text bytes are. Access 97 writes the client's ANSI bytes:
// a Russian Access with the General sort order says 1033/1252 in the header while its texts are 1251.
struct Jet3Text
{
    quint16 codePage = 1252; // header and every column descriptor
    quint16 sortOrder = 1033; // 1033 General, 1049 Cyrillic
    quint16 textCodePage = 1252; // texts and names are stored in this code page
};

// Writes an Access 97 (Jet 3) file with one table: the Jet 3 catalogue (the four system tables, without their
// indexes), the table's definition and data pages with inline usage maps. The whole file is built in memory; tables
// are limited to the 1,024 pages an inline map covers (about 2 MB).
class Jet3TableWriter
{
public:
    Jet3TableWriter();
    ~Jet3TableWriter();
    Jet3TableWriter(const Jet3TableWriter &) = delete;
    Jet3TableWriter &operator=(const Jet3TableWriter &) = delete;

    bool open(const QString &path, const QString &tableName, const QList<ColumnDefinition> &columns,
        const Jet3Text &text, QString *error);
    // One value per column, in column order. Texts must fit the text code page.
    bool addRow(const FieldValue *values, QString *error);
    bool commit(QString *error);

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace velkaro::mkbase
