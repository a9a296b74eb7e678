#include "ui/QtMessageSink.h"

#include <QApplication>
#include <QMessageBox>

namespace velkaro::ui {

namespace {

QMessageBox::Icon boxIcon(MessageIcon icon)
{
    switch (icon) {
    case MessageIcon::Warning:
        return QMessageBox::Warning;
    case MessageIcon::Critical:
        return QMessageBox::Critical;
    case MessageIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

// A box shown during a busy phase gets the normal pointer back until it closes.
class NormalCursorWhileBusy
{
public:
    NormalCursorWhileBusy()
        : m_busy(QApplication::overrideCursor() != nullptr)
    {
        if (m_busy)
            QApplication::setOverrideCursor(Qt::ArrowCursor);
    }
    ~NormalCursorWhileBusy()
    {
        if (m_busy)
            QApplication::restoreOverrideCursor();
    }
    NormalCursorWhileBusy(const NormalCursorWhileBusy &) = delete;
    NormalCursorWhileBusy &operator=(const NormalCursorWhileBusy &) = delete;

private:
    bool m_busy;
};

} // namespace

QtMessageSink::QtMessageSink(QWidget *parent)
    : m_parent(parent)
{ }

void QtMessageSink::showMessage(const QString &text, const QString &title, MessageIcon icon)
{
    const NormalCursorWhileBusy normalCursor;
    QMessageBox box(boxIcon(icon), title, text, QMessageBox::Ok, m_parent);
    box.exec();
}

} // namespace velkaro::ui
