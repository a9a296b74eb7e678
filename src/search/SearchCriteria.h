#pragma once

#include <QString>

namespace velkaro::search {

enum class CriterionKind { Phone, Subscriber, Address, Comment };

// What a search looks for: one flag per kind, with the exact phone value and three LIKE patterns.
struct SearchCriteria
{
    bool phone = false;
    bool subscriber = false;
    bool address = false;
    bool comment = false;
    QString phoneValue;
    QString subscriberPattern;
    QString addressPattern;
    QString commentPattern;

    // Raises the flag of `kind`, replaces its value or pattern and lowers the other three flags;
    // the other values and patterns stay as they are.
    void set(CriterionKind kind, const QString &valueOrPattern);

    bool operator==(const SearchCriteria &) const = default;
};

} // namespace velkaro::search
