// regsvr32 runs and registry reads for the registration tests.
#include "codec/RegistryClient.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "support/KyPcxTestSupport.h"

namespace kypcx_test {

std::wstring CodecPath() {
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring dir(path, length);
    return dir.substr(0, dir.find_last_of(L'\\') + 1) + L"KyPCXCodec.dll";
}

DWORD RunRegsvr32(const std::wstring& switches, const std::wstring& dll) {
    std::wstring command = L"regsvr32.exe /s " + switches + L" \"" + dll + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        ADD_FAILURE() << "cannot start regsvr32, error " << GetLastError();
        return DWORD(-1);
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD exitCode = DWORD(-1);
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return exitCode;
}

std::wstring GuidText(const GUID& guid) {
    wchar_t text[40];
    StringFromGUID2(guid, text, 40);
    return text;
}

bool KeyExists(HKEY root, const std::wstring& path) {
    HKEY key;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

std::wstring StringValue(HKEY root, const std::wstring& path, const wchar_t* name) {
    wchar_t value[1024] = {};
    DWORD size = sizeof value;
    if (RegGetValueW(root, path.c_str(), name, RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS)
        return L"(none)";
    return value;
}

namespace {

std::string Hex(const BYTE* bytes, DWORD size) {
    std::string text;
    char two[3];
    for (DWORD i = 0; i < size; ++i) {
        snprintf(two, sizeof two, "%02x", bytes[i]);
        text += two;
    }
    return text;
}

void Collect(HKEY key, const std::wstring& label, RegistryTree* tree) {
    (*tree)[label] = "key";
    std::vector<wchar_t> name(16384);
    std::vector<BYTE> data(65536);
    for (DWORD i = 0;; ++i) {
        DWORD nameLength = DWORD(name.size());
        DWORD type = 0;
        DWORD size = DWORD(data.size());
        if (RegEnumValueW(key, i, name.data(), &nameLength, nullptr, &type, data.data(), &size) != ERROR_SUCCESS)
            break;
        (*tree)[label + L"|" + std::wstring(name.data(), nameLength)] =
            std::to_string(type) + ":" + Hex(data.data(), size);
    }
    for (DWORD i = 0;; ++i) {
        DWORD nameLength = DWORD(name.size());
        if (RegEnumKeyExW(key, i, name.data(), &nameLength, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        const std::wstring sub(name.data(), nameLength);
        HKEY child;
        if (RegOpenKeyExW(key, sub.c_str(), 0, KEY_READ, &child) != ERROR_SUCCESS) continue;
        Collect(child, label + L"\\" + sub, tree);
        RegCloseKey(child);
    }
}

}  // namespace

RegistryTree Subtree(HKEY root, const std::wstring& path) {
    RegistryTree tree;
    HKEY key;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return tree;
    Collect(key, path, &tree);
    RegCloseKey(key);
    return tree;
}

std::string Differences(const RegistryTree& before, const RegistryTree& after) {
    std::string text;
    for (const auto& entry : before) {
        const auto now = after.find(entry.first);
        if (now == after.end()) text += "\n  gone: " + Narrow(entry.first) + " = " + entry.second;
        else if (now->second != entry.second)
            text += "\n  changed: " + Narrow(entry.first) + " = " + entry.second + " -> " + now->second;
    }
    for (const auto& entry : after)
        if (before.count(entry.first) == 0) text += "\n  added: " + Narrow(entry.first) + " = " + entry.second;
    return text;
}

bool ForeignValues::Set(HKEY root, const std::wstring& path, const wchar_t* name, const std::wstring& data) {
    // Key by key, so that each one made here is taken away again.
    for (size_t end = 0; end != std::wstring::npos;) {
        end = path.find(L'\\', end + 1);
        const std::wstring prefix = path.substr(0, end);
        HKEY key;
        DWORD disposition = 0;
        if (RegCreateKeyExW(root, prefix.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, &disposition) !=
            ERROR_SUCCESS)
            return false;
        RegCloseKey(key);
        if (disposition == REG_CREATED_NEW_KEY) createdKeys_.emplace_back(root, prefix);
    }
    const LSTATUS status = RegSetKeyValueW(root, path.c_str(), name, REG_SZ, data.c_str(),
                                           DWORD((data.size() + 1) * sizeof(wchar_t)));
    if (status != ERROR_SUCCESS) return false;
    values_.push_back({root, path, name != nullptr ? name : L"", name == nullptr});
    return true;
}

void ForeignValues::Remove() {
    for (const Value& v : values_) {
        HKEY key;
        if (RegOpenKeyExW(v.root, v.path.c_str(), 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) continue;
        RegDeleteValueW(key, v.isDefault ? nullptr : v.name.c_str());
        RegCloseKey(key);
    }
    values_.clear();
    for (auto key = createdKeys_.rbegin(); key != createdKeys_.rend(); ++key) {
        RegDeleteTreeW(key->first, key->second.c_str());
        RegDeleteKeyW(key->first, key->second.c_str());
    }
    createdKeys_.clear();
}

}  // namespace kypcx_test
