// The Jet 4 text decoder against a plain model of the format, at every capacity that matters. The first byte
// chooses a small capacity; the rest is the stored value.

#include "database/reader/Jet4Text.h"
#include "fuzz/TextCapacities.h"

#include <QByteArray>
#include <QString>

namespace {

// The UTF-16 units the value stores, as the format describes them.
QString storedUnits(const unsigned char *bytes, std::size_t size)
{
    QString units;
    if (size >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
        bool oneByte = true;
        for (std::size_t at = 2; at < size;) {
            if (bytes[at] == 0) {
                oneByte = !oneByte;
                ++at;
            } else if (oneByte) {
                units += QChar(bytes[at++]);
            } else if (at + 1 < size) {
                units += QChar(char16_t(bytes[at] | bytes[at + 1] << 8));
                at += 2;
            } else {
                break;
            }
        }
        return units;
    }
    for (std::size_t at = 0; at + 1 < size; at += 2)
        units += QChar(char16_t(bytes[at] | bytes[at + 1] << 8));
    return units;
}

// The UTF-8 the decoder must give: pairs joined, every lone surrogate '?'.
QByteArray expectedUtf8(QString units)
{
    for (qsizetype i = 0; i < units.size(); ++i) {
        if (units[i].isHighSurrogate() && i + 1 < units.size() && units[i + 1].isLowSurrogate())
            ++i;
        else if (units[i].isSurrogate())
            units[i] = u'?';
    }
    return units.toUtf8();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size == 0)
        return 0;
    const unsigned char *bytes = data + 1;
    const std::size_t stored = size - 1;
    const QByteArray expected = expectedUtf8(storedUnits(bytes, stored));
    const auto exact = std::size_t(expected.size());

    // The reader's capacity bound, room for the fast paths, the exact size, one byte short and a small one.
    velkaro::fuzz::requireDecodesAtCapacities(
        {2 * stored + 1, 2 * stored + 16, exact, exact - (exact > 0), std::size_t(data[0])}, expected,
        [&](char *out, std::size_t capacity) { return velkaro::reader::jet4TextToUtf8(bytes, stored, out, capacity); });
    return 0;
}
