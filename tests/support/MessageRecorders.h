#pragma once

#include "message/MessageSink.h"

#include <QList>
#include <QString>

#include <optional>
#include <utility>

namespace velkaro::testing {

// A message as shown, and the override cursor while it was up where the recorder watches for one.
struct RecordedMessage
{
    RecordedMessage() = default;
    RecordedMessage(QString text, QString title, MessageIcon icon, std::optional<Qt::CursorShape> cursor = {})
        : text(std::move(text))
        , title(std::move(title))
        , icon(icon)
        , cursor(cursor)
    { }

    QString text;
    QString title;
    MessageIcon icon = MessageIcon::None;
    std::optional<Qt::CursorShape> cursor;
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
