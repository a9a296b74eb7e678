#include "search/LineTypeCode.h"

#include <cmath>

namespace velkaro::search {

namespace {

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

qsizetype skipDigits(const QString &text, qsizetype at)
{
    while (at < text.size() && isDigit(text.at(at)))
        ++at;
    return at;
}

// The number at the start of `text`: blanks, tabs and line
// feeds first are skipped, then an optional sign, digits, a fraction and an exponent; 0 when none.
double leadingNumber(const QString &text)
{
    qsizetype start = 0;
    while (start < text.size() && (text.at(start) == u' ' || text.at(start) == u'\t' || text.at(start) == u'\n'))
        ++start;
    qsizetype end = start;
    if (end < text.size() && (text.at(end) == u'+' || text.at(end) == u'-'))
        ++end;
    const qsizetype digitsStart = end;
    end = skipDigits(text, end);
    if (end < text.size() && text.at(end) == u'.')
        end = skipDigits(text, end + 1);
    if (end - digitsStart == 0 || (end - digitsStart == 1 && text.at(digitsStart) == u'.'))
        return 0.0;
    if (end < text.size() && (text.at(end) == u'E' || text.at(end) == u'e')) {
        qsizetype exponent = end + 1;
        if (exponent < text.size() && (text.at(exponent) == u'+' || text.at(exponent) == u'-'))
            ++exponent;
        const qsizetype exponentEnd = skipDigits(text, exponent);
        if (exponentEnd > exponent)
            end = exponentEnd;
    }
    return text.sliced(start, end - start).toDouble();
}

} // namespace

std::optional<int> lineTypeCode(const QVariant &noType)
{
    if (!noType.isValid() || noType.isNull())
        return std::nullopt;
    double number = 0.0;
    if (noType.typeId() == QMetaType::QString) {
        number = leadingNumber(noType.toString());
    } else {
        bool ok = false;
        number = noType.toDouble(&ok);
        if (!ok)
            return std::nullopt;
    }
    if (!std::isfinite(number))
        return std::nullopt;
    const double rounded = std::nearbyint(number);
    if (rounded < 0.0 || rounded > 255.0)
        return std::nullopt;
    return int(rounded);
}

} // namespace velkaro::search
