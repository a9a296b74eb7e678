#pragma once

#include "Jet4Format.h"

namespace velkaro::mkbase::jet4 {

// Fixed page numbers of the files we write: the system part first, then the user table's data pages, then the
// usage-bitmap pages of the user table's map and of the global map.
inline constexpr quint32 kUserTablePage = 16;
inline constexpr quint32 kFirstDataPage = kUserTablePage + 1;
inline constexpr int kCataloguePageCount = int(kFirstDataPage);

struct CatalogueContents
{
    QString tableName;
    TableLayout userLayout;
    quint32 rowCount = 0;
    quint32 dataPages = 0;
    bool lastPageHasRoom = false; // the last data page can take another row
};

// Pages of the whole file when the user table has dataPages data pages.
quint32 filePages(quint32 dataPages);

// The pages before the user table's data: header, global usage map, the four Jet system tables, the map page, the
// catalogue's rows and the user table's definition.
QByteArray cataloguePages(const CatalogueContents &contents);

// The usage-bitmap pages that follow the data pages.
QByteArray trailingPages(const CatalogueContents &contents);

} // namespace velkaro::mkbase::jet4
