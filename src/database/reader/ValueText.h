#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace velkaro::reader {

// The texts of fixed-size stored values in mdbtools 1.0's notation (bound with the date format "%Y-%m-%d %H:%M:%S"),
// where that notation is right (see each function), written to `out` and returned as a view of it. Every byte
// pattern has a text; none needs more room than its capacity below.

inline constexpr std::size_t kMoneyBytes = 8;
inline constexpr std::size_t kDateTimeBytes = 8;
inline constexpr std::size_t kGuidBytes = 16;
inline constexpr std::size_t kNumericBytes = 17;

inline constexpr std::size_t kMoneyTextCapacity = 21;
inline constexpr std::size_t kDateTimeTextCapacity = 19;
inline constexpr std::size_t kGuidTextCapacity = 38;
inline constexpr std::size_t kNumericTextCapacity = 258;

// A little-endian count of ten-thousandths with all four decimals: "-12.3400", "0.0000".
std::string_view moneyText(const unsigned char *value, char *out);

// A little-endian double of days since 1899-12-30 (a negative value's fraction counting forwards from its whole
// day), to the nearest second: "1999-12-31 23:59:59". Empty for a value outside Access's range, 0100-01-01 to
// 9999-12-31, or not a number.
std::string_view dateTimeText(const unsigned char *value, char *out);

// The GUID's three little-endian fields and eight bytes as they are, in the registry's form:
// "{6B29FC40-CA47-1067-B31D-00DD010662DA}".
std::string_view guidText(const unsigned char *value, char *out);

// A sign byte (0x80 negative) and a 128-bit magnitude stored as four little-endian 32-bit words, most significant
// first, with `scale` digits after the point: "-1.50", "0.007" (scale 3), "-0" for a negative zero.
std::string_view numericText(const unsigned char *value, std::uint8_t scale, char *out);

} // namespace velkaro::reader
