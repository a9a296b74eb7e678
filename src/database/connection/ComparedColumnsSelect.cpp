#include "database/connection/ComparedColumnsSelect.h"

#include "database/core/DatabaseError.h"
#include "database/evaluation/BoundCondition.h"
#include "database/evaluation/Evaluators.h"
#include "database/evaluation/Statement.h"
#include "database/readtable/ReaderProtocol.h"
#include "database/table/FileStamp.h"
#include "database/table/ReadByPlace.h"
#include "database/table/Table.h"
#include "database/table/TableCache.h"

#include <QStringList>

#include <algorithm>
#include <numeric>

namespace velkaro::database {

namespace {

const QString &tableName()
{
    static const QString name = QStringLiteral("Base");
    return name;
}

QStringList comparedColumns(const Statement &statement)
{
    QStringList columns;
    for (const Condition &condition : statement.conditions) {
        if (!columns.contains(condition.column, Qt::CaseInsensitive))
            columns.append(condition.column);
    }
    return columns;
}

Selection selectFromWholeTable(const QString &path, const Statement &statement)
{
    return selectFromTable(directoryTable(path), statement);
}

std::vector<std::uint32_t> allRows(const Table &table)
{
    std::vector<std::uint32_t> rows(table.rowCount());
    std::iota(rows.begin(), rows.end(), 0U);
    return rows;
}

} // namespace

Selection selectFromTable(std::shared_ptr<const Table> table, const Statement &statement)
{
    auto rows = evaluateFast(*table, bindConditions(*table, statement));
    return {std::move(table), std::move(rows)};
}

Selection selectReadingComparedColumns(
    const QString &path, const Statement &statement, const std::shared_ptr<const Table> &columnsOnly)
{
    bindConditions(*columnsOnly, statement);
    const auto before = stampOf(path);
    if (!before)
        throw DatabaseError("database file missing or unreadable");
    std::vector<std::uint32_t> places;
    {
        const ChosenColumns compared = readChosenColumns(path, tableName(), comparedColumns(statement));
        const std::vector<std::uint32_t> rows =
            evaluateFast(*compared.table, bindConditions(*compared.table, statement));
        if (rows.size() > reader_protocol::kMaxPlaces)
            return selectFromWholeTable(path, statement);
        places.resize(rows.size());
        std::transform(rows.begin(), rows.end(), places.begin(),
            [&compared](std::uint32_t row) { return compared.places.of(row); });
    }
    std::shared_ptr<const Table> selected = places.empty() ? columnsOnly : readPlacedRows(path, tableName(), places);
    // The places are those of the file as it was when its columns were read.
    const auto after = stampOf(path);
    if (!after || !(*after == *before))
        return selectFromWholeTable(path, statement);
    std::vector<std::uint32_t> rows = allRows(*selected);
    return {std::move(selected), std::move(rows)};
}

} // namespace velkaro::database
