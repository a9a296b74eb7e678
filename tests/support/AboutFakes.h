#pragma once

#include "support/MessageRecorders.h"
#include "support/WindowRecorders.h"
#include "ui/MemorySettingsStore.h"

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
