#pragma once

#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <optional>

struct SeenBox
{
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    QWidget *parent = nullptr;
    bool modal = false;
    std::optional<Qt::CursorShape> cursor;
};

// Watches for the next modal message box, records it and presses its OK button. Gives up at the deadline,
// so a box that never comes leaves no timer running.
class ModalBoxCloser : public QObject
{
public:
    explicit ModalBoxCloser(std::optional<SeenBox> &seen)
        : m_seen(seen)
    {
        connect(&m_poll, &QTimer::timeout, this, &ModalBoxCloser::poll);
        m_poll.start(10);
        m_deadline.start();
    }

private:
    void poll()
    {
        if (m_deadline.hasExpired(10000)) {
            m_poll.stop();
            return;
        }
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        m_poll.stop();
        const QCursor *cursor = QApplication::overrideCursor();
        m_seen = SeenBox {box->windowTitle(), box->text(), box->icon(), box->standardButtons(), box->parentWidget(),
            box->isModal(), cursor ? std::optional(cursor->shape()) : std::nullopt};
        box->button(QMessageBox::Ok)->click();
    }

    std::optional<SeenBox> &m_seen;
    QTimer m_poll;
    QElapsedTimer m_deadline;
};
