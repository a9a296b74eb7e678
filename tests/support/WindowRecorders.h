#pragma once

#include "support/MessageRecorders.h"
#include "ui/Launcher.h"

#include <QApplication>
#include <QCursor>
#include <QList>

#include <optional>
#include <utility>

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

// A page opened or a program started: its path and show mode.
using Launch = std::pair<QString, int>;

// Records the pages and programs the windows would open or start; startProgram answers `startResult`, openPage
// answers `pageOpens` (false where no launcher can open a page).
class RecordingLauncher : public velkaro::ui::Launcher
{
public:
    explicit RecordingLauncher(bool startResult = true)
        : pages(m_pages)
        , startResult(startResult)
    { }
    // Records the pages into the test's own list, for a launcher that the window owns.
    explicit RecordingLauncher(QList<Launch> &pages, bool pageOpens = true)
        : pages(pages)
        , startResult(false)
        , pageOpens(pageOpens)
    { }

    bool openPage(const QString &path, int showMode) override
    {
        pages.append({path, showMode});
        return pageOpens;
    }
    bool startProgram(const QString &path, int showMode) override
    {
        programs.append({path, showMode});
        return startResult;
    }

    QList<Launch> &pages;
    QList<Launch> programs;
    bool startResult;
    bool pageOpens = true;

private:
    QList<Launch> m_pages;
};
