#include "Jet4UsageMaps.h"

namespace velkaro::mkbase::jet4 {

namespace {

// Page 1 holds the global map and a second, empty map row.
constexpr int kGlobalRowLimit = kPageSize - kDataPageHeaderSize - 2 * 2 - kMapRowSize;
constexpr quint32 kGlobalInlinePages = (kGlobalRowLimit - 5) * 8;

void setBit(quint8 *bitmap, quint32 bit)
{
    bitmap[bit / 8] |= quint8(1 << (bit % 8));
}

quint32 slotsFor(quint32 pages)
{
    return (pages + kPagesPerBitmapPage - 1) / kPagesPerBitmapPage;
}

QByteArray bitmapPage()
{
    QByteArray page(kPageSize, '\0');
    page[0] = 0x05;
    page[1] = 0x01;
    return page;
}

} // namespace

QByteArray inlineMap(quint32 first, quint32 last)
{
    QByteArray map(kMapRowSize, '\0');
    if (first > last)
        return map;
    const quint32 start = last < kInlineMapPages ? 0 : first / 8 * 8;
    Q_ASSERT(last - start < kInlineMapPages);
    put32(map, 1, start);
    auto *bitmap = reinterpret_cast<quint8 *>(map.data()) + 5;
    for (quint32 page = first; page <= last; ++page)
        setBit(bitmap, page - start);
    return map;
}

quint32 bitmapPagesForRange(quint32 last)
{
    return last < kInlineMapPages ? 0 : slotsFor(last + 1);
}

QByteArray pageRangeMap(quint32 first, quint32 last, quint32 firstBitmapPage, QByteArray *bitmapPages)
{
    if (first > last || last < kInlineMapPages)
        return inlineMap(first, last);
    QByteArray map(kMapRowSize, '\0');
    map[0] = 0x01;
    for (quint32 slot = 0; slot < slotsFor(last + 1); ++slot) {
        put32(map, int(1 + 4 * slot), firstBitmapPage + slot);
        QByteArray bitmap = bitmapPage();
        auto *bits = reinterpret_cast<quint8 *>(bitmap.data()) + 4;
        const quint32 slotStart = slot * kPagesPerBitmapPage;
        for (quint32 page = std::max(first, slotStart); page <= std::min(last, slotStart + kPagesPerBitmapPage - 1);
             ++page)
            setBit(bits, page - slotStart);
        *bitmapPages += bitmap;
    }
    return map;
}

quint32 globalBitmapPages(quint32 pagesBefore)
{
    if (pagesBefore <= kGlobalInlinePages)
        return 0;
    quint32 slots = slotsFor(pagesBefore);
    while (slotsFor(pagesBefore + slots) > slots)
        ++slots;
    return slots;
}

QByteArray globalMap(quint32 totalPages, quint32 bitmapPageCount, QByteArray *bitmapPages)
{
    if (bitmapPageCount == 0) { // inline, covering at least the 512 pages of Access's row
        const quint32 range = std::max(kInlineMapPages, (totalPages + 7) / 8 * 8);
        QByteArray map(int(5 + range / 8), '\0');
        auto *bitmap = reinterpret_cast<quint8 *>(map.data()) + 5;
        for (quint32 page = totalPages; page < range; ++page)
            setBit(bitmap, page);
        return map;
    }
    QByteArray map(kMapRowSize, '\0');
    map[0] = 0x01;
    for (quint32 slot = 0; slot < slotsFor(totalPages); ++slot) {
        put32(map, int(1 + 4 * slot), totalPages - bitmapPageCount + slot);
        QByteArray bitmap = bitmapPage();
        auto *bits = reinterpret_cast<quint8 *>(bitmap.data()) + 4;
        const quint32 slotStart = slot * kPagesPerBitmapPage;
        for (quint32 page = std::max(totalPages, slotStart); page < slotStart + kPagesPerBitmapPage; ++page)
            setBit(bits, page - slotStart);
        *bitmapPages += bitmap;
    }
    return map;
}

} // namespace velkaro::mkbase::jet4
