// dcx_read_bench: times reading one page of a large DCX file against reading
// the same page as a PCX file of its own, for pages at the front, the middle
// and the end. Reading a page costs one directory read more than reading the
// file, whatever its position, so both figures should stand close together.
// Builds the DCX file itself: `pages` copies of the given PCX file behind a
// 4096-byte directory. Times LoadDCXIntoDIBW and LoadPCXIntoDIBW in-process
// (QueryPerformanceCounter, median of several runs after a warm-up).
//   dcx_read_bench [--runs N] [--pages P] [--tmp DIR] page.pcx
// Prints a table and one machine-readable "DCX_READ_BENCH" line per page.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "KyPCX.h"
#include "BenchSupport.h"

namespace {

using kypcx_bench::Median;
using kypcx_bench::NowSeconds;
using kypcx_bench::ReadWhole;
using kypcx_bench::WriteDcx;

// Median seconds of `runs` calls of load (after one warm-up); false when a call fails.
template <typename Load>
bool Time(int runs, Load load, double* seconds) {
    std::vector<double> times;
    for (int r = 0; r <= runs; ++r) {
        const double start = NowSeconds();
        HGLOBAL dib = load();
        const double took = NowSeconds() - start;
        if (dib == nullptr) return false;
        GlobalFree(dib);
        if (r > 0) times.push_back(took);
    }
    *seconds = Median(times);
    return true;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    int runs = 5;
    unsigned pages = 400;
    std::wstring tmp = L".", pagePath;
    for (int i = 1; i < argc; ++i) {
        if (std::wcscmp(argv[i], L"--runs") == 0 && i + 1 < argc) runs = _wtoi(argv[++i]);
        else if (std::wcscmp(argv[i], L"--pages") == 0 && i + 1 < argc) pages = static_cast<unsigned>(_wtoi(argv[++i]));
        else if (std::wcscmp(argv[i], L"--tmp") == 0 && i + 1 < argc) tmp = argv[++i];
        else pagePath = argv[i];
    }
    if (pagePath.empty() || runs < 1 || pages < 1 || pages > 1022) {
        std::fwprintf(stderr, L"usage: dcx_read_bench [--runs N] [--pages 1..1022] [--tmp DIR] page.pcx\n");
        return 2;
    }
    HMODULE module = LoadLibraryW(L"KyPCX.dll");
    auto loadPcx = KyPcxGetProc<decltype(&LoadPCXIntoDIBW)>(module, "LoadPCXIntoDIBW");
    auto loadDcx = KyPcxGetProc<decltype(&LoadDCXIntoDIBW)>(module, "LoadDCXIntoDIBW");
    if (loadPcx == nullptr || loadDcx == nullptr) {
        std::fwprintf(stderr, L"dcx_read_bench: KyPCX.dll with the DCX readers is needed\n");
        return 1;
    }
    std::vector<BYTE> page;
    if (!ReadWhole(pagePath, &page) || page.empty()) {
        std::fwprintf(stderr, L"dcx_read_bench: cannot read %ls\n", pagePath.c_str());
        return 1;
    }
    const std::wstring dcx = tmp + L"\\dcx_read_bench.dcx";
    if (!WriteDcx(dcx, page, pages)) {
        std::fwprintf(stderr, L"dcx_read_bench: cannot write %ls\n", dcx.c_str());
        return 1;
    }
    const double megabytes = (4096.0 + double(page.size()) * pages) / 1048576.0;
    std::wprintf(L"%u pages of %ls (%zu bytes each), %.1f MB; median of %d runs\n", pages, pagePath.c_str(),
                 page.size(), megabytes, runs);
    std::wprintf(L"%8ls %14ls %14ls %8ls\n", L"page", L"as DCX page", L"as PCX file", L"ratio");
    int status = 0;
    for (unsigned index : {0u, pages / 2, pages - 1}) {
        double asPage = 0, asFile = 0;
        PcxErrorCode code = PCX_OK;
        if (!Time(runs, [&] { return loadDcx(dcx.c_str(), index, &code); }, &asPage) ||
            !Time(runs, [&] { return loadPcx(pagePath.c_str(), &code); }, &asFile)) {
            std::fwprintf(stderr, L"dcx_read_bench: page %u failed with code %d\n", index, static_cast<int>(code));
            status = 1;
            continue;
        }
        std::wprintf(L"%8u %11.2f ms %11.2f ms %8.2f\n", index, asPage * 1e3, asFile * 1e3, asPage / asFile);
        std::printf("DCX_READ_BENCH page=%u pages=%u dcx_ms=%.3f pcx_ms=%.3f\n", index, pages, asPage * 1e3,
                    asFile * 1e3);
    }
    DeleteFileW(dcx.c_str());
    return status;
}
