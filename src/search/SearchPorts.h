#pragma once

#include "search/ResultRecords.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

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

// Runs the slow steps of a search (reading the file, evaluating the statement, collecting the records) and
// rethrows what they throw; by default in place.
class SlowSteps
{
public:
    virtual ~SlowSteps() = default;
    virtual void run(const std::function<void()> &step) { step(); }
};

// The result list: cleared and appended to, a batch of lines at a time.
class ResultList
{
public:
    virtual ~ResultList() = default;
    virtual void clear() = 0;
    virtual void append(const QStringList &lines) = 0;
    // A search's records; a list that keeps them may make their lines only when it shows them.
    virtual void appendRecords(std::shared_ptr<const ResultRecords> records) { append(records->lines()); }
};

} // namespace velkaro::search
