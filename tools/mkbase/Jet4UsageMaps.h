#pragma once

#include "Jet4Format.h"

// Usage maps: rows naming a set of pages, either inline (type 0: a start page and a bitmap) or through usage-bitmap
// pages (type 1: one 0x05 page per 32,736-page slot).
namespace velkaro::mkbase::jet4 {

inline constexpr quint32 kPagesPerBitmapPage = 4092 * 8;
inline constexpr int kMapRowSize = 69; // what Access writes: a 64-byte bitmap covering 512 pages
inline constexpr quint32 kInlineMapPages = (kMapRowSize - 5) * 8;

// A type-0 row of the usual size naming pages first..last (none when first > last).
QByteArray inlineMap(quint32 first, quint32 last);

// The owned-pages map of pages first..last: inline while they fit a window from page 0, else type 1 with
// bitmap pages numbered from firstBitmapPage, appended to bitmapPages.
QByteArray pageRangeMap(quint32 first, quint32 last, quint32 firstBitmapPage, QByteArray *bitmapPages);
quint32 bitmapPagesForRange(quint32 last);

// The global map on page 1, where a set bit means free: pages below totalPages in use, the rest of the map's range
// free. Inline in one row when bitmapPageCount is 0, else type 1 with that many bitmap pages, the file's last pages.
QByteArray globalMap(quint32 totalPages, quint32 bitmapPageCount, QByteArray *bitmapPages);
// Bitmap pages the global map needs after pagesBefore other pages: none while an inline row beside page 1's second
// row covers the file.
quint32 globalBitmapPages(quint32 pagesBefore);

} // namespace velkaro::mkbase::jet4
