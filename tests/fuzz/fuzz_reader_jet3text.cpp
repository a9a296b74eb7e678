// The Jet 3 text decoder in each code page the reader knows, against the page's table, at every capacity that
// matters. The first byte chooses the code page and a small capacity; the rest is the stored value.

#include "database/reader/Jet3Text.h"
#include "fuzz/TextCapacities.h"

#include <QByteArray>
#include <QString>

using velkaro::fuzz::require;

namespace {

constexpr std::uint16_t kCodePages[] = {874, 1250, 1251, 1252, 1253, 1254, 1255, 1256, 1257, 1258};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static const velkaro::reader::CodePages codePages;
    if (size == 0)
        return 0;
    const velkaro::reader::CodePageTable *table = codePages.find(kCodePages[data[0] % std::size(kCodePages)]);
    require(table != nullptr, "a single-byte Windows code page unknown");
    const unsigned char *bytes = data + 1;
    const std::size_t stored = size - 1;

    QString characters;
    for (std::size_t i = 0; i < stored; ++i) {
        const char32_t c = bytes[i] < 0x80 ? bytes[i] : (*table)[bytes[i] - 0x80];
        characters += c == 0 ? QChar(u'?') : QChar(char16_t(c));
    }
    const QByteArray expected = characters.toUtf8();
    const auto exact = std::size_t(expected.size());
    velkaro::fuzz::requireDecodesAtCapacities({3 * stored, exact, exact - (exact > 0), std::size_t(data[0] / 16)},
        expected, [&](char *out, std::size_t capacity) {
            return velkaro::reader::jet3TextToUtf8(bytes, stored, *table, out, capacity);
        });
    velkaro::reader::LetterCounts letters;
    letters.add(bytes, stored);
    require(letters.total() <= stored, "more letters than bytes");
    return 0;
}
