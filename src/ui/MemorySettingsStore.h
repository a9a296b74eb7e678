#pragma once

#include "ui/SettingsStore.h"

#include <QByteArray>

#include <cstdint>
#include <map>
#include <utility>

namespace velkaro::ui {

// A settings store held in memory, answering like the registry: names match without regard to case, a value
// longer than the caller's buffer is refused with kErrorMoreData.
class MemorySettingsStore : public SettingsStore
{
public:
    // Creates the key if needed and sets one of its values.
    void setValue(std::uint32_t root, const QByteArray &keyName, const QByteArray &valueName, std::uint32_t type,
        const QByteArray &data);
    // Creates a key without values.
    void addKey(std::uint32_t root, const QByteArray &keyName);

    long openKey(
        std::uint32_t root, const QByteArray &keyName, std::uint32_t options, std::uint32_t access, Key &key) override;
    long queryValue(
        Key key, const QByteArray &valueName, std::uint32_t &type, char *buffer, std::uint32_t &size) override;
    long closeKey(Key key) override;

private:
    struct Value
    {
        std::uint32_t type = 0;
        QByteArray data;
    };
    using Values = std::map<QByteArray, Value>;

    std::map<std::pair<std::uint32_t, QByteArray>, Values> m_keys;
    std::map<Key, const Values *> m_openKeys;
    Key m_nextKey = 1;
};

} // namespace velkaro::ui
