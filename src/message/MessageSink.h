#pragma once

#include <QString>

namespace velkaro {

enum class MessageIcon { None, Warning, Critical };

// A modal message with an OK button only: the search command and every window show theirs through it.
class MessageSink
{
public:
    virtual ~MessageSink() = default;
    virtual void showMessage(const QString &text, const QString &title, MessageIcon icon) = 0;
};

} // namespace velkaro
