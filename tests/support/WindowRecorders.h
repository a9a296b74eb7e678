#pragma once

#include "support/MessageRecorders.h"
#include "ui/Launcher.h"

#include <QApplication>
#include <QCursor>
#include <QList>

#include <optional>

// Stand-ins for the window's seams that record what would have been shown or started.

using velkaro::testing::RecordedMessage;

// Records into the test's own list, for a sink that the window owns, with the override cursor.
class MessageRecorder : public velkaro::MessageSink
{
public:
    explicit MessageRecorder(QList<RecordedMessage> &messages)
        : m_messages(messages)
    { }

    void showMessage(const QString &text, const QString &title, velkaro::MessageIcon icon) override
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

class LaunchRecorder : public velkaro::ui::Launcher
{
public:
    explicit LaunchRecorder(QList<LaunchedPage> &pages)
        : m_pages(pages)
    { }

    void openPage(const QString &path, int showMode) override { m_pages.append({path, showMode}); }
    bool startProgram(const QString &, int) override { return false; }

private:
    QList<LaunchedPage> &m_pages;
};
