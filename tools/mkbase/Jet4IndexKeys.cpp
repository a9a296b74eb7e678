#include "Jet4IndexKeys.h"

namespace velkaro::mkbase::jet4 {

namespace {

constexpr char kAscendingFlag = 0x7F;
constexpr char kEndOfText = 0x01;
constexpr char kEndOfExtras = 0x00;
constexpr char kExtraPlaceholder = 0x02;

// How a character enters a General key: Simple characters by their code alone; International ones by the code of
// their base letter plus an extra byte for the accent, listed after the text; Unprintable ones (apostrophe, hyphen)
// only in a list after that, with their position; Ignored ones not at all.
enum Kind : quint8 { Simple, International, Unprintable, Ignored };

struct SortCode
{
    Kind kind;
    quint16 code;
    quint8 codeLength;
    quint8 extra;
};

constexpr char16_t kFirstAscii = 0x20;
constexpr SortCode kAsciiCodes[] = {
    {Simple, 0x07, 1, 0x00},
    {Simple, 0x09, 1, 0x00},
    {Simple, 0x0A, 1, 0x00},
    {Simple, 0x0C, 1, 0x00},
    {Simple, 0x0E, 1, 0x00},
    {Simple, 0x10, 1, 0x00},
    {Simple, 0x12, 1, 0x00},
    {Unprintable, 0x80, 1, 0x00},
    {Simple, 0x14, 1, 0x00},
    {Simple, 0x16, 1, 0x00},
    {Simple, 0x18, 1, 0x00},
    {Simple, 0x2C, 1, 0x00},
    {Simple, 0x1A, 1, 0x00},
    {Unprintable, 0x82, 1, 0x00},
    {Simple, 0x1C, 1, 0x00},
    {Simple, 0x1E, 1, 0x00},
    {Simple, 0x36, 1, 0x00},
    {Simple, 0x38, 1, 0x00},
    {Simple, 0x3A, 1, 0x00},
    {Simple, 0x3C, 1, 0x00},
    {Simple, 0x3E, 1, 0x00},
    {Simple, 0x40, 1, 0x00},
    {Simple, 0x42, 1, 0x00},
    {Simple, 0x44, 1, 0x00},
    {Simple, 0x46, 1, 0x00},
    {Simple, 0x48, 1, 0x00},
    {Simple, 0x20, 1, 0x00},
    {Simple, 0x22, 1, 0x00},
    {Simple, 0x2E, 1, 0x00},
    {Simple, 0x30, 1, 0x00},
    {Simple, 0x32, 1, 0x00},
    {Simple, 0x24, 1, 0x00},
    {Simple, 0x26, 1, 0x00},
    {Simple, 0x4A, 1, 0x00},
    {Simple, 0x4C, 1, 0x00},
    {Simple, 0x4D, 1, 0x00},
    {Simple, 0x4F, 1, 0x00},
    {Simple, 0x51, 1, 0x00},
    {Simple, 0x53, 1, 0x00},
    {Simple, 0x55, 1, 0x00},
    {Simple, 0x57, 1, 0x00},
    {Simple, 0x59, 1, 0x00},
    {Simple, 0x5B, 1, 0x00},
    {Simple, 0x5C, 1, 0x00},
    {Simple, 0x5E, 1, 0x00},
    {Simple, 0x60, 1, 0x00},
    {Simple, 0x62, 1, 0x00},
    {Simple, 0x64, 1, 0x00},
    {Simple, 0x66, 1, 0x00},
    {Simple, 0x68, 1, 0x00},
    {Simple, 0x69, 1, 0x00},
    {Simple, 0x6B, 1, 0x00},
    {Simple, 0x6D, 1, 0x00},
    {Simple, 0x6F, 1, 0x00},
    {Simple, 0x71, 1, 0x00},
    {Simple, 0x73, 1, 0x00},
    {Simple, 0x75, 1, 0x00},
    {Simple, 0x76, 1, 0x00},
    {Simple, 0x78, 1, 0x00},
    {Simple, 0x27, 1, 0x00},
    {Simple, 0x29, 1, 0x00},
    {Simple, 0x2A, 1, 0x00},
    {Simple, 0x2B02, 2, 0x00},
    {Simple, 0x2B03, 2, 0x00},
    {Simple, 0x2B07, 2, 0x00},
    {Simple, 0x4A, 1, 0x00},
    {Simple, 0x4C, 1, 0x00},
    {Simple, 0x4D, 1, 0x00},
    {Simple, 0x4F, 1, 0x00},
    {Simple, 0x51, 1, 0x00},
    {Simple, 0x53, 1, 0x00},
    {Simple, 0x55, 1, 0x00},
    {Simple, 0x57, 1, 0x00},
    {Simple, 0x59, 1, 0x00},
    {Simple, 0x5B, 1, 0x00},
    {Simple, 0x5C, 1, 0x00},
    {Simple, 0x5E, 1, 0x00},
    {Simple, 0x60, 1, 0x00},
    {Simple, 0x62, 1, 0x00},
    {Simple, 0x64, 1, 0x00},
    {Simple, 0x66, 1, 0x00},
    {Simple, 0x68, 1, 0x00},
    {Simple, 0x69, 1, 0x00},
    {Simple, 0x6B, 1, 0x00},
    {Simple, 0x6D, 1, 0x00},
    {Simple, 0x6F, 1, 0x00},
    {Simple, 0x71, 1, 0x00},
    {Simple, 0x73, 1, 0x00},
    {Simple, 0x75, 1, 0x00},
    {Simple, 0x76, 1, 0x00},
    {Simple, 0x78, 1, 0x00},
    {Simple, 0x2B09, 2, 0x00},
    {Simple, 0x2B0B, 2, 0x00},
    {Simple, 0x2B0D, 2, 0x00},
    {Simple, 0x2B0F, 2, 0x00},
};

constexpr char16_t kFirstCyrillic = 0x400;
constexpr SortCode kCyrillicCodes[] = {
    {Ignored, 0, 0, 0},
    {International, 0x7936, 2, 0x13},
    {Simple, 0x7935, 2, 0x00},
    {International, 0x7932, 2, 0x0E},
    {Simple, 0x7937, 2, 0x00},
    {Simple, 0x793A, 2, 0x00},
    {Simple, 0x793C, 2, 0x00},
    {Simple, 0x793D, 2, 0x00},
    {Simple, 0x793F, 2, 0x00},
    {Simple, 0x7942, 2, 0x00},
    {Simple, 0x7945, 2, 0x00},
    {Simple, 0x794B, 2, 0x00},
    {International, 0x7940, 2, 0x0E},
    {Ignored, 0, 0, 0},
    {Simple, 0x794E, 2, 0x00},
    {Simple, 0x7954, 2, 0x00},
    {Simple, 0x792F, 2, 0x00},
    {Simple, 0x7930, 2, 0x00},
    {Simple, 0x7931, 2, 0x00},
    {Simple, 0x7932, 2, 0x00},
    {Simple, 0x7933, 2, 0x00},
    {Simple, 0x7936, 2, 0x00},
    {Simple, 0x7938, 2, 0x00},
    {Simple, 0x7939, 2, 0x00},
    {Simple, 0x793B, 2, 0x00},
    {Simple, 0x793E, 2, 0x00},
    {Simple, 0x7940, 2, 0x00},
    {Simple, 0x7941, 2, 0x00},
    {Simple, 0x7943, 2, 0x00},
    {Simple, 0x7944, 2, 0x00},
    {Simple, 0x7946, 2, 0x00},
    {Simple, 0x7947, 2, 0x00},
    {Simple, 0x7948, 2, 0x00},
    {Simple, 0x7949, 2, 0x00},
    {Simple, 0x794A, 2, 0x00},
    {Simple, 0x794D, 2, 0x00},
    {Simple, 0x7950, 2, 0x00},
    {Simple, 0x7951, 2, 0x00},
    {Simple, 0x7952, 2, 0x00},
    {Simple, 0x7953, 2, 0x00},
    {Simple, 0x7955, 2, 0x00},
    {Simple, 0x7956, 2, 0x00},
    {Simple, 0x7957, 2, 0x00},
    {Simple, 0x7958, 2, 0x00},
    {Simple, 0x7959, 2, 0x00},
    {Simple, 0x795A, 2, 0x00},
    {Simple, 0x795B, 2, 0x00},
    {Simple, 0x795C, 2, 0x00},
    {Simple, 0x792F, 2, 0x00},
    {Simple, 0x7930, 2, 0x00},
    {Simple, 0x7931, 2, 0x00},
    {Simple, 0x7932, 2, 0x00},
    {Simple, 0x7933, 2, 0x00},
    {Simple, 0x7936, 2, 0x00},
    {Simple, 0x7938, 2, 0x00},
    {Simple, 0x7939, 2, 0x00},
    {Simple, 0x793B, 2, 0x00},
    {Simple, 0x793E, 2, 0x00},
    {Simple, 0x7940, 2, 0x00},
    {Simple, 0x7941, 2, 0x00},
    {Simple, 0x7943, 2, 0x00},
    {Simple, 0x7944, 2, 0x00},
    {Simple, 0x7946, 2, 0x00},
    {Simple, 0x7947, 2, 0x00},
    {Simple, 0x7948, 2, 0x00},
    {Simple, 0x7949, 2, 0x00},
    {Simple, 0x794A, 2, 0x00},
    {Simple, 0x794D, 2, 0x00},
    {Simple, 0x7950, 2, 0x00},
    {Simple, 0x7951, 2, 0x00},
    {Simple, 0x7952, 2, 0x00},
    {Simple, 0x7953, 2, 0x00},
    {Simple, 0x7955, 2, 0x00},
    {Simple, 0x7956, 2, 0x00},
    {Simple, 0x7957, 2, 0x00},
    {Simple, 0x7958, 2, 0x00},
    {Simple, 0x7959, 2, 0x00},
    {Simple, 0x795A, 2, 0x00},
    {Simple, 0x795B, 2, 0x00},
    {Simple, 0x795C, 2, 0x00},
    {Ignored, 0, 0, 0},
    {International, 0x7936, 2, 0x13},
    {Simple, 0x7935, 2, 0x00},
    {International, 0x7932, 2, 0x0E},
    {Simple, 0x7937, 2, 0x00},
    {Simple, 0x793A, 2, 0x00},
    {Simple, 0x793C, 2, 0x00},
    {Simple, 0x793D, 2, 0x00},
    {Simple, 0x793F, 2, 0x00},
    {Simple, 0x7942, 2, 0x00},
    {Simple, 0x7945, 2, 0x00},
    {Simple, 0x794B, 2, 0x00},
    {International, 0x7940, 2, 0x0E},
    {Ignored, 0, 0, 0},
    {Simple, 0x794E, 2, 0x00},
    {Simple, 0x7954, 2, 0x00},
};

const SortCode *sortCode(char16_t c)
{
    if (c >= kFirstAscii && c < kFirstAscii + std::size(kAsciiCodes))
        return &kAsciiCodes[c - kFirstAscii];
    if (c >= kFirstCyrillic && c < kFirstCyrillic + std::size(kCyrillicCodes))
        return &kCyrillicCodes[c - kFirstCyrillic];
    return nullptr;
}

} // namespace

QByteArray longKey(qint32 value)
{
    const quint32 flipped = quint32(value) ^ 0x80000000u;
    QByteArray key(1, kAscendingFlag);
    for (int shift = 24; shift >= 0; shift -= 8)
        key += char(flipped >> shift);
    return key;
}

bool generalTextKey(QStringView text, QByteArray *key)
{
    constexpr qsizetype kMaxIndexedCharacters = 255;
    text = text.first(std::min(text.size(), kMaxIndexedCharacters));
    QByteArray codes(1, kAscendingFlag);
    QByteArray extras;
    int extrasCharacters = 0; // characters the extras list accounts for
    QByteArray unprintables;
    int position = 0; // characters written to codes so far
    for (const QChar c : text) {
        const SortCode *code = sortCode(c.unicode());
        if (!code)
            return false;
        const int at = position;
        if (code->kind == Simple || code->kind == International) {
            if (code->codeLength == 2)
                codes += char(code->code >> 8);
            codes += char(code->code);
            ++position;
        }
        if (code->kind == International) {
            extras += QByteArray(std::max(0, at - extrasCharacters), kExtraPlaceholder);
            extras += char(code->extra);
            extrasCharacters = at + 1;
        } else if (code->kind == Unprintable) {
            const int offset = extras.isEmpty() ? at : int(extras.size()) + (at - extrasCharacters);
            const quint16 marker = quint16(7 + 4 * offset) | 0x8000;
            unprintables += char(marker >> 8);
            unprintables += char(marker);
            unprintables += char(0x06);
            unprintables += char(code->code);
        }
    }
    codes += kEndOfText;
    while (!extras.isEmpty() && quint8(extras.back()) <= quint8(kExtraPlaceholder))
        extras.chop(1);
    codes += extras;
    if (!unprintables.isEmpty())
        codes += QByteArray(3, kEndOfText) + unprintables;
    codes += kEndOfExtras;
    *key = codes;
    return true;
}

} // namespace velkaro::mkbase::jet4
