#include "database/evaluation/BoundCondition.h"

#include "database/core/CaseFold.h"
#include "database/core/DatabaseError.h"
#include "database/evaluation/LikeMatch.h"

#include <QByteArray>

namespace velkaro::database {

namespace {

bool parseNumber(std::string_view text, double *number)
{
    bool ok = false;
    *number = QByteArray::fromRawData(text.data(), static_cast<qsizetype>(text.size())).trimmed().toDouble(&ok);
    return ok;
}

} // namespace

bool BoundCondition::holds(std::uint32_t row) const
{
    if (column->isNull(row))
        return false;
    const std::string_view text = column->folded(row);
    if (op == ComparisonOperator::Like)
        return likeMatches(text, folded);
    if (numeric) {
        double value = 0;
        return parseNumber(text, &value) && value == number;
    }
    return text == folded;
}

std::vector<BoundCondition> bindConditions(const Table &table, const Statement &statement)
{
    std::vector<BoundCondition> bound;
    for (const Condition &condition : statement.conditions) {
        const auto index = table.columnIndex(condition.column);
        if (!index)
            throw DatabaseError("unknown column");
        BoundCondition b;
        b.column = &table.values(*index);
        b.op = condition.op;
        b.folded = foldedUtf8(condition.value);
        if (b.op == ComparisonOperator::Like && !isValidLikePattern(b.folded))
            throw DatabaseError("invalid pattern");
        b.numeric = condition.op == ComparisonOperator::Equal && table.columns()[*index].kind == ColumnKind::Number;
        if (b.numeric && !parseNumber(b.folded, &b.number))
            throw DatabaseError("data type mismatch");
        bound.push_back(std::move(b));
    }
    return bound;
}

bool allHold(const std::vector<BoundCondition> &conditions, std::uint32_t row)
{
    for (const BoundCondition &condition : conditions) {
        if (!condition.holds(row))
            return false;
    }
    return true;
}

} // namespace velkaro::database
