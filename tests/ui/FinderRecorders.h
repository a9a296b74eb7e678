#pragma once

#include "Launcher.h"
#include "search/SearchPorts.h"

#include <QApplication>
#include <QCursor>
#include <QList>

#include <optional>

// Stand-ins for the window's seams that record what would have been shown or started.

struct RecordedMessage
{
    QString text;
    QString title;
    velkaro::search::MessageIcon icon;
    std::optional<Qt::CursorShape> cursor; // the override cursor while the message was up
};

class MessageRecorder : public velkaro::search::MessageSink
{
public:
    explicit MessageRecorder(QList<RecordedMessage> &messages)
        : m_messages(messages)
    { }

    void showMessage(const QString &text, const QString &title, velkaro::search::MessageIcon icon) override
    {
        const QCursor *cursor = QApplication::overrideCursor();
        m_messages.append({text, title, icon, cursor ? std::optional(cursor->shape()) : std::nullopt});
    }

private:
    QList<RecordedMessage> &m_messages;
};

struct LaunchedPage
{
    QString path;
    int showMode;
};

// pageOpens: what the desktop answers, false where no launcher can open a page.
class LaunchRecorder : public velkaro::ui::Launcher
{
public:
    explicit LaunchRecorder(QList<LaunchedPage> &pages, bool pageOpens = true)
        : m_pages(pages)
        , m_pageOpens(pageOpens)
    { }

    bool openPage(const QString &path, int showMode) override
    {
        m_pages.append({path, showMode});
        return m_pageOpens;
    }
    bool startProgram(const QString &, int) override { return false; }

private:
    QList<LaunchedPage> &m_pages;
    bool m_pageOpens;
};
