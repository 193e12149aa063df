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

// regsvr32 with `switches` (silent) on `dll`; its exit code.
DWORD RunRegsvr32(const std::wstring& switches, const std::wstring& dll = CodecPath());

// "{XXXXXXXX-...}" of a GUID.
std::wstring GuidText(const GUID& guid);

bool KeyExists(HKEY root, const std::wstring& path);

// A string value; "(none)" where there is no such key or value or it is not
// a string.
std::wstring StringValue(HKEY root, const std::wstring& path, const wchar_t* name);

// Every key and value of the subtree at `path`, each named by its path (a
// value as "key|name") with its type and bytes as text; empty where there
// is no such key.
using RegistryTree = std::map<std::wstring, std::string>;
RegistryTree Subtree(HKEY root, const std::wstring& path);

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
