#include "ui/MemorySettingsStore.h"

#include <algorithm>

namespace velkaro::ui {

void MemorySettingsStore::setValue(std::uint32_t root, const QByteArray &keyName, const QByteArray &valueName,
    std::uint32_t type, const QByteArray &data)
{
    m_keys[{root, keyName.toUpper()}][valueName.toUpper()] = Value {type, data};
}

void MemorySettingsStore::addKey(std::uint32_t root, const QByteArray &keyName)
{
    m_keys[{root, keyName.toUpper()}];
}

long MemorySettingsStore::openKey(std::uint32_t root, const QByteArray &keyName, std::uint32_t, std::uint32_t, Key &key)
{
    key = 0;
    const auto found = m_keys.find({root, keyName.toUpper()});
    if (found == m_keys.end())
        return kErrorFileNotFound;
    key = m_nextKey++;
    m_openKeys[key] = &found->second;
    return kErrorSuccess;
}

long MemorySettingsStore::queryValue(
    Key key, const QByteArray &valueName, std::uint32_t &type, char *buffer, std::uint32_t &size)
{
    const auto open = m_openKeys.find(key);
    if (open == m_openKeys.end())
        return kErrorInvalidHandle;
    const auto found = open->second->find(valueName.toUpper());
    if (found == open->second->end())
        return kErrorFileNotFound;
    const Value &value = found->second;
    const auto length = static_cast<std::uint32_t>(value.data.size());
    type = value.type;
    if (length > size) {
        size = length;
        return kErrorMoreData;
    }
    std::copy(value.data.cbegin(), value.data.cend(), buffer);
    size = length;
    return kErrorSuccess;
}

long MemorySettingsStore::closeKey(Key key)
{
    return m_openKeys.erase(key) == 1 ? kErrorSuccess : kErrorInvalidHandle;
}

} // namespace velkaro::ui
