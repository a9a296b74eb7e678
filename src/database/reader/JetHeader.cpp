#include "database/reader/JetHeader.h"

#include "database/reader/ReaderFailure.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <string_view>

namespace velkaro::reader {

namespace {

using database::reader_protocol::ReaderError;

constexpr std::size_t kMaskedStart = 0x18;
constexpr std::array<unsigned char, 4> kMaskKey = {0xC7, 0xDA, 0x39, 0x6B};
constexpr std::size_t kSortOrder = 0x3A - kMaskedStart;
constexpr std::size_t kCodePage = 0x3C - kMaskedStart;
constexpr std::size_t kDatabaseKey = 0x3E - kMaskedStart;
constexpr std::size_t kPassword = 0x42 - kMaskedStart;
constexpr std::size_t kJet4SortOrder = 0x6E - kMaskedStart;
constexpr std::size_t kCreationDate = 0x72 - kMaskedStart;

// The masked block back in plain bytes: RC4 keyed with kMaskKey, its stream XORed over the block.
std::array<unsigned char, kJetHeaderBytes - kMaskedStart> unmasked(std::span<const unsigned char> page0)
{
    std::array<unsigned char, 256> state {};
    for (std::size_t i = 0; i < state.size(); ++i)
        state[i] = static_cast<unsigned char>(i);
    unsigned char j = 0;
    for (std::size_t i = 0; i < state.size(); ++i) {
        j = static_cast<unsigned char>(j + state[i] + kMaskKey[i % kMaskKey.size()]);
        std::swap(state[i], state[j]);
    }
    std::array<unsigned char, kJetHeaderBytes - kMaskedStart> plain {};
    unsigned char x = 0;
    unsigned char y = 0;
    for (std::size_t i = 0; i < plain.size(); ++i) {
        x = static_cast<unsigned char>(x + 1);
        y = static_cast<unsigned char>(y + state[x]);
        std::swap(state[x], state[y]);
        plain[i] = page0[kMaskedStart + i] ^ state[static_cast<unsigned char>(state[x] + state[y])];
    }
    return plain;
}

std::uint16_t u16(const unsigned char *at)
{
    return static_cast<std::uint16_t>(at[0] | (at[1] << 8));
}

// Jet 4 and ACE keep the password XORed with the creation day repeated; Jet 3 keeps it plain.
bool hasPassword(const unsigned char *plain, JetFormat format)
{
    const std::size_t size = format == JetFormat::Jet3 ? 20 : 40;
    std::array<unsigned char, 4> mask {};
    if (format != JetFormat::Jet3) {
        double date = 0;
        std::memcpy(&date, plain + kCreationDate, sizeof date);
        const double day = std::isfinite(date) ? std::floor(date) : 0;
        const auto whole = day >= -2147483648.0 && day <= 2147483647.0 ? static_cast<std::int32_t>(day) : 0;
        const auto bits = static_cast<std::uint32_t>(whole);
        mask = {static_cast<unsigned char>(bits), static_cast<unsigned char>(bits >> 8),
            static_cast<unsigned char>(bits >> 16), static_cast<unsigned char>(bits >> 24)};
    }
    for (std::size_t i = 0; i < size; ++i) {
        if ((plain[kPassword + i] ^ mask[i % 4]) != 0)
            return true;
    }
    return false;
}

} // namespace

JetHeader parseJetHeader(std::span<const unsigned char> page0)
{
    static constexpr std::array<unsigned char, 4> kPageZero = {0x00, 0x01, 0x00, 0x00};
    static constexpr std::string_view kJetName = "Standard Jet DB";
    static constexpr std::string_view kAceName = "Standard ACE DB";
    if (page0.size() < kJetHeaderBytes || !std::equal(kPageZero.begin(), kPageZero.end(), page0.begin()))
        fail(ReaderError::NotJetFile, "no Jet database header");
    const auto named = [&](std::string_view name) {
        return std::memcmp(page0.data() + 4, name.data(), name.size() + 1) == 0;
    };
    JetHeader header;
    // The version is the byte at 0x14: Access 2010 writes 01 in the byte after it.
    header.version = page0[0x14];
    if (named(kJetName) && header.version <= 1)
        header.format = header.version == 0 ? JetFormat::Jet3 : JetFormat::Jet4;
    else if (named(kAceName) && header.version >= 2 && header.version <= 6)
        header.format = JetFormat::Ace;
    else if (named(kJetName) || named(kAceName))
        fail(ReaderError::UnsupportedVersion, "format version " + std::to_string(header.version));
    else
        fail(ReaderError::NotJetFile, "no Jet database header");
    header.pageSize = header.format == JetFormat::Jet3 ? 2048 : 4096;

    const auto plain = unmasked(page0);
    if (u16(plain.data() + kDatabaseKey) != 0 || u16(plain.data() + kDatabaseKey + 2) != 0)
        fail(ReaderError::OpenFailed, "locked: encoded or encrypted pages");
    if (hasPassword(plain.data(), header.format))
        fail(ReaderError::OpenFailed, "locked: database password");
    header.sortOrder = u16(plain.data() + (header.format == JetFormat::Jet3 ? kSortOrder : kJet4SortOrder));
    header.codePage = u16(plain.data() + kCodePage);
    return header;
}

} // namespace velkaro::reader
