// Building DCX fixture files from bytes, and watching a folder and the
// current directory around a call.
#include "dcx/DcxTestFiles.h"

#include <algorithm>

#include "support/PcxFixtures.h"

namespace kypcx_test {

Bytes DcxSpecBytes(const DcxSpec& spec) {
    Bytes file = AssembleDcx(spec.items, kDcxDirectorySize + spec.gap);
    Append(file, spec.tail);
    for (const auto& [n, value] : spec.entries) SetDcxEntry(file, n, value);
    return file;
}

std::vector<Bytes> ThreeItems() {
    return {fixtures::MonoGreys().Bytes(), fixtures::TwoFiftySix().Bytes(), fixtures::TrueColor().Bytes()};
}

std::vector<std::wstring> FileNames(const std::wstring& dir) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((dir + L"\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        const std::wstring name = data.cFileName;
        if (name != L"." && name != L"..") names.push_back(name);
    } while (FindNextFileW(find, &data));
    FindClose(find);
    std::sort(names.begin(), names.end());
    return names;
}

std::wstring CurrentDirectory() {
    const DWORD size = GetCurrentDirectoryW(0, nullptr);
    std::wstring dir(size, L'\0');
    dir.resize(GetCurrentDirectoryW(size, dir.data()));
    return dir;
}

HeldFile::HeldFile(const std::wstring& path)
    : handle_(CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)) {}

HeldFile::~HeldFile() {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
}

}  // namespace kypcx_test
