// The Jet 4 text decoder against a plain model of the format, at every capacity that matters. The first byte
// chooses a small capacity; the rest is the stored value.

#include "database/reader/Jet4Text.h"
#include "fuzz/FuzzCheck.h"

#include <QByteArray>
#include <QString>

#include <memory>

using velkaro::fuzz::require;

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

// The decoder's result into a buffer of exactly `capacity` bytes, so that the sanitizer sees any write beyond.
std::optional<QByteArray> decoded(const unsigned char *bytes, std::size_t size, std::size_t capacity)
{
    const auto out = std::make_unique<char[]>(capacity);
    const std::size_t written = velkaro::reader::jet4TextToUtf8(bytes, size, out.get(), capacity);
    if (written == velkaro::reader::kTextDoesNotFit)
        return std::nullopt;
    require(written <= capacity, "more written than the capacity");
    return QByteArray(out.get(), qsizetype(written));
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
    for (const std::size_t capacity :
        {2 * stored + 1, 2 * stored + 16, exact, exact - (exact > 0), std::size_t(data[0])}) {
        const auto text = decoded(bytes, stored, capacity);
        if (capacity >= exact)
            require(text && *text == expected, "text differs from the format's, or refused though it fits");
        else
            require(!text, "text accepted though it does not fit");
    }
    return 0;
}
