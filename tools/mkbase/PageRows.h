#pragma once

#include <QByteArray>
#include <QList>

namespace velkaro::mkbase::jet {

// Places rows on a data page as Jet 3 and Jet 4 do: backwards from the page's end, each row's offset in the table
// that follows the page header. Returns the free space left; the header itself is the format's.
int placeRows(QByteArray &page, int headerSize, const QList<QByteArray> &rows);

} // namespace velkaro::mkbase::jet
