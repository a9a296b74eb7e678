#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <cstring>
#include <string_view>

// Byte-level building blocks of the Jet 4 file format: pages, column layouts, table definitions, rows, texts.
namespace velkaro::mkbase::jet4 {

inline constexpr int kPageSize = 4096;
inline constexpr int kDataPageHeaderSize = 14;
inline constexpr int kMaxRowsPerPage = 255;
inline constexpr int kMaxRowSize = 4060;
inline constexpr quint32 kMaxPages = 524288; // 2 GB

enum TypeCode : quint8 {
    Boolean = 0x01,
    Byte = 0x02,
    Integer = 0x03,
    LongInteger = 0x04,
    Double = 0x07,
    DateTime = 0x08,
    Binary = 0x09,
    Text = 0x0A,
    Ole = 0x0B,
    Memo = 0x0C,
};

inline void put16(quint8 *at, quint32 value)
{
    at[0] = quint8(value);
    at[1] = quint8(value >> 8);
}

inline void put32(quint8 *at, quint32 value)
{
    put16(at, value);
    put16(at + 2, value >> 16);
}

inline void put16(QByteArray &page, int offset, quint32 value)
{
    put16(reinterpret_cast<quint8 *>(page.data()) + offset, value);
}
inline void put32(QByteArray &page, int offset, quint32 value)
{
    put32(reinterpret_cast<quint8 *>(page.data()) + offset, value);
}

inline QByteArray bytes16(quint32 value)
{
    QByteArray bytes(2, '\0');
    put16(bytes, 0, value);
    return bytes;
}
inline QByteArray bytes32(quint32 value)
{
    QByteArray bytes(4, '\0');
    put32(bytes, 0, value);
    return bytes;
}

inline constexpr quint32 rowPointer(quint32 page, quint32 row)
{
    return page << 8 | row;
}

// A column as the table definition and the rows see it.
struct ColumnLayout
{
    QString name;
    quint8 type = Text;
    quint8 flags = 0; // 0x01 fixed length, 0x02 updatable, 0x10/0x20 as the system tables carry them
    quint8 extendedFlags = 0; // 0x01 Unicode compression
    quint16 length = 0; // bytes: 1/2/4/8 for numbers, 2 x characters for text, 0 for memo/OLE
    bool fixed = false;
    quint16 fixedOffset = 0; // position in the fixed area of a row
    quint16 variableIndex = 0;
    quint16 variableBefore = 0; // variable columns with a lower number (what Access stores for fixed columns)
};

// Column descriptors with fixed offsets and variable indexes assigned in column order.
struct TableLayout
{
    QList<ColumnLayout> columns;
    int fixedSize = 0;
    int variableCount = 0;
};

TableLayout makeLayout(QList<ColumnLayout> columns);

// Largest row a layout can produce, or -1 when a memo/OLE column makes it unbounded.
int worstCaseRowSize(const TableLayout &layout);

// Whether a data page with that much free space and that many rows can take the smallest row of the layout.
bool pageHasRoomForRow(int freeSpace, int rows, const TableLayout &layout);

struct LongValueMaps
{
    quint16 column;
    quint32 ownedPagesMap;
    quint32 freePagesMap;
};

// An index over columns of a table, ascending in each; its entries live on one leaf page.
struct IndexDefinition
{
    QString name;
    QList<quint16> columns;
    quint8 flags = 0x80; // 0x01 unique, 0x02 NULLs not indexed, 0x08 required; 0x80 in every Access 2000+ file
    bool primaryKey = false;
    quint32 usageMap = 0; // row pointer to the map of the index's pages
    quint32 leafPage = 0;
};

struct TableDefinition
{
    TableLayout layout;
    quint8 tableType = 0x4E; // 0x4E user table, 0x53 system table
    quint32 rowCount = 0;
    quint32 ownedPagesMap = 0;
    quint32 freePagesMap = 0;
    QList<LongValueMaps> longValueMaps;
    QList<IndexDefinition> indexes; // numbered in this order
};

// Size of the definition in bytes, 8-byte page header included.
int tableDefinitionSize(const TableDefinition &definition);
QByteArray tableDefinitionPage(const TableDefinition &definition);

// A leaf page of an index of the table on tablePage, which is also the index's root: entries (key bytes, then the
// row's page as 3 bytes big-endian and its row number) in ascending order. They must fit one page.
QByteArray indexLeafPage(quint32 tablePage, const QList<QByteArray> &entries);
inline constexpr int kIndexEntriesStart = 480;

// A data page owned by the given TDEF page, holding the rows in order.
QByteArray dataPage(quint32 ownerPage, const QList<QByteArray> &rows);

// Finishes a data page whose rows were placed from the end: fills in the header fields.
void finishDataPage(quint8 *page, quint32 ownerPage, int rowCount, int freeSpace);

// Writes the stored form of a text value (compressed when Access would compress it) and returns its length in
// bytes; out needs room for 2 x size + 3 bytes.
int encodeText(std::u16string_view text, quint8 *out);

// Generic row encoder for the catalogue: one entry per column, a null QByteArray for NULL, else the stored bytes.
QByteArray encodeRow(const TableLayout &layout, const QList<QByteArray> &values);

} // namespace velkaro::mkbase::jet4
