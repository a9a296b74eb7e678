#include "Jet4FileBytes.h"

namespace {

quint32 read16(const QByteArray &bytes, qsizetype at)
{
    return quint8(bytes.at(at)) | quint32(quint8(bytes.at(at + 1))) << 8;
}

quint32 read32(const QByteArray &bytes, qsizetype at)
{
    return read16(bytes, at) | read16(bytes, at + 2) << 16;
}

} // namespace

Jet4FileBytes::Jet4FileBytes(QByteArray bytes)
    : m_bytes(std::move(bytes))
{ }

quint32 Jet4FileBytes::u16(quint32 page, int offset) const
{
    return read16(m_bytes, qsizetype(page) * kPageSize + offset);
}

quint32 Jet4FileBytes::u32(quint32 page, int offset) const
{
    return read32(m_bytes, qsizetype(page) * kPageSize + offset);
}

QList<QByteArray> Jet4FileBytes::rows(quint32 page) const
{
    QList<QByteArray> result;
    int end = kPageSize;
    for (quint32 row = 0; row < u16(page, 12); ++row) {
        const int start = int(u16(page, int(14 + 2 * row)) & 0x1FFF);
        result.append(m_bytes.mid(qsizetype(page) * kPageSize + start, end - start));
        end = start;
    }
    return result;
}

QByteArray Jet4FileBytes::row(quint32 rowPointer) const
{
    return rows(rowPointer >> 8).value(int(rowPointer & 0xFF));
}

QSet<quint32> Jet4FileBytes::mapPages(const QByteArray &mapRow) const
{
    QSet<quint32> pages;
    if (mapRow.at(0) == 0) {
        const quint32 start = read32(mapRow, 1);
        for (quint32 bit = 0; bit < quint32(mapRow.size() - 5) * 8; ++bit) {
            if (quint8(mapRow.at(5 + bit / 8)) >> (bit % 8) & 1)
                pages.insert(start + bit);
        }
        return pages;
    }
    constexpr quint32 kPagesPerSlot = 4092 * 8;
    for (quint32 slot = 0; 1 + 4 * slot + 4 <= quint32(mapRow.size()); ++slot) {
        const quint32 bitmapPage = read32(mapRow, 1 + 4 * slot);
        if (bitmapPage == 0)
            continue;
        if (pageType(bitmapPage) != 0x05)
            return {};
        for (quint32 bit = 0; bit < kPagesPerSlot; ++bit) {
            if (quint8(m_bytes.at(qsizetype(bitmapPage) * kPageSize + 4 + bit / 8)) >> (bit % 8) & 1)
                pages.insert(slot * kPagesPerSlot + bit);
        }
    }
    return pages;
}

QByteArray Jet4FileBytes::variableColumn(const QByteArray &row, int variableIndex, int columnNumber)
{
    const int columns = int(read16(row, 0));
    const int maskAt = int(row.size()) - (columns + 7) / 8;
    if (!(quint8(row.at(maskAt + columnNumber / 8)) >> (columnNumber % 8) & 1))
        return {};
    const int variables = int(read16(row, maskAt - 2));
    // Offsets run backwards from just before the count: variable 0 last, the end-of-data offset first.
    auto offset = [&](int index) { return int(read16(row, maskAt - 4 - 2 * index)); };
    const int start = offset(variableIndex);
    const int end = variableIndex + 1 < variables ? offset(variableIndex + 1) : offset(variables);
    return row.mid(start, end - start);
}

QList<Jet4FileBytes::Index> Jet4FileBytes::indexes(quint32 definitionPage) const
{
    const quint32 count = u32(definitionPage, 51);
    const quint32 columns = u16(definitionPage, 45);
    int at = int(63 + 12 * count + 25 * columns);
    for (quint32 column = 0; column < columns; ++column)
        at += 2 + int(u16(definitionPage, at));
    QList<Index> result;
    for (quint32 i = 0; i < count; ++i, at += 52) {
        Index index;
        for (int slot = 0; slot < 10 && u16(definitionPage, at + 4 + 3 * slot) != 0xFFFF; ++slot)
            index.columns.append(int(u16(definitionPage, at + 4 + 3 * slot)));
        index.leafPage = u32(definitionPage, at + 38);
        result.append(index);
    }
    return result;
}

QList<QByteArray> Jet4FileBytes::indexEntries(quint32 leafPage) const
{
    constexpr int kEntriesStart = 480;
    const qsizetype base = qsizetype(leafPage) * kPageSize;
    QList<QByteArray> entries;
    int start = 0;
    for (int end = 1; end < kPageSize - kEntriesStart; ++end) {
        if (quint8(m_bytes.at(base + 27 + end / 8)) >> (end % 8) & 1) {
            entries.append(m_bytes.mid(base + kEntriesStart + start, end - start));
            start = end;
        }
    }
    return entries;
}
