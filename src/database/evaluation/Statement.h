#pragma once

#include <QString>

#include <vector>

namespace velkaro::database {

enum class ComparisonOperator { Like, Equal };

// `<column> LIKE '<text>'` or `<column>='<text>'`, with the text as written between the apostrophes.
struct Condition
{
    QString column;
    ComparisonOperator op = ComparisonOperator::Equal;
    QString value;
    bool operator==(const Condition &) const = default;
};

// SELECT * FROM <table> WHERE <condition> [AND <condition>]...
struct Statement
{
    QString table;
    std::vector<Condition> conditions;
    bool operator==(const Statement &) const = default;
};

// Parses the one statement form the engine answers: keywords in any case, blanks (spaces, tabs, line
// breaks) flexible and allowed at the end, `''` inside a text standing for one apostrophe, names plain or
// in brackets. Anything else throws DatabaseError.
Statement parseStatement(const QString &sql);

} // namespace velkaro::database
