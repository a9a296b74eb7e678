#include "Jet3Format.h"

#include "PageRows.h"
#include "RowFields.h"

namespace velkaro::mkbase::jet3 {

using jet4::put16;
using jet4::put32;

namespace {

constexpr int kDefinitionFixedBlock = 43;
constexpr int kColumnDescriptorSize = 18;

int maskSize(const jet4::TableLayout &layout)
{
    return (int(layout.columns.size()) + 7) / 8;
}

} // namespace

int tableDefinitionSize(const TableDefinition &definition)
{
    int size = kDefinitionFixedBlock + kColumnDescriptorSize * int(definition.layout.columns.size());
    for (const QByteArray &name : definition.columnNames)
        size += 1 + int(name.size());
    return size + 2;
}

QByteArray tableDefinitionPage(const TableDefinition &definition)
{
    const jet4::TableLayout &layout = definition.layout;
    const int size = tableDefinitionSize(definition);
    QByteArray page(kPageSize, '\0');
    auto *bytes = reinterpret_cast<quint8 *>(page.data());
    bytes[0] = 0x02;
    bytes[1] = 0x01;
    bytes[2] = 'V'; // what Access 97 keeps here in every definition
    bytes[3] = 'C';
    put32(bytes + 8, quint32(size));
    put32(bytes + 12, definition.rowCount);
    bytes[20] = definition.tableType;
    put16(bytes + 21, quint32(layout.columns.size()));
    put16(bytes + 23, quint32(layout.variableCount));
    put16(bytes + 25, quint32(layout.columns.size()));
    put32(bytes + 35, definition.ownedPagesMap);
    put32(bytes + 39, definition.freePagesMap);
    int at = kDefinitionFixedBlock;
    for (int number = 0; number < layout.columns.size(); ++number) {
        const jet4::ColumnLayout &column = layout.columns.at(number);
        quint8 *d = bytes + at;
        d[0] = column.type;
        put16(d + 1, quint32(number));
        put16(d + 3, column.fixed ? column.variableBefore : column.variableIndex);
        put16(d + 5, quint32(number));
        put16(d + 7, 1);
        put16(d + 9, definition.sortOrder);
        put16(d + 11, definition.codePage);
        d[13] = column.flags;
        put16(d + 14, column.fixed ? column.fixedOffset : 0);
        put16(d + 16, column.length);
        at += kColumnDescriptorSize;
    }
    for (const QByteArray &name : definition.columnNames) {
        bytes[at++] = quint8(name.size());
        std::memcpy(bytes + at, name.constData(), size_t(name.size()));
        at += int(name.size());
    }
    put16(bytes + at, 0xFFFF);
    return page;
}

int worstCaseRowSize(const jet4::TableLayout &layout)
{
    if (layout.variableCount == 0)
        return 1 + layout.fixedSize + maskSize(layout);
    int data = 1 + layout.fixedSize; // where the variable data ends: count byte, fixed area, texts
    for (const jet4::ColumnLayout &column : layout.columns)
        data += column.fixed ? 0 : column.length;
    const int size = data + 1 + layout.variableCount + 1 + maskSize(layout);
    return size + (size - 1) / 256 + 1; // the jump table, a filler entry included
}

QByteArray encodeRow(const jet4::TableLayout &layout, const QList<QByteArray> &values)
{
    jet::RowFields fields = jet::layOutFields(layout, values, 1);
    QByteArray &row = fields.row;
    const QByteArray &mask = fields.mask;
    row[0] = char(layout.columns.size());
    if (layout.variableCount == 0)
        return row + mask;
    const int end = int(row.size());
    QList<int> &starts = fields.variableStarts; // then the end of the data
    starts.append(end);
    // Offsets keep their low byte; the jump table names, nearest the count first, the index at which each further
    // 256 begins. A reader takes the table's size from the row length, (length - 1) / 256 entries, and ignores the
    // farthest entry when the data ends below that many 256s: so one filler entry may be needed.
    QByteArray jumps;
    int high = 0;
    for (int index = 0; index < starts.size(); ++index) {
        for (; high < starts.at(index) / 256; ++high)
            jumps.prepend(char(index));
    }
    const int withoutJumps = end + 1 + layout.variableCount + 1 + int(mask.size());
    if ((withoutJumps + int(jumps.size()) - 1) / 256 > jumps.size())
        jumps.prepend(char(0xFF));
    Q_ASSERT((withoutJumps + int(jumps.size()) - 1) / 256 == jumps.size());
    row.append(char(end));
    for (int index = layout.variableCount - 1; index >= 0; --index)
        row.append(char(starts.at(index)));
    return row + jumps + char(layout.variableCount) + mask;
}

int freeSpace(const QList<QByteArray> &rows)
{
    int free = kPageSize - kDataPageHeaderSize;
    for (const QByteArray &row : rows)
        free -= int(row.size()) + 2;
    return free;
}

QByteArray dataPage(quint32 ownerPage, const QList<QByteArray> &rows)
{
    QByteArray page(kPageSize, '\0');
    auto *bytes = reinterpret_cast<quint8 *>(page.data());
    bytes[0] = 0x01;
    bytes[1] = 0x01;
    put32(bytes + 4, ownerPage);
    put16(bytes + 8, quint32(rows.size()));
    put16(bytes + 2, quint32(jet::placeRows(page, kDataPageHeaderSize, rows)));
    return page;
}

QByteArray inlineMap(quint32 first, quint32 last)
{
    QByteArray map(kMapRowSize, '\0');
    for (quint32 page = first; page <= last && first <= last; ++page)
        map[5 + page / 8] = char(map.at(5 + page / 8) | (1 << (page % 8)));
    return map;
}

} // namespace velkaro::mkbase::jet3
