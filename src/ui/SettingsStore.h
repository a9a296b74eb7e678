#pragma once

#include <QByteArray>

#include <cstdint>
#include <memory>

namespace velkaro::ui {

// The read-only part of the system settings store, shaped like the three registry calls the About dialog makes.
class SettingsStore
{
public:
    using Key = std::uintptr_t;

    // Root of the machine-wide keys (HKEY_LOCAL_MACHINE as a 32-bit value).
    static constexpr std::uint32_t kLocalMachine = 0x80000002;
    // KEY_QUERY_VALUE | KEY_SET_VALUE | KEY_CREATE_SUB_KEY | KEY_ENUMERATE_SUB_KEYS | KEY_NOTIFY | KEY_CREATE_LINK |
    // READ_CONTROL
    static constexpr std::uint32_t kQueryAccess = 0x2003F;

    // Result codes as the registry reports them.
    static constexpr long kErrorSuccess = 0;
    static constexpr long kErrorFileNotFound = 2;
    static constexpr long kErrorInvalidHandle = 6;
    static constexpr long kErrorMoreData = 234;

    // Value types.
    static constexpr std::uint32_t kTypeText = 1; // REG_SZ
    static constexpr std::uint32_t kTypeNumber = 4; // REG_DWORD, least significant byte first

    virtual ~SettingsStore() = default;

    // RegOpenKeyExA: `key` is the open key, or 0 when the call fails.
    virtual long openKey(
        std::uint32_t root, const QByteArray &keyName, std::uint32_t options, std::uint32_t access, Key &key) = 0;
    // RegQueryValueExA: `size` holds the buffer's capacity on entry and the value's length in bytes on return;
    // a value longer than the buffer gives kErrorMoreData and leaves the buffer undefined.
    virtual long queryValue(
        Key key, const QByteArray &valueName, std::uint32_t &type, char *buffer, std::uint32_t &size) = 0;
    // RegCloseKey
    virtual long closeKey(Key key) = 0;
};

// The settings store of the platform the program runs on.
std::unique_ptr<SettingsStore> makeSystemSettingsStore();

} // namespace velkaro::ui
