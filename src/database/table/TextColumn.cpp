#include "database/table/TextColumn.h"

#include "database/core/CaseFold.h"
#include "database/core/CodePoint.h"
#include "database/core/Utf8.h"
#include "database/table/EqualityIndex.h"

#include <algorithm>
#include <limits>

namespace velkaro::database {

namespace {

std::uint32_t checkedOffset(std::size_t size)
{
    if (size > std::numeric_limits<std::uint32_t>::max())
        throw DatabaseError("column too large");
    return static_cast<std::uint32_t>(size);
}

// UTF-8 to UTF-16 for valid input, tighter than the general decoder on two-byte (Cyrillic) text; bytes
// that do not form a sequence become U+FFFD.
QString decodedUtf8(std::string_view utf8)
{
    QString result(static_cast<qsizetype>(utf8.size()), Qt::Uninitialized);
    auto *out = reinterpret_cast<char16_t *>(result.data());
    const char *p = utf8.data();
    const char *const end = p + utf8.size();
    const auto byte = [](char c) { return static_cast<char32_t>(static_cast<unsigned char>(c)); };
    while (p < end) {
        const char32_t lead = byte(*p);
        if (lead < 0x80) {
            *out++ = static_cast<char16_t>(lead);
            ++p;
            continue;
        }
        if (lead >= 0xC2 && lead <= 0xDF && end - p >= 2 && (byte(p[1]) & 0xC0) == 0x80) {
            *out++ = static_cast<char16_t>(((lead & 0x1F) << 6) | (byte(p[1]) & 0x3F));
            p += 2;
            continue;
        }
        const std::size_t length = utf8CharLength(p, end);
        const char32_t c = length == 1 ? char32_t {0xFFFD} : decodedUtf8Char(p, length);
        p += length;
        if (c >= 0x10000) {
            *out++ = static_cast<char16_t>(0xD7C0 + (c >> 10));
            *out++ = static_cast<char16_t>(0xDC00 | (c & 0x3FF));
        } else {
            *out++ = static_cast<char16_t>(c);
        }
    }
    result.truncate(static_cast<qsizetype>(out - reinterpret_cast<char16_t *>(result.data())));
    return result;
}

// ORs the bits of `more` into `bits` from bit `at` on; `bits` holds room for them.
void orBitsAt(PodArray<std::uint64_t> &bits, std::size_t at, const PodArray<std::uint64_t> &more)
{
    const unsigned shift = at % 64;
    for (std::size_t word = 0; word < more.size(); ++word) {
        const std::uint64_t moreBits = more[word];
        const std::size_t into = at / 64 + word;
        bits[into] |= moreBits << shift;
        if (shift != 0 && into + 1 < bits.size())
            bits[into + 1] |= moreBits >> (64 - shift);
    }
}

} // namespace

TextColumn::TextColumn()
{
    m_offsets.push_back(0);
    m_originalOffsets.push_back(0);
}

TextColumn::~TextColumn() = default;

// The number of the row about to be appended, its null bit made room for.
std::uint32_t TextColumn::beginRow()
{
    const std::uint32_t row = rowCount();
    if (row == std::numeric_limits<std::uint32_t>::max() - 1)
        throw DatabaseError("too many rows");
    if (row % 64 == 0)
        m_nulls.push_back(0);
    return row;
}

void TextColumn::append(const FieldView &field)
{
    const std::uint32_t row = beginRow();
    if (field.isNull) {
        m_nulls[row / 64] |= std::uint64_t {1} << (row % 64);
    } else {
        const std::string_view text(field.data, field.size);
        m_changes.lowerCase.clear();
        m_changes.other = false;
        if (appendFolded(text, m_folded, &m_changes) && !markLowerCase()) {
            m_originalRows.push_back(row);
            m_originals.append(text.data(), text.size());
            m_originalOffsets.push_back(checkedOffset(m_originals.size()));
        }
    }
    m_offsets.push_back(checkedOffset(m_folded.size()));
}

void TextColumn::appendRowOf(const TextColumn &source, std::uint32_t row)
{
    const std::uint32_t at = beginRow();
    if (source.isNull(row)) {
        m_nulls[at / 64] |= std::uint64_t {1} << (at % 64);
    } else {
        const std::size_t begin = source.m_offsets[row];
        const std::size_t end = source.m_offsets[row + 1];
        const std::size_t start = m_folded.size();
        m_folded.append(source.m_folded.data() + begin, end - begin);
        for (std::size_t byte = begin; byte < end && byte / 64 < source.m_lowerCase.size(); ++byte) {
            if (source.isLowerCase(byte))
                markLowerCaseAt(start + (byte - begin));
        }
        const auto original = std::lower_bound(source.m_originalRows.begin(), source.m_originalRows.end(), row);
        if (original != source.m_originalRows.end() && *original == row) {
            const auto i = static_cast<std::size_t>(original - source.m_originalRows.begin());
            m_originalRows.push_back(at);
            m_originals.append(source.m_originals.data() + source.m_originalOffsets[i],
                source.m_originalOffsets[i + 1] - source.m_originalOffsets[i]);
            m_originalOffsets.push_back(checkedOffset(m_originals.size()));
        }
    }
    m_offsets.push_back(checkedOffset(m_folded.size()));
}

void TextColumn::appendColumn(TextColumn &&next)
{
    const std::uint32_t rows = rowCount();
    const std::uint32_t nextRows = next.rowCount();
    if (std::uint64_t(rows) + nextRows >= std::numeric_limits<std::uint32_t>::max() - 1)
        throw DatabaseError("too many rows");

    const std::uint32_t foldedShift = checkedOffset(m_folded.size());
    checkedOffset(m_folded.size() + next.m_folded.size());
    m_folded.append(next.m_folded.data(), next.m_folded.size());
    next.m_folded = {};
    m_offsets.reserve(m_offsets.size() + nextRows);
    for (std::uint32_t row = 1; row <= nextRows; ++row)
        m_offsets.push_back(next.m_offsets[row] + foldedShift);
    next.m_offsets = {};

    m_nulls.resize((std::size_t(rows) + nextRows + 63) / 64, 0);
    orBitsAt(m_nulls, rows, next.m_nulls);
    next.m_nulls = {};
    if (!next.m_lowerCase.empty()) {
        m_lowerCase.resize(std::max(m_lowerCase.size(), foldedShift / 64 + next.m_lowerCase.size() + 1), 0);
        orBitsAt(m_lowerCase, foldedShift, next.m_lowerCase);
    }
    next.m_lowerCase = {};

    const std::uint32_t originalShift = checkedOffset(m_originals.size());
    checkedOffset(m_originals.size() + next.m_originals.size());
    m_originals.append(next.m_originals.data(), next.m_originals.size());
    next.m_originals = {};
    for (std::size_t i = 0; i < next.m_originalRows.size(); ++i) {
        m_originalRows.push_back(next.m_originalRows[i] + rows);
        m_originalOffsets.push_back(next.m_originalOffsets[i + 1] + originalShift);
    }
    next.m_originalRows = {};
    next.m_originalOffsets = {};
    next.m_offsets.push_back(0);
    next.m_originalOffsets.push_back(0);
}

void TextColumn::finish()
{
    m_folded.shrinkToFit();
    m_offsets.shrinkToFit();
    m_nulls.shrinkToFit();
    m_lowerCase.shrinkToFit();
    m_originalRows.shrinkToFit();
    m_originalOffsets.shrinkToFit();
    m_originals.shrinkToFit();
}

// Folding changed the text just appended only from lower case: each such character gets its bit (false
// when another change needs the whole original kept).
bool TextColumn::markLowerCase()
{
    if (m_changes.other)
        return false;
    for (const std::size_t at : m_changes.lowerCase)
        markLowerCaseAt(at);
    return true;
}

void TextColumn::markLowerCaseAt(std::size_t foldedByte)
{
    if (foldedByte / 64 >= m_lowerCase.size())
        m_lowerCase.resize(foldedByte / 64 + 1, 0);
    m_lowerCase[foldedByte / 64] |= std::uint64_t {1} << (foldedByte % 64);
}

std::string TextColumn::original(std::uint32_t row) const
{
    const auto original = std::lower_bound(m_originalRows.begin(), m_originalRows.end(), row);
    if (original != m_originalRows.end() && *original == row) {
        const auto i = static_cast<std::size_t>(original - m_originalRows.begin());
        return {m_originals.data() + m_originalOffsets[i], m_originalOffsets[i + 1] - m_originalOffsets[i]};
    }
    const std::size_t begin = m_offsets[row];
    const std::size_t end = m_offsets[row + 1];
    // No lower case from here on, as in a column without any.
    if (begin / 64 >= m_lowerCase.size())
        return std::string(folded(row));
    std::string text;
    text.reserve(end - begin + 4);
    for (std::size_t at = begin; at < end;) {
        const std::size_t length = utf8CharLength(m_folded.data() + at, m_folded.data() + end);
        if (isLowerCase(at)) {
            char lower[4];
            text.append(lower, encodedUtf8Char(lowerCaseOf(codePoint(m_folded.data() + at, length)), lower));
        } else {
            text.append(m_folded.data() + at, length);
        }
        at += length;
    }
    return text;
}

QString TextColumn::text(std::uint32_t row) const
{
    return decodedUtf8(original(row));
}

std::uint32_t TextColumn::rowAt(std::size_t offset, std::uint32_t first) const
{
    // Galloping from `first`: the first boundary after `offset` lies within twice the distance stepped.
    const auto target = static_cast<std::uint32_t>(offset);
    const std::size_t boundaries = m_offsets.size();
    std::size_t low = first;
    std::size_t step = 1;
    while (low + step < boundaries && m_offsets[low + step] <= target) {
        low += step;
        step *= 2;
    }
    const std::size_t high = std::min(low + step, boundaries);
    // Empty rows share their start with the next row; the last row starting at or before `offset` holds it.
    const auto after = std::upper_bound(m_offsets.begin() + low, m_offsets.begin() + high, target);
    return static_cast<std::uint32_t>(after - m_offsets.begin() - 1);
}

void TextColumn::touchPages() const
{
    m_folded.touchPages();
    m_offsets.touchPages();
    m_nulls.touchPages();
    m_lowerCase.touchPages();
    m_originalRows.touchPages();
    m_originalOffsets.touchPages();
    m_originals.touchPages();
}

const EqualityIndex &TextColumn::equalityIndex(const std::atomic<bool> *stop) const
{
    if (const EqualityIndex *built = builtEqualityIndex())
        return *built;
    // A lock rather than std::call_once: mingw-w64's call_once keeps its flag taken when the build throws, and the
    // next call waits for ever.
    const std::lock_guard lock(m_indexBuilding);
    if (!m_index) {
        m_index = std::make_unique<EqualityIndex>(*this, stop);
        m_builtIndex.store(m_index.get(), std::memory_order_release);
    }
    return *m_index;
}

} // namespace velkaro::database
