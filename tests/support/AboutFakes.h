#pragma once

#include "support/MessageRecorders.h"
#include "support/WindowRecorders.h"
#include "ui/MemorySettingsStore.h"
#include "ui/frmAbout.h"
#include "ui/frmFinder.h"

#include <QAction>
#include <QApplication>

#include <QByteArrayList>
#include <QList>
#include <QString>

using velkaro::testing::RecordedMessage;
using velkaro::testing::RecordingMessages;

// A memory store that records which keys were opened and which handles were closed.
class RecordingStore : public velkaro::ui::MemorySettingsStore
{
public:
    long openKey(
        std::uint32_t root, const QByteArray &keyName, std::uint32_t options, std::uint32_t access, Key &key) override
    {
        const long result = MemorySettingsStore::openKey(root, keyName, options, access, key);
        openedKeys.append(keyName);
        if (result == kErrorSuccess)
            stillOpen.append(key);
        return result;
    }

    long closeKey(Key key) override
    {
        closedKeys.append(key);
        stillOpen.removeOne(key);
        return MemorySettingsStore::closeKey(key);
    }

    QByteArrayList openedKeys;
    QList<Key> closedKeys;
    QList<Key> stillOpen;
};

inline const QByteArray kSysInfoPathKey = QByteArrayLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO");
inline const QByteArray kSysInfoFolderKey = QByteArrayLiteral("SOFTWARE\\Microsoft\\Shared Tools Location");

// What "&System Info..." starts in the About dialog that the main window opens over the system's own store: the
// launcher's programs, none unless exactly one such dialog opened.
inline QList<Launch> programsStartedByMainWindowsAbout()
{
    auto ownedLauncher = std::make_unique<RecordingLauncher>();
    const RecordingLauncher *launcher = ownedLauncher.get();
    velkaro::ui::FinderDialogSeams dialogs;
    dialogs.aboutMessages = std::make_unique<RecordingMessages>();
    velkaro::ui::frmFinder finder(std::move(ownedLauncher), std::make_unique<RecordingMessages>(), std::move(dialogs));
    finder.findChild<QAction *>(QStringLiteral("mAbout"))->trigger();
    QList<velkaro::ui::frmAbout *> abouts;
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (auto *about = qobject_cast<velkaro::ui::frmAbout *>(widget))
            abouts.append(about);
    }
    if (abouts.size() != 1)
        return {};
    abouts.first()->StartSysInfo();
    return launcher->programs;
}
