// dcx_delete_bench: how long deleting the first page of a large DCX file
// takes beside a plain copy of the same file (CopyFileW), both inside this
// process. Deleting rebuilds the whole file, so a plain copy is the floor.
//   dcx_delete_bench [--pages N] [--page-kib K] [--runs R] DIR
// Writes a DCX file of N pages of about K KiB each (incompressible 24-bit
// PCX pages) into DIR, times R copies and R deletes of page 0 (medians),
// prints them side by side with one line starting "DCX_DELETE_BENCH", and
// removes every file it made. Not a test: the figures vary with the machine.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>
#include <vector>

#include "KyPCX.h"
#include "BenchSupport.h"

namespace {

using kypcx_bench::Median;
using kypcx_bench::NowSeconds;

// One 24-bit PCX page of `width` x `height` pixels of noise, coded as
// literals and one-byte runs so that it does not shrink.
std::vector<BYTE> NoisePage(int width, int height, unsigned seed) {
    std::vector<BYTE> page(128, 0);
    const int bytesPerLine = (width + 1) & ~1;
    page[0] = 0x0A;
    page[1] = 5;
    page[2] = 1;
    page[3] = 8;
    page[8] = static_cast<BYTE>(width - 1);
    page[9] = static_cast<BYTE>((width - 1) >> 8);
    page[10] = static_cast<BYTE>(height - 1);
    page[11] = static_cast<BYTE>((height - 1) >> 8);
    page[65] = 3;
    page[66] = static_cast<BYTE>(bytesPerLine);
    page[67] = static_cast<BYTE>(bytesPerLine >> 8);
    page[68] = 1;
    unsigned state = seed * 2654435761u + 1;
    for (int y = 0; y < height; ++y) {
        for (int i = 0; i < 3 * bytesPerLine; ++i) {
            state = state * 1664525u + 1013904223u;
            const BYTE value = static_cast<BYTE>(state >> 24);
            if (value >= 0xC0) page.push_back(0xC1);
            page.push_back(value);
        }
    }
    return page;
}

bool WriteAll(HANDLE file, const void* bytes, DWORD count) {
    DWORD written = 0;
    return WriteFile(file, bytes, count, &written, nullptr) && written == count;
}

// The DCX file: its directory, then `pages` pages (a few different ones,
// repeated).
bool WriteDcx(const std::wstring& path, int pages, int pageKiB) {
    const int height = 64;
    const int width = std::max(16, pageKiB * 1024 / (3 * height));
    std::vector<std::vector<BYTE>> kinds;
    for (unsigned seed = 1; seed <= 4; ++seed) kinds.push_back(NoisePage(width, height, seed));
    std::vector<DWORD> directory(1024, 0);
    directory[0] = 987654321;
    unsigned long long offset = 4096;
    for (int i = 0; i < pages; ++i) {
        directory[i + 1] = static_cast<DWORD>(offset);
        offset += kinds[i % kinds.size()].size();
    }
    if (offset > 0xFFFFFFFFull) return false;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    bool ok = WriteAll(file, directory.data(), 4096);
    for (int i = 0; ok && i < pages; ++i) {
        const std::vector<BYTE>& page = kinds[i % kinds.size()];
        ok = WriteAll(file, page.data(), static_cast<DWORD>(page.size()));
    }
    CloseHandle(file);
    return ok;
}

double FileMiB(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    return (static_cast<double>(data.nFileSizeHigh) * 4294967296.0 + data.nFileSizeLow) / (1024.0 * 1024.0);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    int pages = 400;
    int pageKiB = 640;
    int runs = 3;
    std::wstring dir;
    for (int i = 1; i < argc; ++i) {
        if (std::wcscmp(argv[i], L"--pages") == 0 && i + 1 < argc) pages = _wtoi(argv[++i]);
        else if (std::wcscmp(argv[i], L"--page-kib") == 0 && i + 1 < argc) pageKiB = _wtoi(argv[++i]);
        else if (std::wcscmp(argv[i], L"--runs") == 0 && i + 1 < argc) runs = _wtoi(argv[++i]);
        else dir = argv[i];
    }
    if (dir.empty() || pages < runs + 1 || pages > 1022 || pageKiB < 1 || runs < 1) {
        std::fwprintf(stderr, L"usage: dcx_delete_bench [--pages N<=1022] [--page-kib K] [--runs R] DIR\n");
        return 2;
    }
    HMODULE module = LoadLibraryW(L"KyPCX.dll");
    auto remove = module ? KyPcxGetProc<decltype(&DelItemFromDCXFileW)>(module, "DelItemFromDCXFileW") : nullptr;
    auto message = module ? KyPcxGetProc<decltype(&GetPCXErrorString)>(module, "GetPCXErrorString") : nullptr;
    if (remove == nullptr || message == nullptr) {
        std::fwprintf(stderr, L"dcx_delete_bench: KyPCX.dll with DelItemFromDCXFileW not found\n");
        return 1;
    }
    const std::wstring dcx = dir + L"\\bench.dcx";
    const std::wstring copy = dir + L"\\bench-copy.dcx";
    if (!WriteDcx(dcx, pages, pageKiB)) {
        std::fwprintf(stderr, L"dcx_delete_bench: cannot write %ls\n", dcx.c_str());
        DeleteFileW(dcx.c_str());
        return 1;
    }
    const double mib = FileMiB(dcx);
    std::vector<double> copyTimes, deleteTimes;
    int status = 0;
    for (int run = 0; run < runs && status == 0; ++run) {
        // The copy is made and removed again before the delete, so the disk
        // holds at most the file and one copy (the delete's temporary file).
        double t0 = NowSeconds();
        if (!CopyFileW(dcx.c_str(), copy.c_str(), FALSE)) status = 1;
        copyTimes.push_back(NowSeconds() - t0);
        DeleteFileW(copy.c_str());
        PcxErrorCode code = PCX_OK;
        t0 = NowSeconds();
        if (!remove(dcx.c_str(), 0, &code)) {
            char text[64];
            std::fwprintf(stderr, L"dcx_delete_bench: %hs\n", message(text, &code));
            status = 1;
        }
        deleteTimes.push_back(NowSeconds() - t0);
    }
    DeleteFileW(dcx.c_str());
    DeleteFileW(copy.c_str());
    if (status != 0) return status;
    const double copySeconds = Median(copyTimes);
    const double deleteSeconds = Median(deleteTimes);
    std::wprintf(L"%-34ls %10ls %10ls\n", L"DCX file", L"copy s", L"delete s");
    std::wprintf(L"%4d pages, %7.1f MiB %15ls %10.3f %10.3f   delete / copy = %.2f\n", pages, mib, L"", copySeconds,
                 deleteSeconds, copySeconds > 0 ? deleteSeconds / copySeconds : 0.0);
    std::wprintf(L"DCX_DELETE_BENCH pages=%d mib=%.1f copy_s=%.4f delete_s=%.4f ratio=%.3f\n", pages, mib, copySeconds,
                 deleteSeconds, copySeconds > 0 ? deleteSeconds / copySeconds : 0.0);
    return 0;
}
