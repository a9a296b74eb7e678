// The Jet 3 text decoder in each code page the reader knows, against the page's table, at every capacity that
// matters. The first byte chooses the code page and a small capacity; the rest is the stored value.

#include "database/reader/Jet3Text.h"
#include "fuzz/FuzzCheck.h"

#include <QByteArray>
#include <QString>

#include <memory>

using velkaro::fuzz::require;

namespace {

constexpr std::uint16_t kCodePages[] = {874, 1250, 1251, 1252, 1253, 1254, 1255, 1256, 1257, 1258};

std::optional<QByteArray> decoded(
    const unsigned char *bytes, std::size_t size, const velkaro::reader::CodePageTable &table, std::size_t capacity)
{
    const auto out = std::make_unique<char[]>(capacity);
    const std::size_t written = velkaro::reader::jet3TextToUtf8(bytes, size, table, out.get(), capacity);
    if (written == velkaro::reader::kTextDoesNotFit)
        return std::nullopt;
    require(written <= capacity, "more written than the capacity");
    return QByteArray(out.get(), qsizetype(written));
}

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
    for (const std::size_t capacity : {3 * stored, exact, exact - (exact > 0), std::size_t(data[0] / 16)}) {
        const auto text = decoded(bytes, stored, *table, capacity);
        if (capacity >= exact)
            require(text && *text == expected, "text differs from the code page's, or refused though it fits");
        else
            require(!text, "text accepted though it does not fit");
    }
    velkaro::reader::LetterCounts letters;
    letters.add(bytes, stored);
    require(letters.total() <= stored, "more letters than bytes");
    return 0;
}
