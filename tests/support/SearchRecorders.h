#pragma once

#include "search/SearchPorts.h"
#include "support/MessageRecorders.h"

#include <QList>
#include <QStringList>

// Plain stand-ins for the main window's input boxes, result list and message boxes.
namespace velkaro::search::testing {

class FixedInputs : public InputSource
{
public:
    explicit FixedInputs(SearchInputs inputs)
        : m_inputs(std::move(inputs))
    { }
    SearchInputs searchInputs() const override { return m_inputs; }

private:
    SearchInputs m_inputs;
};

class RecordingList : public ResultList
{
public:
    void clear() override
    {
        lines.clear();
        ++clearCount;
    }
    void append(const QStringList &batch) override
    {
        lines += batch;
        ++appendCount;
    }

    QStringList lines;
    int clearCount = 0;
    int appendCount = 0;
};

using velkaro::testing::RecordedMessage;
using velkaro::testing::RecordingMessages;

} // namespace velkaro::search::testing
