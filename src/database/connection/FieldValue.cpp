#include "database/connection/FieldValue.h"

#include "database/core/DatabaseError.h"
#include "database/table/Table.h"

#include <QByteArray>

#include <optional>
#include <string_view>

namespace velkaro::database {

namespace {

// Plain digits, the usual rendering of a number column, read without the general parser; exact up to 15 digits.
std::optional<double> wholeNumber(std::string_view text)
{
    if (text.empty() || text.size() > 15)
        return std::nullopt;
    std::uint64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
    }
    return static_cast<double>(value);
}

} // namespace

QVariant fieldValue(const Table &table, std::size_t column, std::uint32_t row)
{
    const TextColumn &values = table.values(column);
    if (values.isNull(row))
        return {};
    if (table.columns()[column].kind == ColumnKind::Text)
        return values.text(row);
    const std::string_view text = values.folded(row);
    if (const auto whole = wholeNumber(text))
        return *whole;
    bool ok = false;
    const double number = QByteArray::fromRawData(text.data(), static_cast<qsizetype>(text.size())).toDouble(&ok);
    if (!ok)
        throw DatabaseError("bad number in a numeric column");
    return number;
}

} // namespace velkaro::database
