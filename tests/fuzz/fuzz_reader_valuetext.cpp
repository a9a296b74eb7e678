// The texts of stored money, dates, GUIDs and decimals, each read back to the value it came from, in a buffer of
// exactly the rendering's capacity. The first byte chooses the type, the second a decimal's scale; the rest is
// the stored value.

#include "database/reader/ValueText.h"
#include "fuzz/FuzzCheck.h"

#include <bit>
#include <charconv>
#include <chrono>
#include <cmath>
#include <string_view>
#include <vector>

using velkaro::fuzz::require;
using namespace velkaro::reader;

namespace {

__extension__ typedef unsigned __int128 Magnitude;

std::uint64_t little(const unsigned char *at, int size)
{
    std::uint64_t value = 0;
    for (int i = size - 1; i >= 0; --i)
        value = value << 8 | at[i];
    return value;
}

bool allDigits(std::string_view text)
{
    return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

unsigned number(std::string_view text)
{
    unsigned value = 0;
    require(std::from_chars(text.data(), text.data() + text.size(), value).ptr == text.data() + text.size(),
        "date field not a number");
    return value;
}

// A sign, at least one digit before the point and exactly `scale` after it (no point for scale 0), no needless
// leading zero; returns the digits without the point.
std::string digitsOfScaled(std::string_view text, bool negative, std::size_t scale)
{
    require(text.starts_with('-') == negative, "sign differs");
    text.remove_prefix(negative ? 1 : 0);
    const std::size_t point = text.find('.');
    require(scale == 0 ? point == std::string_view::npos : point == text.size() - scale - 1, "point misplaced");
    const std::string_view whole = text.substr(0, point);
    const std::string_view fraction = scale == 0 ? std::string_view {} : text.substr(point + 1);
    require(allDigits(whole) && (scale == 0 || allDigits(fraction)), "not digits");
    require(whole.size() == 1 || whole[0] != '0', "leading zero");
    return std::string(whole) + std::string(fraction);
}

void checkMoney(const unsigned char *value)
{
    std::vector<char> out(kMoneyTextCapacity);
    const std::string_view text = moneyText(value, out.data());
    const auto stored = std::int64_t(little(value, 8));
    const std::string digits = digitsOfScaled(text, stored < 0, 4);
    const std::string signedDigits = (stored < 0 ? "-" : "") + digits;
    std::int64_t back = 0;
    std::from_chars(signedDigits.data(), signedDigits.data() + signedDigits.size(), back);
    require(back == stored, "money reads back as another amount");
}

void checkDateTime(const unsigned char *value)
{
    using namespace std::chrono;
    std::vector<char> out(kDateTimeTextCapacity);
    const std::string_view text = dateTimeText(value, out.data());
    const double stored = std::bit_cast<double>(little(value, 8));
    if (text.empty()) {
        require(!(stored > -657434.0 && stored < 2958465.0), "a date in Access's range without a text");
        return;
    }
    require(
        text.size() == 19 && text[4] == '-' && text[7] == '-' && text[10] == ' ' && text[13] == ':' && text[16] == ':',
        "date not in its shape");
    const year_month_day date {
        year(int(number(text.substr(0, 4)))), month(number(text.substr(5, 2))), day(number(text.substr(8, 2)))};
    require(date.ok() && date.year() >= year(100), "no such date");
    const unsigned hour = number(text.substr(11, 2));
    const unsigned minute = number(text.substr(14, 2));
    const unsigned second = number(text.substr(17, 2));
    require(hour < 24 && minute < 60 && second < 60, "no such time");

    // A negative value's fraction counts forwards from its whole day.
    const double whole = std::trunc(stored);
    const double storedSeconds = whole * 86400.0 + std::fabs(stored - whole) * 86400.0;
    const double textSeconds = double((sys_days {date} - sys_days {1899y / December / 30}).count()) * 86400.0
        + hour * 3600 + minute * 60 + second;
    require(std::fabs(storedSeconds - textSeconds) <= 0.5 + 1e-3, "date more than half a second away");
}

void checkGuid(const unsigned char *value)
{
    static constexpr int kOrder[] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
    std::vector<char> out(kGuidTextCapacity);
    const std::string_view text = guidText(value, out.data());
    require(text.size() == kGuidTextCapacity && text.front() == '{' && text.back() == '}' && text[9] == '-'
            && text[14] == '-' && text[19] == '-' && text[24] == '-',
        "GUID not in its shape");
    std::string hex(text.substr(1, 36));
    std::erase(hex, '-');
    for (std::size_t i = 0; i < 16; ++i) {
        unsigned byte = 0;
        const char *first = hex.data() + 2 * i;
        require(std::from_chars(first, first + 2, byte, 16).ptr == first + 2 && (first[0] < 'a' && first[1] < 'a'),
            "GUID byte not in upper-case hexadecimal");
        require(byte == value[kOrder[i]], "GUID byte out of place");
    }
}

void checkNumeric(const unsigned char *value, std::uint8_t scale)
{
    std::vector<char> out(kNumericTextCapacity);
    const std::string_view text = numericText(value, scale, out.data());
    const std::string digits = digitsOfScaled(text, (value[0] & 0x80) != 0, scale);
    Magnitude stored = 0;
    for (int word = 0; word < 4; ++word)
        stored = stored << 32 | little(value + 1 + 4 * word, 4);
    Magnitude back = 0;
    for (char digit : digits) {
        const auto next = Magnitude(digit - '0');
        require(back <= (~Magnitude(0) - next) / 10, "decimal beyond 128 bits");
        back = back * 10 + next;
    }
    require(back == stored, "decimal reads back as another magnitude");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 2)
        return 0;
    const unsigned char *value = data + 2;
    const std::size_t stored = size - 2;
    switch (data[0] % 4) {
    case 0:
        if (stored >= kMoneyBytes)
            checkMoney(value);
        break;
    case 1:
        if (stored >= kDateTimeBytes)
            checkDateTime(value);
        break;
    case 2:
        if (stored >= kGuidBytes)
            checkGuid(value);
        break;
    default:
        if (stored >= kNumericBytes)
            checkNumeric(value, data[1]);
        break;
    }
    return 0;
}
