#include "database/evaluation/LikeMatch.h"

#include "database/core/CaseFold.h"

namespace velkaro::database {

bool likeMatches(std::string_view text, std::string_view pattern)
{
    const char *const textEnd = text.data() + text.size();
    std::size_t t = 0;
    std::size_t p = 0;
    // Where matching resumes when a literal fails: just after the last `%`, and the text position it took.
    std::size_t runPattern = std::string_view::npos;
    std::size_t runText = 0;
    while (t < text.size()) {
        if (p < pattern.size() && pattern[p] == '%') {
            runPattern = ++p;
            runText = t;
        } else if (p < pattern.size() && pattern[p] == '_') {
            t += utf8CharLength(text.data() + t, textEnd);
            ++p;
        } else if (p < pattern.size() && pattern[p] == text[t]) {
            ++t;
            ++p;
        } else if (runPattern != std::string_view::npos) {
            // Let the last `%` take one more character and try again after it.
            runText += utf8CharLength(text.data() + runText, textEnd);
            t = runText;
            p = runPattern;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '%')
        ++p;
    return p == pattern.size();
}

bool isLiteralPattern(std::string_view pattern)
{
    return pattern.find_first_of("%_") == std::string_view::npos;
}

std::string_view longestLiteral(std::string_view pattern)
{
    std::string_view longest;
    std::size_t start = 0;
    while (start <= pattern.size()) {
        std::size_t end = pattern.find_first_of("%_", start);
        if (end == std::string_view::npos)
            end = pattern.size();
        if (end - start > longest.size())
            longest = pattern.substr(start, end - start);
        start = end + 1;
    }
    return longest;
}

} // namespace velkaro::database
