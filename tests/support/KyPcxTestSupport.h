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
#include "support/StdcallCheck.h"

namespace kypcx_test {

// The library under test, loaded once per test program ("KyPCX.dll").
HMODULE Library();

// A stdcall export of `module` by plain name, null where the module lacks
// it. In a 32-bit program the pointer returned calls the export through the
// stdcall check (StdcallCheck.h); Site, a lambda's type, tells call sites
// apart.
template <typename F, typename Site>
F ModuleExport(HMODULE module, const char* name, Site) {
    F f = KyPcxGetProc<F>(module, name);
#if defined(__i386__)
    if (f != nullptr) return WithStdcallCheck<Site>(f, name);
#endif
    return f;
}

// An export of KyPCX.dll, as above; fails the test if it is missing.
template <typename F, typename Site>
F Export(const char* name, Site site) {
    F f = ModuleExport<F>(Library(), name, site);
    EXPECT_NE(nullptr, reinterpret_cast<void*>(f)) << "KyPCX.dll does not export " << name;
    return f;
}
#define KYPCX_EXPORT(name) ::kypcx_test::Export<decltype(&name)>(#name, [] {})
// The codec's COM entries, and any other module's stdcall exports.
#define KYPCX_MODULE_EXPORT(type, module, name) ::kypcx_test::ModuleExport<type>(module, name, [] {})

// Whether the program runs under qemu-i386 user emulation, which
// scripts/with-i386.sh sets up (and announces in KYPCX_I386_EMULATOR) on a
// machine whose kernel starts no 32-bit programs.
bool UnderI386Emulation();
// qemu-i386 keeps one GDT for all guest threads, so the TEB selector Wine
// gives each thread through set_thread_area is shared: a thread that reloads
// %fs (on an exception, on return from a signal) may get another thread's
// TEB. Tests whose threads work at the same time crash or hang there; a
// helper thread that mostly waits beside the test's own runs. A test that
// needs several threads at once skips under the emulation, saying why.
#define KYPCX_SKIP_UNDER_I386_EMULATION()                                                                     \
    do {                                                                                                      \
        if (::kypcx_test::UnderI386Emulation())                                                               \
            GTEST_SKIP() << "needs several threads at once, which qemu-i386 user emulation "                  \
                            "(KYPCX_I386_EMULATOR) cannot run: its guest threads share one GDT, so Wine's "   \
                            "per-thread TEB selector is shared; the native 32-bit and the 64-bit runs cover " \
                            "this test";                                                                      \
    } while (0)

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
