// What every Windows test needs: KyPCX.dll loaded by name as a client loads
// it, typed look-ups of its exports, scratch files, and PCX fixtures built
// from bytes.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "KyPCX.h"

namespace kypcx_test {

// The library under test, loaded once per test program ("KyPCX.dll").
HMODULE Library();

// An export of KyPCX.dll by plain name; fails the test if it is missing.
template <typename F>
F Export(const char* name) {
    F f = KyPcxGetProc<F>(Library(), name);
    EXPECT_NE(nullptr, reinterpret_cast<void*>(f)) << "KyPCX.dll does not export " << name;
    return f;
}
#define KYPCX_EXPORT(name) ::kypcx_test::Export<decltype(&name)>(#name)

// A directory of its own under the temp directory, removed with its files.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    std::wstring Path(const std::wstring& name) const { return dir_ + L"\\" + name; }
    std::string PathA(const std::string& name) const;
    const std::wstring& dir() const { return dir_; }

private:
    std::wstring dir_;
};

void WriteFileBytes(const std::wstring& path, const std::vector<uint8_t>& bytes);
std::vector<uint8_t> ReadFileBytes(const std::wstring& path);

// Large files without the disk space: SetFileLength cuts or extends a file
// (an extension is sparse, reading as zeros); WriteFileBytesAt writes into an
// existing file at any offset; ReadFileBytesAt reads up to `count` bytes
// from one. False, 0 or empty when the file cannot be had.
bool SetFileLength(const std::wstring& path, ULONGLONG length);
ULONGLONG FileLength(const std::wstring& path);
bool WriteFileBytesAt(const std::wstring& path, ULONGLONG offset, const std::vector<uint8_t>& bytes);
std::vector<uint8_t> ReadFileBytesAt(const std::wstring& path, ULONGLONG offset, size_t count);

// The corpus of real files beside the project, if present (empty otherwise).
std::wstring CorpusDir();
// Every file under dir whose name ends with one of the suffixes (any case).
std::vector<std::wstring> FilesUnder(const std::wstring& dir, const std::vector<std::wstring>& suffixes);
std::string Narrow(const std::wstring& text);

// A 128-byte header for a fixture. Fields not named stay 0.
struct HeaderSpec {
    uint8_t version = 5;
    uint8_t encoding = 1;
    uint8_t bitsPerPixel = 8;
    uint8_t planes = 1;
    int16_t xMin = 0, yMin = 0, xMax = 0, yMax = 0;
    int16_t hDpi = 0, vDpi = 0;
    int16_t bytesPerLine = 0;
    std::vector<uint8_t> palette;  // up to 48 bytes for offset 16
};
std::vector<uint8_t> MakeHeader(const HeaderSpec& spec);

// Appends bytes to a fixture.
inline void Append(std::vector<uint8_t>& to, const std::vector<uint8_t>& bytes) {
    to.insert(to.end(), bytes.begin(), bytes.end());
}

}  // namespace kypcx_test
