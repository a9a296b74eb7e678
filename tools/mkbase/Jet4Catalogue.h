#pragma once

#include "Jet4Format.h"

namespace velkaro::mkbase::jet4 {

// Fixed page numbers of the files we write: the system part on pages 0-8, the user table's rows from page 9.
inline constexpr quint32 UserTablePage = 8;
inline constexpr quint32 FirstDataPage = 9;
inline constexpr int CataloguePageCount = 9;

// Row pointers of the user table's usage maps on the map page.
quint32 userOwnedPagesMap();
quint32 userFreePagesMap();

struct CatalogueContents
{
    QString tableName;
    TableLayout userLayout;
    quint32 rowCount = 0;
    QByteArray ownedPagesMap; // the user table's owned-pages map row
    quint32 totalPages = 0;
};

// Pages 0-8: header, global usage map, the four Jet system tables, the map page, the catalogue rows and the
// user table's definition.
QByteArray cataloguePages(const CatalogueContents &contents);

} // namespace velkaro::mkbase::jet4
