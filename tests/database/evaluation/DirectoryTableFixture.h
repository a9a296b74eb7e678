#pragma once

#include "database/table/TableBuilder.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <memory>
#include <optional>
#include <vector>

namespace velkaro::database::testing {

// One directory row: ABONENT, PHONE, ADDRESS, COMMENT, NO_TYPE; nullopt is null.
using DirectoryRow = std::array<std::optional<QString>, 5>;

// A table with the directory's five columns built straight from rows, as the reader streams them.
inline std::shared_ptr<const Table> directoryTableOf(const std::vector<DirectoryRow> &rows)
{
    TableBuilder builder;
    builder.columns({{QStringLiteral("ABONENT"), ColumnKind::Text}, {QStringLiteral("PHONE"), ColumnKind::Text},
        {QStringLiteral("ADDRESS"), ColumnKind::Text}, {QStringLiteral("COMMENT"), ColumnKind::Text},
        {QStringLiteral("NO_TYPE"), ColumnKind::Number}});
    for (const DirectoryRow &row : rows) {
        std::array<QByteArray, 5> utf8;
        std::array<FieldView, 5> fields;
        for (std::size_t i = 0; i < row.size(); ++i) {
            if (!row[i])
                continue;
            utf8[i] = row[i]->toUtf8();
            fields[i] = {utf8[i].constData(), static_cast<std::uint32_t>(utf8[i].size()), false};
        }
        builder.row(fields);
    }
    return builder.take();
}

} // namespace velkaro::database::testing
