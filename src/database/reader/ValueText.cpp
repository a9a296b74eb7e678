#include "database/reader/ValueText.h"

#include <algorithm>
#include <array>
#include <bit>
#include <chrono>
#include <cmath>

namespace velkaro::reader {

namespace {

using namespace std::chrono;

constexpr int kMoneyScale = 4;
constexpr std::int64_t kSecondsPerDay = 86400;
constexpr sys_days kDateZero = 1899y / December / 30;
// Access's first and last dates, in days from kDateZero.
constexpr std::int64_t kFirstDay = (sys_days {100y / January / 1} - kDateZero).count();
constexpr std::int64_t kLastDay = (sys_days {9999y / December / 31} - kDateZero).count();

std::uint32_t little32(const unsigned char *at)
{
    return std::uint32_t(at[0]) | std::uint32_t(at[1]) << 8 | std::uint32_t(at[2]) << 16 | std::uint32_t(at[3]) << 24;
}

std::uint64_t little64(const unsigned char *at)
{
    return std::uint64_t(little32(at)) | std::uint64_t(little32(at + 4)) << 32;
}

// A magnitude's decimal digits, least significant first; none for zero.
struct Digits
{
    std::array<char, 40> units {};
    int count = 0;
};

Digits digitsOf(std::uint64_t magnitude)
{
    Digits digits;
    for (; magnitude != 0; magnitude /= 10)
        digits.units[std::size_t(digits.count++)] = char('0' + magnitude % 10);
    return digits;
}

// Four 32-bit words, most significant first, divided by ten again and again.
Digits digitsOf(std::array<std::uint32_t, 4> words)
{
    Digits digits;
    while (std::any_of(words.begin(), words.end(), [](std::uint32_t word) { return word != 0; })) {
        std::uint64_t remainder = 0;
        for (std::uint32_t &word : words) {
            const std::uint64_t part = remainder << 32 | word;
            word = std::uint32_t(part / 10);
            remainder = part % 10;
        }
        digits.units[std::size_t(digits.count++)] = char('0' + remainder);
    }
    return digits;
}

// As mdbtools writes a scaled number: at least one digit before the point, `scale` after it, no point for scale 0.
std::string_view scaledText(bool negative, const Digits &digits, int scale, char *out)
{
    char *next = out;
    if (negative)
        *next++ = '-';
    for (int position = std::max(digits.count, scale + 1) - 1; position >= 0; --position) {
        if (position + 1 == scale)
            *next++ = '.';
        *next++ = position < digits.count ? digits.units[std::size_t(position)] : '0';
    }
    return {out, std::size_t(next - out)};
}

char *twoDigits(unsigned value, char *next)
{
    next[0] = char('0' + value / 10);
    next[1] = char('0' + value % 10);
    return next + 2;
}

char *hexByte(unsigned char value, char *next)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    next[0] = kHex[value >> 4];
    next[1] = kHex[value & 0xF];
    return next + 2;
}

} // namespace

std::string_view moneyText(const unsigned char *value, char *out)
{
    const std::uint64_t stored = little64(value);
    const bool negative = (stored >> 63) != 0;
    return scaledText(negative, digitsOf(negative ? 0 - stored : stored), kMoneyScale, out);
}

std::string_view dateTimeText(const unsigned char *value, char *out)
{
    const double stored = std::bit_cast<double>(little64(value));
    // Also false for NaN; within these bounds the whole days fit any integer.
    if (!(stored > double(kFirstDay - 1) && stored < double(kLastDay + 1)))
        return {};
    const double whole = std::trunc(stored);
    // Rounded as mdbtools rounds, to the nearest second with halves up.
    auto second = static_cast<std::int64_t>(std::fabs(stored - whole) * 86400.0 + 0.5);
    auto day = static_cast<std::int64_t>(whole);
    // Half a second before midnight is the next day's midnight, which mdbtools writes as the day's "24:00:00".
    if (second == kSecondsPerDay) {
        second = 0;
        ++day;
    }
    if (day < kFirstDay || day > kLastDay)
        return {};

    const year_month_day date {kDateZero + days {day}};
    const auto year = unsigned(int(date.year()));
    char *next = twoDigits(year / 100, out);
    next = twoDigits(year % 100, next);
    *next++ = '-';
    next = twoDigits(unsigned(date.month()), next);
    *next++ = '-';
    next = twoDigits(unsigned(date.day()), next);
    *next++ = ' ';
    next = twoDigits(unsigned(second / 3600), next);
    *next++ = ':';
    next = twoDigits(unsigned(second / 60 % 60), next);
    *next++ = ':';
    next = twoDigits(unsigned(second % 60), next);
    return {out, std::size_t(next - out)};
}

std::string_view guidText(const unsigned char *value, char *out)
{
    // Byte order of the text: the first three fields reversed, the last eight bytes as stored.
    static constexpr std::array<int, kGuidBytes> kOrder = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
    char *next = out;
    *next++ = '{';
    for (std::size_t i = 0; i < kOrder.size(); ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10)
            *next++ = '-';
        next = hexByte(value[kOrder[i]], next);
    }
    *next++ = '}';
    return {out, std::size_t(next - out)};
}

std::string_view numericText(const unsigned char *value, std::uint8_t scale, char *out)
{
    const std::array<std::uint32_t, 4> words = {
        little32(value + 1), little32(value + 5), little32(value + 9), little32(value + 13)};
    return scaledText((value[0] & 0x80) != 0, digitsOf(words), scale, out);
}

} // namespace velkaro::reader
