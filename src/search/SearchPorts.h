#pragma once

#include <QString>
#include <QStringList>

namespace velkaro::search {

// The seven input texts of a search, read at the moment of the search.
struct SearchInputs
{
    QString street; // txtStreet
    QString house; // txtHouse
    QString korp; // txtKorp
    QString flat; // txtFlat
    QString ab; // txtAb
    QString phone; // txtPhone
    QString comment; // txtComment
    bool operator==(const SearchInputs &) const = default;
};

class InputSource
{
public:
    virtual ~InputSource() = default;
    virtual SearchInputs searchInputs() const = 0;
};

// The result list: cleared and appended to, a batch of lines at a time.
class ResultList
{
public:
    virtual ~ResultList() = default;
    virtual void clear() = 0;
    virtual void append(const QStringList &lines) = 0;
};

} // namespace velkaro::search
