#pragma once

#include "message/MessageSink.h"

#include <QList>
#include <QString>

namespace velkaro::testing {

struct RecordedMessage
{
    QString text;
    QString title;
    MessageIcon icon;
    bool operator==(const RecordedMessage &) const = default;
};

// Keeps every message instead of showing it.
class RecordingMessages : public MessageSink
{
public:
    void showMessage(const QString &text, const QString &title, MessageIcon icon) override
    {
        messages.append({text, title, icon});
    }

    QList<RecordedMessage> messages;
};

} // namespace velkaro::testing
