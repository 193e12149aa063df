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

DWORD RunRegsvr32(const std::wstring& switches, const std::wstring& dll, const std::wstring& regsvr32,
                  bool* started) {
    std::wstring command = L"\"" + regsvr32 + L"\" /s " + switches + L" \"" + dll + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    const bool start =
        CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process) != 0;
    if (started != nullptr) *started = start;
    if (!start) {
        if (started == nullptr) ADD_FAILURE() << "cannot start " << Narrow(regsvr32) << ", error " << GetLastError();
        return DWORD(-1);
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD exitCode = DWORD(-1);
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return exitCode;
}

CodecServer::CodecServer(const std::wstring& path) : module_(LoadLibraryW(path.c_str())) {
    if (module_ == nullptr) return;
    registerServer_ = KYPCX_MODULE_EXPORT(ServerFn, module_, "DllRegisterServer");
    unregisterServer_ = KYPCX_MODULE_EXPORT(ServerFn, module_, "DllUnregisterServer");
}

void CodecServer::Unload() {
    if (module_ != nullptr) FreeLibrary(module_);
    module_ = nullptr;
    registerServer_ = nullptr;
    unregisterServer_ = nullptr;
}

std::wstring GuidText(const GUID& guid) {
    wchar_t text[40];
    StringFromGUID2(guid, text, 40);
    return text;
}

OtherBitness OtherBitnessCodec() {
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    const std::wstring program(path, length);
    const std::wstring tree = program.substr(0, program.find_last_of(L'\\') + 1) + L"..\\..\\";
    const bool wide = sizeof(void*) == 8;
    const std::wstring dll = tree + (wide ? L"win32" : L"win64") + L"\\bin\\KyPCXCodec.dll";
    wchar_t full[MAX_PATH];
    const DWORD fullLength = GetFullPathNameW(dll.c_str(), MAX_PATH, full, nullptr);
    return {fullLength != 0 && fullLength < MAX_PATH ? std::wstring(full, fullLength) : dll,
            wide ? L"C:\\windows\\syswow64\\regsvr32.exe" : L"C:\\windows\\sysnative\\regsvr32.exe",
            REGSAM(wide ? KEY_WOW64_32KEY : KEY_WOW64_64KEY)};
}

bool KeyExists(HKEY root, const std::wstring& path, REGSAM view) {
    HKEY key;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

std::wstring StringValue(HKEY root, const std::wstring& path, const wchar_t* name, REGSAM view) {
    HKEY key;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS) return L"(none)";
    wchar_t value[1024] = {};
    DWORD size = sizeof value;
    const LSTATUS status = RegGetValueW(key, nullptr, name, RRF_RT_REG_SZ, nullptr, value, &size);
    RegCloseKey(key);
    return status == ERROR_SUCCESS ? value : L"(none)";
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

void Collect(HKEY key, const std::wstring& label, REGSAM view, RegistryTree* tree) {
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
        if (RegOpenKeyExW(key, sub.c_str(), 0, KEY_READ | view, &child) != ERROR_SUCCESS) continue;
        Collect(child, label + L"\\" + sub, view, tree);
        RegCloseKey(child);
    }
}

}  // namespace

RegistryTree Subtree(HKEY root, const std::wstring& path, REGSAM view) {
    RegistryTree tree;
    HKEY key;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS) return tree;
    Collect(key, path, view, &tree);
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
