// DCX files for the tests of the writing operations, built from bytes: the
// 4096-byte directory (magic, then one offset per item) and the items back to
// back; readers of a file's directory words; and the state around a call that
// must not change (the folder's files, the current directory).
#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "support/KyPcxTestSupport.h"

namespace kypcx_test {

constexpr uint32_t kDcxMagicWord = 987654321;  // 0x3ADE68B1
constexpr uint32_t kDcxDirectoryBytes = 4096;  // magic + 1023 entries
constexpr uint32_t kDcxUsableEntries = 1022;

using Bytes = std::vector<uint8_t>;

// A DCX file as a test means it. Items follow the directory back to back,
// after `gap` (bytes no entry lists); `tail` follows the last item (and so
// belongs to it). `words` sets directory words after the offsets are filled
// in, for states no writer makes (stale entries, bad offsets).
struct DcxSpec {
    std::vector<Bytes> items;
    Bytes gap;
    Bytes tail;
    std::map<uint32_t, uint32_t> words;
};
Bytes DcxSpecBytes(const DcxSpec& spec);
// A DCX file of `items` back to back from 4096.
inline Bytes DcxBytes(const std::vector<Bytes>& items) { return DcxSpecBytes(DcxSpec{items, {}, {}, {}}); }

// Word n of a file's directory (0 the magic, n the entry n); 0 past its end.
uint32_t DirectoryWord(const Bytes& file, uint32_t n);
void SetDirectoryWord(Bytes& file, uint32_t n, uint32_t value);

// Three small PCX files of different layouts (1-bit, 256 colours with a
// trailer, 24 bits), usable as items.
std::vector<Bytes> ThreeItems();
// A 1-bit 8 x 1 PCX image whose single line is `value`: small, distinct items
// for full directories.
Bytes TinyItem(uint8_t value);

// The names of the files in `dir` (sorted), to see that nothing was left behind.
std::vector<std::wstring> FileNames(const std::wstring& dir);
std::wstring CurrentDirectory();

// Opens `path` without sharing, as another program holding the file would.
class HeldFile {
public:
    explicit HeldFile(const std::wstring& path);
    ~HeldFile();
    HeldFile(const HeldFile&) = delete;
    HeldFile& operator=(const HeldFile&) = delete;
    bool held() const { return handle_ != INVALID_HANDLE_VALUE; }

private:
    HANDLE handle_;
};

}  // namespace kypcx_test
