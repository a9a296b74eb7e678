#include "PageRows.h"

#include "Jet4Format.h"

#include <cstring>

namespace velkaro::mkbase::jet {

int placeRows(QByteArray &page, int headerSize, const QList<QByteArray> &rows)
{
    auto *bytes = reinterpret_cast<quint8 *>(page.data());
    int start = int(page.size());
    for (int row = 0; row < rows.size(); ++row) {
        start -= int(rows.at(row).size());
        std::memcpy(bytes + start, rows.at(row).constData(), size_t(rows.at(row).size()));
        jet4::put16(bytes + headerSize + 2 * row, quint32(start));
    }
    return start - headerSize - 2 * int(rows.size());
}

} // namespace velkaro::mkbase::jet
