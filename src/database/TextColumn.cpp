#include "database/TextColumn.h"

#include "database/CaseFold.h"
#include "database/EqualityIndex.h"

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

} // namespace

TextColumn::TextColumn()
{
    m_offsets.push_back(0);
    m_originalOffsets.push_back(0);
}

TextColumn::~TextColumn() = default;

void TextColumn::append(const FieldView &field)
{
    const std::uint32_t row = rowCount();
    if (row == std::numeric_limits<std::uint32_t>::max() - 1)
        throw DatabaseError("too many rows");
    if (row % 64 == 0)
        m_nulls.push_back(0);
    if (field.isNull) {
        m_nulls[row / 64] |= std::uint64_t{1} << (row % 64);
    } else {
        const std::string_view text(field.data, field.size);
        if (appendFolded(text, m_folded)) {
            m_originalRows.push_back(row);
            m_originals.append(text.data(), text.size());
            m_originalOffsets.push_back(checkedOffset(m_originals.size()));
        }
    }
    m_offsets.push_back(checkedOffset(m_folded.size()));
}

void TextColumn::finish()
{
    m_folded.shrinkToFit();
    m_offsets.shrinkToFit();
    m_nulls.shrinkToFit();
    m_originalRows.shrinkToFit();
    m_originalOffsets.shrinkToFit();
    m_originals.shrinkToFit();
}

QString TextColumn::text(std::uint32_t row) const
{
    const auto original = std::lower_bound(m_originalRows.begin(), m_originalRows.end(), row);
    if (original != m_originalRows.end() && *original == row) {
        const auto i = static_cast<std::size_t>(original - m_originalRows.begin());
        return QString::fromUtf8(m_originals.data() + m_originalOffsets[i],
                                 m_originalOffsets[i + 1] - m_originalOffsets[i]);
    }
    const std::string_view value = folded(row);
    return QString::fromUtf8(value.data(), static_cast<qsizetype>(value.size()));
}

std::uint32_t TextColumn::rowAt(std::size_t offset) const
{
    // Empty rows share their start with the next row; the last row starting at or before `offset` holds it.
    const auto after = std::upper_bound(m_offsets.begin(), m_offsets.end(), static_cast<std::uint32_t>(offset));
    return static_cast<std::uint32_t>(after - m_offsets.begin() - 1);
}

const EqualityIndex &TextColumn::equalityIndex() const
{
    std::call_once(m_indexBuilt, [this] { m_index = std::make_unique<EqualityIndex>(*this); });
    return *m_index;
}

} // namespace velkaro::database
