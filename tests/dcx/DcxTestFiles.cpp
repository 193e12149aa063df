// Building DCX fixture files from bytes, and watching a folder and the
// current directory around a call.
#include "dcx/DcxTestFiles.h"

#include <algorithm>

#include "support/PcxFixtures.h"

namespace kypcx_test {

Bytes DcxSpecBytes(const DcxSpec& spec) {
    // The parts are laid out behind the directory in one pass over a file of
    // its final size.
    std::vector<const Bytes*> parts{&spec.gap};
    for (const Bytes& item : spec.items) parts.push_back(&item);
    parts.push_back(&spec.tail);
    size_t size = kDcxDirectoryBytes;
    for (const Bytes* part : parts) size += part->size();
    Bytes file(size, 0);
    SetDirectoryWord(file, 0, kDcxMagicWord);
    size_t at = kDcxDirectoryBytes;
    for (size_t i = 0; i < parts.size(); ++i) {
        if (i >= 1 && i <= spec.items.size()) SetDirectoryWord(file, static_cast<uint32_t>(i), static_cast<uint32_t>(at));
        for (uint8_t b : *parts[i]) file[at++] = b;
    }
    for (const auto& [n, value] : spec.words) SetDirectoryWord(file, n, value);
    return file;
}

uint32_t DirectoryWord(const Bytes& file, uint32_t n) {
    if (4 * size_t{n} + 4 > file.size()) return 0;
    const uint8_t* p = file.data() + 4 * size_t{n};
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

void SetDirectoryWord(Bytes& file, uint32_t n, uint32_t value) {
    for (int b = 0; b < 4; ++b) file.at(4 * size_t{n} + b) = static_cast<uint8_t>(value >> (8 * b));
}

std::vector<Bytes> ThreeItems() {
    return {fixtures::MonoGreys().Bytes(), fixtures::TwoFiftySix().Bytes(), fixtures::TrueColour().Bytes()};
}

Bytes TinyItem(uint8_t value) {
    PcxFixture f;
    f.header.bitsPerPixel = 1;
    f.header.planes = 1;
    f.header.xMax = 7;
    f.header.yMax = 0;
    f.header.bytesPerLine = 2;
    f.data = {0xC1, value, 0x00};
    return f.Bytes();
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
