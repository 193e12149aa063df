// What the registration tests do as an installer and an administrator do:
// run regsvr32 on the codec, read keys and values through the Win32
// registry API, take whole subtrees to compare before and after, and set
// values of other programs' and take them away again.
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <vector>

namespace kypcx_test {

// KyPCXCodec.dll beside the test program.
std::wstring CodecPath();

// regsvr32 (the program at `regsvr32`, the one of this bitness by default)
// with `switches`, silent, on `dll`; its exit code. `started`, when given,
// says whether the program could be started at all; otherwise a program that
// cannot start fails the test.
DWORD RunRegsvr32(const std::wstring& switches, const std::wstring& dll = CodecPath(),
                  const std::wstring& regsvr32 = L"regsvr32.exe", bool* started = nullptr);

// The codec of the other bitness, built in the tree beside this one, and
// what registers it: the regsvr32 of that bitness, which writes its own
// registry view (`view`, for reading it from here).
struct OtherBitness {
    std::wstring dll;
    std::wstring regsvr32;
    REGSAM view;
};
OtherBitness OtherBitnessCodec();

// A copy of the codec loaded into the test program, for its registration
// entries called directly, as regsvr32 calls them.
class CodecServer {
public:
    explicit CodecServer(const std::wstring& path = L"KyPCXCodec.dll");
    ~CodecServer() { Unload(); }
    CodecServer(const CodecServer&) = delete;
    CodecServer& operator=(const CodecServer&) = delete;

    // Whether the DLL loaded with both entries.
    bool loaded() const { return registerServer_ != nullptr && unregisterServer_ != nullptr; }
    HRESULT Register() const { return registerServer_(); }
    HRESULT Unregister() const { return unregisterServer_(); }
    void Unload();

private:
    using ServerFn = HRESULT(STDAPICALLTYPE*)();
    HMODULE module_ = nullptr;
    ServerFn registerServer_ = nullptr;
    ServerFn unregisterServer_ = nullptr;
};

// "{XXXXXXXX-...}" of a GUID.
std::wstring GuidText(const GUID& guid);

// Keys and values as seen in this program's registry view, or in the view
// `view` names (KEY_WOW64_32KEY, KEY_WOW64_64KEY).
bool KeyExists(HKEY root, const std::wstring& path, REGSAM view = 0);

// A string value; "(none)" where there is no such key or value or it is not
// a string.
std::wstring StringValue(HKEY root, const std::wstring& path, const wchar_t* name, REGSAM view = 0);

// Every key and value of the subtree at `path`, each named by its path (a
// value as "key|name") with its type and bytes as text; empty where there
// is no such key.
using RegistryTree = std::map<std::wstring, std::string>;
RegistryTree Subtree(HKEY root, const std::wstring& path, REGSAM view = 0);

// The differences between two trees, for people.
std::string Differences(const RegistryTree& before, const RegistryTree& after);

// String values another program owns, set for a test and taken away after
// it: each value, and each key that had to be made for it.
class ForeignValues {
public:
    ForeignValues() = default;
    ~ForeignValues() { Remove(); }
    ForeignValues(const ForeignValues&) = delete;
    ForeignValues& operator=(const ForeignValues&) = delete;

    // Sets `name` (null: the default value) in `path` to `data`; false when
    // it cannot.
    bool Set(HKEY root, const std::wstring& path, const wchar_t* name, const std::wstring& data);
    // Takes them away again, the values and then the keys made for them.
    void Remove();

private:
    struct Value {
        HKEY root;
        std::wstring path;
        std::wstring name;
        bool isDefault;
    };
    std::vector<Value> values_;
    std::vector<std::pair<HKEY, std::wstring>> createdKeys_;
};

}  // namespace kypcx_test
