// Small helpers of the codec's registration: a registry key closed with its
// scope, string and number values written into it, and a GUID's text.
#pragma once

#include <windows.h>

#include <cstdint>

// A registry key, closed with its scope.
class RegistryKey {
public:
    RegistryKey() = default;
    ~RegistryKey() { Close(); }
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;

    // Creates or opens `path` below `parent` for writing. `created`, when
    // given, says whether the key is new.
    LSTATUS Create(HKEY parent, const wchar_t* path, bool* created = nullptr, REGSAM access = KEY_WRITE) {
        Close();
        DWORD disposition = 0;
        const LSTATUS status = RegCreateKeyExW(parent, path, 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr,
                                               &key_, &disposition);
        if (status != ERROR_SUCCESS) key_ = nullptr;
        if (created != nullptr) *created = status == ERROR_SUCCESS && disposition == REG_CREATED_NEW_KEY;
        return status;
    }
    // Opens an existing key; ERROR_FILE_NOT_FOUND when there is none.
    LSTATUS Open(HKEY parent, const wchar_t* path, REGSAM access) {
        Close();
        const LSTATUS status = RegOpenKeyExW(parent, path, 0, access, &key_);
        if (status != ERROR_SUCCESS) key_ = nullptr;
        return status;
    }
    void Close() {
        if (key_ != nullptr) RegCloseKey(key_);
        key_ = nullptr;
    }
    LSTATUS SetString(const wchar_t* name, const wchar_t* value) const {
        return RegSetValueExW(key_, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                              DWORD((lstrlenW(value) + 1) * sizeof(wchar_t)));
    }
    LSTATUS SetDword(const wchar_t* name, DWORD value) const {
        return RegSetValueExW(key_, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    }
    LSTATUS SetBinary(const wchar_t* name, const uint8_t* bytes, DWORD length) const {
        return RegSetValueExW(key_, name, 0, REG_BINARY, bytes, length);
    }
    HKEY get() const { return key_; }

private:
    HKEY key_ = nullptr;
};

// "{XXXXXXXX-...}" of a GUID.
struct GuidText {
    wchar_t text[40];
    explicit GuidText(const GUID& guid) {
        if (StringFromGUID2(guid, text, 40) == 0) text[0] = L'\0';
    }
};
