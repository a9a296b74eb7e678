#include "Jet4Format.h"

#include "PageRows.h"
#include "RowFields.h"

#include <algorithm>
#include <numeric>

namespace velkaro::mkbase::jet4 {

namespace {

constexpr quint32 kDefinitionMarker = 0x00000659;
constexpr int kDefinitionFixedBlock = 63;
constexpr int kColumnDescriptorSize = 25;
constexpr quint8 kSortOrderGeneral[4] = {0x09, 0x04, 0x00, 0x00};
constexpr int kIndexCountSize = 12;
constexpr int kRealIndexSize = 52;
constexpr int kLogicalIndexSize = 28;
constexpr int kIndexColumnSlots = 10;
constexpr quint32 kRealIndexMarker = 0x00000783;

bool fitsOneByte(char16_t c)
{
    return c >= 0x01 && c <= 0xFF;
}

// FF FE, then one-byte runs for U+0001..U+00FF and two-byte runs for the rest, a 00 byte at every switch.
int encodeMixed(std::u16string_view text, quint8 *out)
{
    int length = 0;
    out[length++] = 0xFF;
    out[length++] = 0xFE;
    bool oneByteMode = true;
    for (const char16_t c : text) {
        if (fitsOneByte(c) != oneByteMode) {
            out[length++] = 0x00;
            oneByteMode = !oneByteMode;
        }
        out[length++] = quint8(c);
        if (!oneByteMode)
            out[length++] = quint8(c >> 8);
    }
    return length;
}

// Real indexes, then logical ones sorted by name (each using the real index of its number), then their names.
int writeIndexes(const QList<IndexDefinition> &indexes, quint8 *bytes, int at)
{
    for (const IndexDefinition &index : indexes) {
        quint8 *d = bytes + at;
        put32(d, kRealIndexMarker);
        for (int slot = 0; slot < kIndexColumnSlots; ++slot) {
            quint8 *column = d + 4 + 3 * slot;
            put16(column, slot < index.columns.size() ? index.columns.at(slot) : 0xFFFF);
            column[2] = slot < index.columns.size() ? 0x01 : 0x00; // ascending
        }
        put32(d + 34, index.usageMap);
        put32(d + 38, index.leafPage);
        d[46] = index.flags;
        at += kRealIndexSize;
    }
    QList<int> byName(indexes.size());
    std::iota(byName.begin(), byName.end(), 0);
    std::sort(byName.begin(), byName.end(), [&](int a, int b) { return indexes.at(a).name < indexes.at(b).name; });
    for (const int number : byName) {
        quint8 *d = bytes + at;
        put32(d, kDefinitionMarker);
        put32(d + 4, quint32(number));
        put32(d + 8, quint32(number));
        put32(d + 13, 0xFFFFFFFF); // no foreign key
        d[21] = 0x04;
        d[22] = 0x04;
        d[23] = indexes.at(number).primaryKey ? 0x01 : 0x00;
        at += kLogicalIndexSize;
    }
    for (const int number : byName) {
        const QString &name = indexes.at(number).name;
        put16(bytes + at, quint32(2 * name.size()));
        at += 2;
        for (const QChar c : name) {
            put16(bytes + at, c.unicode());
            at += 2;
        }
    }
    return at;
}

} // namespace

TableLayout makeLayout(QList<ColumnLayout> columns)
{
    TableLayout layout;
    for (ColumnLayout &column : columns) {
        column.variableBefore = quint16(layout.variableCount);
        if (column.type == Boolean) {
            column.fixed = true;
            column.fixedOffset = 0;
        } else if (column.fixed) {
            column.fixedOffset = quint16(layout.fixedSize);
            layout.fixedSize += column.length;
        } else {
            column.variableIndex = quint16(layout.variableCount++);
        }
    }
    layout.columns = std::move(columns);
    return layout;
}

int worstCaseRowSize(const TableLayout &layout)
{
    int size = 2 + layout.fixedSize + (int(layout.columns.size()) + 7) / 8;
    if (layout.variableCount > 0)
        size += 2 + 2 * layout.variableCount + 2;
    for (const ColumnLayout &column : layout.columns) {
        if (column.fixed)
            continue;
        if (column.length == 0)
            return -1;
        size += column.length;
    }
    return size;
}

bool pageHasRoomForRow(int freeSpace, int rows, const TableLayout &layout)
{
    int smallest = 2 + layout.fixedSize + (int(layout.columns.size()) + 7) / 8;
    if (layout.variableCount > 0)
        smallest += 2 + 2 * layout.variableCount + 2;
    return rows < kMaxRowsPerPage && smallest + 2 <= freeSpace;
}

int tableDefinitionSize(const TableDefinition &definition)
{
    int size = kDefinitionFixedBlock + kColumnDescriptorSize * int(definition.layout.columns.size());
    for (const ColumnLayout &column : definition.layout.columns)
        size += 2 + 2 * int(column.name.size());
    for (const IndexDefinition &index : definition.indexes)
        size += kIndexCountSize + kRealIndexSize + kLogicalIndexSize + 2 + 2 * int(index.name.size());
    return size + 10 * int(definition.longValueMaps.size()) + 2;
}

QByteArray tableDefinitionPage(const TableDefinition &definition)
{
    const TableLayout &layout = definition.layout;
    const int size = tableDefinitionSize(definition);
    QByteArray page(kPageSize, '\0');
    auto *bytes = reinterpret_cast<quint8 *>(page.data());
    bytes[0] = 0x02;
    bytes[1] = 0x01;
    put16(bytes + 2, quint32(kPageSize - size - 8));
    put32(bytes + 8, quint32(size));
    put32(bytes + 12, kDefinitionMarker);
    put32(bytes + 16, definition.rowCount);
    bytes[24] = 0x01;
    bytes[40] = definition.tableType;
    put16(bytes + 41, quint32(layout.columns.size()));
    put16(bytes + 43, quint32(layout.variableCount));
    put16(bytes + 45, quint32(layout.columns.size()));
    put32(bytes + 47, quint32(definition.indexes.size()));
    put32(bytes + 51, quint32(definition.indexes.size()));
    put32(bytes + 55, definition.ownedPagesMap);
    put32(bytes + 59, definition.freePagesMap);

    int at = kDefinitionFixedBlock;
    for (qsizetype i = 0; i < definition.indexes.size(); ++i, at += kIndexCountSize)
        put32(bytes + at + 4, definition.rowCount);
    for (int number = 0; number < layout.columns.size(); ++number) {
        const ColumnLayout &column = layout.columns.at(number);
        quint8 *d = bytes + at;
        d[0] = column.type;
        put32(d + 1, kDefinitionMarker);
        put16(d + 5, quint32(number));
        put16(d + 7, column.fixed ? column.variableBefore : column.variableIndex);
        put16(d + 9, quint32(number));
        std::memcpy(d + 11, kSortOrderGeneral, sizeof kSortOrderGeneral);
        d[15] = column.flags;
        d[16] = column.extendedFlags;
        put16(d + 21, column.fixed ? column.fixedOffset : 0);
        put16(d + 23, column.length);
        at += kColumnDescriptorSize;
    }
    for (const ColumnLayout &column : layout.columns) {
        put16(bytes + at, quint32(2 * column.name.size()));
        at += 2;
        for (const QChar c : column.name) {
            put16(bytes + at, c.unicode());
            at += 2;
        }
    }
    at = writeIndexes(definition.indexes, bytes, at);
    for (const LongValueMaps &maps : definition.longValueMaps) {
        put16(bytes + at, maps.column);
        put32(bytes + at + 2, maps.ownedPagesMap);
        put32(bytes + at + 6, maps.freePagesMap);
        at += 10;
    }
    put16(bytes + at, 0xFFFF);
    return page;
}

QByteArray indexLeafPage(quint32 tablePage, const QList<QByteArray> &entries)
{
    QByteArray page(kPageSize, '\0');
    auto *bytes = reinterpret_cast<quint8 *>(page.data());
    bytes[0] = 0x04;
    bytes[1] = 0x01;
    put32(bytes + 4, tablePage);
    constexpr int kEntryEndsBitmap = 27;
    int at = kIndexEntriesStart;
    for (const QByteArray &entry : entries) {
        std::memcpy(bytes + at, entry.constData(), size_t(entry.size()));
        at += int(entry.size());
        Q_ASSERT(at <= kPageSize);
        const int end = at - kIndexEntriesStart;
        bytes[kEntryEndsBitmap + end / 8] |= quint8(1 << (end % 8));
    }
    put16(bytes + 2, quint32(kPageSize - at));
    return page;
}

void finishDataPage(quint8 *page, quint32 ownerPage, int rowCount, int freeSpace)
{
    page[0] = 0x01;
    page[1] = 0x01;
    put16(page + 2, quint32(freeSpace));
    put32(page + 4, ownerPage);
    put32(page + 8, 0);
    put16(page + 12, quint32(rowCount));
}

QByteArray dataPage(quint32 ownerPage, const QList<QByteArray> &rows)
{
    QByteArray page(kPageSize, '\0');
    const int freeSpace = jet::placeRows(page, kDataPageHeaderSize, rows);
    finishDataPage(reinterpret_cast<quint8 *>(page.data()), ownerPage, int(rows.size()), freeSpace);
    return page;
}

int encodeText(std::u16string_view text, quint8 *out)
{
    const int size = int(text.size());
    if (size == 0)
        return 0; // never a bare FF FE: one reader would return U+FEFF
    bool allOneByte = true;
    bool lowByteZero = false;
    for (const char16_t c : text) {
        allOneByte = allOneByte && fitsOneByte(c);
        lowByteZero = lowByteZero || (c & 0xFF) == 0;
    }
    if (allOneByte && size >= 3) {
        out[0] = 0xFF;
        out[1] = 0xFE;
        for (int i = 0; i < size; ++i)
            out[2 + i] = quint8(text[size_t(i)]);
        return size + 2;
    }
    if (text.front() == 0xFEFF && !lowByteZero)
        return encodeMixed(text, out); // plain, it would read as the compression marker
    for (int i = 0; i < size; ++i)
        put16(out + 2 * i, text[size_t(i)]);
    return 2 * size;
}

QByteArray encodeRow(const TableLayout &layout, const QList<QByteArray> &values)
{
    jet::RowFields fields = jet::layOutFields(layout, values, 2);
    QByteArray &row = fields.row;
    put16(row, 0, quint32(layout.columns.size()));
    if (layout.variableCount > 0) {
        QByteArray tail(2 * (layout.variableCount + 2), '\0');
        put16(tail, 0, quint32(row.size()));
        for (int i = 0; i < layout.variableCount; ++i)
            put16(tail, 2 + 2 * i, quint32(fields.variableStarts.at(layout.variableCount - 1 - i)));
        put16(tail, 2 + 2 * layout.variableCount, quint32(layout.variableCount));
        row.append(tail);
    }
    return row + fields.mask;
}

} // namespace velkaro::mkbase::jet4
