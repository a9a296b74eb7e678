#include "EscapeForMessage.h"

using namespace Qt::StringLiterals;

namespace velkaro::mkbase {

namespace {

bool needsEscape(char16_t c)
{
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x2028 || c == 0x2029;
}

} // namespace

QString escapeForMessage(QStringView text, qsizetype maxCharacters)
{
    const bool cut = maxCharacters >= 0 && text.size() > maxCharacters;
    if (cut)
        text = text.first(maxCharacters);
    QString shown;
    shown.reserve(text.size() + 8);
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (!needsEscape(u)) {
            shown += c;
            continue;
        }
        switch (u) {
        case u'\n':
            shown += u"\\n"_s;
            break;
        case u'\r':
            shown += u"\\r"_s;
            break;
        case u'\t':
            shown += u"\\t"_s;
            break;
        case 0x1B:
            shown += u"\\e"_s;
            break;
        default:
            shown +=
                u < 0x100 ? u"\\x%1"_s.arg(uint(u), 2, 16, QChar(u'0')) : u"\\u%1"_s.arg(uint(u), 4, 16, QChar(u'0'));
        }
    }
    if (cut)
        shown += u"..."_s;
    return shown;
}

} // namespace velkaro::mkbase
