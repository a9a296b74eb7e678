#include "database/core/CaseFold.h"

#include <QChar>

namespace velkaro::database {

namespace {

// Writes `c` as UTF-8 at `out`; returns the bytes written (at most 4).
std::size_t encode(char32_t c, char *out)
{
    if (c < 0x80) {
        out[0] = static_cast<char>(c);
        return 1;
    }
    if (c < 0x800) {
        out[0] = static_cast<char>(0xC0 | (c >> 6));
        out[1] = static_cast<char>(0x80 | (c & 0x3F));
        return 2;
    }
    if (c < 0x10000) {
        out[0] = static_cast<char>(0xE0 | (c >> 12));
        out[1] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out[2] = static_cast<char>(0x80 | (c & 0x3F));
        return 3;
    }
    out[0] = static_cast<char>(0xF0 | (c >> 18));
    out[1] = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out[2] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out[3] = static_cast<char>(0x80 | (c & 0x3F));
    return 4;
}

// Lower-case Cyrillic U+0430..U+045F in two bytes (D0 B0..BF, D1 80..9F): the upper-case pair, or 0.
unsigned cyrillicUpper(unsigned char lead, unsigned char trail)
{
    if (lead == 0xD0 && trail >= 0xB0 && trail <= 0xBF) // а..п -> А..П
        return 0xD000 | (trail - 0x20);
    if (lead == 0xD1 && trail >= 0x80 && trail <= 0x8F) // р..я -> Р..Я
        return 0xD000 | (trail + 0x20);
    if (lead == 0xD1 && trail >= 0x90 && trail <= 0x9F) // ѐ..џ (ё among them) -> Ѐ..Џ
        return 0xD000 | (trail - 0x10);
    return 0;
}

} // namespace

bool appendFolded(std::string_view utf8, PodArray<char> &out)
{
    // Folded into a local buffer and appended in pieces: a value costs one append, not one per byte.
    char buffer[512];
    std::size_t used = 0;
    const char *p = utf8.data();
    const char *const end = p + utf8.size();
    bool changed = false;
    while (p < end) {
        if (used + 4 > sizeof buffer) {
            out.append(buffer, used);
            used = 0;
        }
        const auto lead = static_cast<unsigned char>(*p);
        if (lead < 0x80) {
            const bool lower = lead >= 'a' && lead <= 'z';
            buffer[used++] = static_cast<char>(lower ? lead - 0x20 : lead);
            changed |= lower;
            ++p;
            continue;
        }
        const std::size_t length = utf8CharLength(p, end);
        if (length == 2 && (lead == 0xD0 || lead == 0xD1)) {
            const unsigned upper = cyrillicUpper(lead, static_cast<unsigned char>(p[1]));
            if (upper != 0) {
                buffer[used++] = static_cast<char>(upper >> 8);
                buffer[used++] = static_cast<char>(upper & 0xFF);
                changed = true;
                p += 2;
                continue;
            }
            if (lead == 0xD0) { // U+0400..U+042F: upper case already
                buffer[used++] = p[0];
                buffer[used++] = p[1];
                p += 2;
                continue;
            }
        }
        if (length == 1) {
            buffer[used++] = *p++;
            continue;
        }
        const char32_t c = decodedUtf8Char(p, length);
        const char32_t upper = QChar::toUpper(c);
        if (upper == c) {
            for (std::size_t i = 0; i < length; ++i)
                buffer[used++] = p[i];
        } else {
            used += encode(upper, buffer + used);
            changed = true;
        }
        p += length;
    }
    out.append(buffer, used);
    return changed;
}

std::string foldedUtf8(std::string_view utf8)
{
    PodArray<char> folded;
    appendFolded(utf8, folded);
    return std::string(folded.data() ? folded.data() : "", folded.size());
}

std::string foldedUtf8(const QString &text)
{
    const QByteArray utf8 = text.toUtf8();
    return foldedUtf8(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
}

} // namespace velkaro::database
