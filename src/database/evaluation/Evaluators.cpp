#include "database/evaluation/Evaluators.h"

#include "database/evaluation/LikeMatch.h"
#include "database/evaluation/SubstringFinder.h"
#include "database/table/EqualityIndex.h"

namespace velkaro::database {

namespace {

bool usesEqualityIndex(const BoundCondition &condition)
{
    if (condition.op == ComparisonOperator::Equal)
        return !condition.numeric;
    return isLiteralPattern(condition.folded);
}

std::vector<std::uint32_t> filtered(
    std::vector<std::uint32_t> candidates, const std::vector<BoundCondition> &conditions)
{
    std::erase_if(candidates, [&conditions](std::uint32_t row) { return !allHold(conditions, row); });
    return candidates;
}

// Rows whose folded text contains `literal`, tested against all conditions as they are found.
std::vector<std::uint32_t> searchRows(
    const TextColumn &column, std::string_view literal, const std::vector<BoundCondition> &conditions)
{
    std::vector<std::uint32_t> rows;
    const std::string_view texts = column.foldedTexts();
    const SubstringFinder finder(literal);
    std::size_t from = 0;
    std::uint32_t row = 0;
    for (;;) {
        const std::size_t offset = finder.find(texts, from);
        if (offset == std::string_view::npos)
            break;
        row = column.rowAt(offset, row);
        const std::size_t rowEnd = column.foldedBegin(row + 1);
        // A hit running into the next row says nothing: no later hit can start in this row either.
        if (offset + literal.size() <= rowEnd && allHold(conditions, row))
            rows.push_back(row);
        from = rowEnd;
    }
    return rows;
}

} // namespace

std::vector<std::uint32_t> evaluatePlain(const Table &table, const std::vector<BoundCondition> &conditions)
{
    std::vector<std::uint32_t> rows;
    for (std::uint32_t row = 0; row < table.rowCount(); ++row) {
        if (allHold(conditions, row))
            rows.push_back(row);
    }
    return rows;
}

std::vector<std::uint32_t> evaluateFast(const Table &table, const std::vector<BoundCondition> &conditions)
{
    for (const BoundCondition &condition : conditions) {
        if (!usesEqualityIndex(condition))
            continue;
        // Building an index takes many searches' time: without one built ahead, whole texts are looked for
        // like any other.
        if (const EqualityIndex *index = condition.column->builtEqualityIndex())
            return filtered(index->rowsEqualTo(condition.folded), conditions);
        if (condition.folded.empty())
            return evaluatePlain(table, conditions);
        return searchRows(*condition.column, condition.folded, conditions);
    }
    const BoundCondition *searched = nullptr;
    std::string_view literal;
    for (const BoundCondition &condition : conditions) {
        if (condition.op != ComparisonOperator::Like)
            continue;
        const std::string_view candidate = longestLiteral(condition.folded);
        if (candidate.size() > literal.size()) {
            searched = &condition;
            literal = candidate;
        }
    }
    if (!searched)
        return evaluatePlain(table, conditions);
    return searchRows(*searched->column, literal, conditions);
}

} // namespace velkaro::database
