#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace velkaro::reader {

enum class JetFormat { Jet3, Jet4, Ace };

// What the reader takes from a file's first page.
struct JetHeader
{
    JetFormat format = JetFormat::Jet4;
    // The version byte: 0 Jet 3, 1 Jet 4, 2 to 6 ACE 12 to ACE 17.
    std::uint8_t version = 1;
    std::uint32_t pageSize = 4096;
    std::uint16_t sortOrder = 0;
    std::uint16_t codePage = 0;
};

// The bytes of page 0 the header needs.
inline constexpr std::size_t kJetHeaderBytes = 0x98;

// The header of a Jet 3, Jet 4 or ACE 12-17 file from the first kJetHeaderBytes of page 0 (the masked fields
// unmasked). Throws ReaderFailure for another file, another version, and for a locked file: one with a
// database password, or whose pages are encoded or encrypted (the program never has a password to give).
JetHeader parseJetHeader(std::span<const unsigned char> page0);

} // namespace velkaro::reader
