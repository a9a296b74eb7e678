#include "database/evaluation/LikeMatch.h"

#include "database/core/CaseFold.h"
#include "database/core/CodePoint.h"
#include "database/core/Utf8.h"

namespace velkaro::database {

namespace {

// One entry of a character list in range order: a single character has `low == high`.
struct ListItem
{
    char32_t low;
    char32_t high;
};

char32_t nextCodePoint(const char *&p, const char *end)
{
    const std::size_t length = utf8CharLength(p, end);
    const char32_t c = codePoint(p, length);
    p += length;
    return c;
}

// The place of a character in the order of ranges: code point order, except that Ё stands between Е and Ж as
// in the alphabet, so that `[А-Я]` takes every Russian letter.
char32_t rangeOrder(char32_t c)
{
    constexpr char32_t yo = 0x0401;
    constexpr char32_t ye = 0x0415;
    return c == yo ? 2 * ye + 1 : 2 * c;
}

// Reads the list entry at `p` (a character, or a range `a-z` when a `-` stands between two characters) and
// moves `p` past it.
ListItem nextListItem(const char *&p, const char *end)
{
    const char32_t low = rangeOrder(nextCodePoint(p, end));
    if (end - p >= 2 && *p == '-') {
        ++p;
        return {low, rangeOrder(nextCodePoint(p, end))};
    }
    return {low, low};
}

// Whether the list `items` (the text between `[` and `]`) takes the character of range order `c`.
bool listHolds(std::string_view items, char32_t c)
{
    const bool negated = !items.empty() && items.front() == '!';
    const char *p = items.data() + (negated ? 1 : 0);
    const char *const end = items.data() + items.size();
    while (p < end) {
        const ListItem item = nextListItem(p, end);
        if (item.low <= c && c <= item.high)
            return !negated;
    }
    return negated;
}

// The position of the `]` closing the list that opens at `open`, or npos.
std::size_t listEnd(std::string_view pattern, std::size_t open)
{
    return pattern.find(']', open + 1);
}

bool isEmptyList(std::string_view pattern, std::size_t p)
{
    return pattern[p] == '[' && p + 1 < pattern.size() && pattern[p + 1] == ']';
}

// Whether the pattern's `_` or `[` at `p` takes the text at `t` (`[]` takes nothing there); if so, moves both
// past what they took.
bool matchWildcard(std::string_view text, std::size_t &t, std::string_view pattern, std::size_t &p)
{
    const char *const at = text.data() + t;
    const std::size_t length = utf8CharLength(at, text.data() + text.size());
    if (pattern[p] == '_') {
        t += length;
        ++p;
        return true;
    }
    const std::size_t close = listEnd(pattern, p);
    if (close == std::string_view::npos) { // an open `[` stands for itself
        if (*at != '[')
            return false;
        ++t;
        ++p;
        return true;
    }
    if (close == p + 1) {
        p += 2;
        return true;
    }
    if (!listHolds(pattern.substr(p + 1, close - p - 1), rangeOrder(codePoint(at, length))))
        return false;
    t += length;
    p = close + 1;
    return true;
}

} // namespace

bool likeMatches(std::string_view text, std::string_view pattern)
{
    // The characters after the pattern's last `%` or `_` (or all of them, where it has none) end every text
    // it matches: most texts fail on them at once. After a list the tail is left to the full match.
    const std::size_t lastSpecial = pattern.find_last_of("%_[]");
    if (lastSpecial == std::string_view::npos || pattern[lastSpecial] == '%' || pattern[lastSpecial] == '_') {
        const std::string_view tail = lastSpecial == std::string_view::npos ? pattern : pattern.substr(lastSpecial + 1);
        if (!text.ends_with(tail))
            return false;
    }
    const char *const textEnd = text.data() + text.size();
    std::size_t t = 0;
    std::size_t p = 0;
    // Where matching resumes when an element fails: just after the last `%`, and the text position it took.
    std::size_t runPattern = std::string_view::npos;
    std::size_t runText = 0;
    while (t < text.size()) {
        if (p < pattern.size()) {
            const char element = pattern[p];
            if (element == '%') {
                runPattern = ++p;
                runText = t;
                continue;
            }
            if (element == '_' || element == '[') {
                if (matchWildcard(text, t, pattern, p))
                    continue;
            } else if (element == text[t]) {
                ++t;
                ++p;
                continue;
            }
        }
        if (runPattern == std::string_view::npos)
            return false;
        // Let the last `%` take one more character and try again after it.
        runText += utf8CharLength(text.data() + runText, textEnd);
        t = runText;
        p = runPattern;
    }
    while (p < pattern.size() && (pattern[p] == '%' || isEmptyList(pattern, p)))
        p += pattern[p] == '%' ? 1 : 2;
    return p == pattern.size();
}

bool isValidLikePattern(std::string_view pattern)
{
    for (std::size_t open = pattern.find('['); open != std::string_view::npos; open = pattern.find('[', open)) {
        const std::size_t close = listEnd(pattern, open);
        if (close == std::string_view::npos)
            return false;
        const std::string_view items = pattern.substr(open + 1, close - open - 1);
        const char *p = items.data() + (items.starts_with('!') ? 1 : 0);
        const char *const end = items.data() + items.size();
        while (p < end) {
            const ListItem item = nextListItem(p, end);
            if (item.low > item.high)
                return false;
        }
        open = close + 1;
    }
    return true;
}

bool isLiteralPattern(std::string_view pattern)
{
    return pattern.find_first_of("%_[") == std::string_view::npos;
}

std::string_view longestLiteral(std::string_view pattern)
{
    std::string_view longest;
    std::size_t start = 0;
    while (start <= pattern.size()) {
        std::size_t end = pattern.find_first_of("%_[", start);
        if (end == std::string_view::npos)
            end = pattern.size();
        if (end - start > longest.size())
            longest = pattern.substr(start, end - start);
        const std::size_t close = end < pattern.size() && pattern[end] == '[' ? listEnd(pattern, end) : end;
        start = (close == std::string_view::npos ? end : close) + 1;
    }
    return longest;
}

} // namespace velkaro::database
