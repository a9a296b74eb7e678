#pragma once

#include "message/MessageSink.h"
#include "search/SearchPorts.h"

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

struct RecordedMessage
{
    QString text;
    QString title;
    MessageIcon icon;
    bool operator==(const RecordedMessage &) const = default;
};

class RecordingMessages : public MessageSink
{
public:
    void showMessage(const QString &text, const QString &title, MessageIcon icon) override
    {
        messages.append({text, title, icon});
    }

    QList<RecordedMessage> messages;
};

} // namespace velkaro::search::testing
