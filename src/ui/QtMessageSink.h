#pragma once

#include "message/MessageSink.h"

class QWidget;

namespace velkaro::ui {

// Shows the program's messages as modal message boxes with an OK button only.
class QtMessageSink : public MessageSink
{
public:
    explicit QtMessageSink(QWidget *parent);

    void showMessage(const QString &text, const QString &title, MessageIcon icon) override;

private:
    QWidget *m_parent;
};

} // namespace velkaro::ui
