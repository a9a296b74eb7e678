#pragma once

#include "Jet3Format.h"

#include <QString>

// The system part of an Access 97 file and its fixed page numbers: the user table's data pages follow it.
namespace velkaro::mkbase::jet3 {

inline constexpr quint32 kUserTablePage = 8;
inline constexpr quint32 kFirstDataPage = kUserTablePage + 1;

struct CatalogueContents
{
    QByteArray tableName; // in the text code page
    TableDefinition user; // layout, names, row count; the maps are filled in
    quint32 dataPages = 0;
    bool lastPageHasRoom = false;
};

// Pages 0 to kUserTablePage: header, global map, the four system tables' definitions, the map page, the catalogue's
// rows and the user table's definition.
QByteArray cataloguePages(CatalogueContents contents);

} // namespace velkaro::mkbase::jet3
