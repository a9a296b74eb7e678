#include "ui/SettingsStore.h"

#include <windows.h>

namespace velkaro::ui {

namespace {

HKEY toHkey(SettingsStore::Key key)
{
    return reinterpret_cast<HKEY>(key);
}

// The Windows registry through its ANSI calls.
class RegistrySettingsStore final : public SettingsStore
{
public:
    long openKey(
        std::uint32_t root, const QByteArray &keyName, std::uint32_t options, std::uint32_t access, Key &key) override
    {
        // Predefined roots are 32-bit values widened with their sign, as the system headers define them.
        const HKEY rootKey = reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG>(root)));
        HKEY opened = nullptr;
        const LONG result = RegOpenKeyExA(rootKey, keyName.constData(), options, access, &opened);
        key = result == ERROR_SUCCESS ? reinterpret_cast<Key>(opened) : 0;
        return result;
    }

    long queryValue(
        Key key, const QByteArray &valueName, std::uint32_t &type, char *buffer, std::uint32_t &size) override
    {
        DWORD valueType = 0;
        DWORD valueSize = size;
        const LONG result = RegQueryValueExA(
            toHkey(key), valueName.constData(), nullptr, &valueType, reinterpret_cast<BYTE *>(buffer), &valueSize);
        type = valueType;
        size = valueSize;
        return result;
    }

    long closeKey(Key key) override { return RegCloseKey(toHkey(key)); }
};

} // namespace

std::unique_ptr<SettingsStore> makeSystemSettingsStore()
{
    return std::make_unique<RegistrySettingsStore>();
}

} // namespace velkaro::ui
