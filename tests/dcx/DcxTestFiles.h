// DCX files for the tests of the writing operations in the states a writer
// meets (gaps, bytes behind the last item, stale or bad entries), built on
// the shared DCX fixtures; and the state around a call that must not change
// (the folder's files, the current directory).
#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "support/DcxFixtures.h"
#include "support/KyPcxTestSupport.h"

namespace kypcx_test {

using Bytes = std::vector<uint8_t>;

// A DCX file as a test means it. Items follow the directory back to back,
// after `gap` zero bytes that no entry lists (4 in files of writers whose
// pages begin at 4100); `tail` follows the last item (and so belongs to it).
// `entries` sets directory words after the offsets are filled in, for states
// no writer makes (stale entries, bad offsets, a wrong magic as word 0).
struct DcxSpec {
    std::vector<Bytes> items;
    uint32_t gap = 0;
    Bytes tail;
    std::map<uint32_t, uint32_t> entries;
};
Bytes DcxSpecBytes(const DcxSpec& spec);
// A DCX file of `items` back to back from 4096.
inline Bytes DcxBytes(const std::vector<Bytes>& items) { return AssembleDcx(items); }

// Three small PCX files of different layouts (1-bit, 256 colours with a
// trailer, 24 bits), usable as items.
std::vector<Bytes> ThreeItems();

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
