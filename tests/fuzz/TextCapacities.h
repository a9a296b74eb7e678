#pragma once

#include "database/reader/Jet4Text.h"
#include "fuzz/FuzzCheck.h"

#include <QByteArray>

#include <initializer_list>
#include <memory>

namespace velkaro::fuzz {

// Runs a text decoder, decode(out, capacity) returning the bytes it wrote, into a buffer of exactly each capacity, so
// that the sanitizer sees any write beyond: it must give the expected UTF-8 when that fits and refuse when not.
template <typename Decode>
void requireDecodesAtCapacities(std::initializer_list<std::size_t> capacities, const QByteArray &expected, Decode decode)
{
    const auto exact = std::size_t(expected.size());
    for (const std::size_t capacity : capacities) {
        const auto out = std::make_unique<char[]>(capacity);
        const std::size_t written = decode(out.get(), capacity);
        if (capacity < exact) {
            require(written == reader::kTextDoesNotFit, "text accepted though it does not fit");
            continue;
        }
        require(written != reader::kTextDoesNotFit, "text refused though it fits");
        require(written <= capacity, "more written than the capacity");
        require(QByteArray(out.get(), qsizetype(written)) == expected, "text differs from the expected one");
    }
}

} // namespace velkaro::fuzz
