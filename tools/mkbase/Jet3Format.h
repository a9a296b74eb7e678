#pragma once

#include "Jet4Format.h"

#include <QByteArray>
#include <QList>

// Byte-level building blocks of Access 97 (Jet 3) files: 2048-byte pages, table definitions with 18-byte column
// descriptors, rows with one-byte variable offsets and a jump table. Column layouts are Jet 4's; text lengths count
// bytes.
namespace velkaro::mkbase::jet3 {

inline constexpr int kPageSize = 2048;
inline constexpr int kDataPageHeaderSize = 10;
inline constexpr int kMaxRowsPerPage = 255;
inline constexpr int kMaxRowSize = 2012;
inline constexpr int kMapRowSize = 133; // a 128-byte bitmap: 1024 pages
inline constexpr quint32 kInlineMapPages = (kMapRowSize - 5) * 8;

struct TableDefinition
{
    jet4::TableLayout layout;
    QList<QByteArray> columnNames; // in the file's code page
    quint8 tableType = 0x4E; // 0x4E user table, 0x53 system table
    quint32 rowCount = 0;
    quint32 ownedPagesMap = 0;
    quint32 freePagesMap = 0;
    quint16 sortOrder = 1033;
    quint16 codePage = 1252;
};

int tableDefinitionSize(const TableDefinition &definition);
QByteArray tableDefinitionPage(const TableDefinition &definition);

// One entry per column: a null QByteArray for NULL, else the stored bytes (texts already in the code page).
QByteArray encodeRow(const jet4::TableLayout &layout, const QList<QByteArray> &values);

// Largest row a layout can produce.
int worstCaseRowSize(const jet4::TableLayout &layout);

// Free space of a data page holding rows of these lengths.
int freeSpace(const QList<QByteArray> &rows);

// A data page owned by the given table definition page, holding the rows in order.
QByteArray dataPage(quint32 ownerPage, const QList<QByteArray> &rows);

// A type-0 usage map row of Access's size naming pages first..last (none when first > last), all below 1024.
QByteArray inlineMap(quint32 first, quint32 last);

} // namespace velkaro::mkbase::jet3
