// layout_bench: times the layout reader (LoadPCXImageW) on large PCX files of
// every layout, and the classic reader (LoadPCXIntoDIBW) where it reads the
// file too, in process (QueryPerformanceCounter, the best of several runs
// after a warm-up). The yardstick is the output: megabytes of DIB written per
// second, set against the classic reader's figure on the 16-colour planar
// image (the file named `--reference`), so a layout that writes more bytes
// per pixel is not charged for them.
//   layout_bench [--runs N] [--reference ega16.pcx] file.pcx...
// Prints a table and, per file and reader, a line starting "LAYOUT_BENCH".
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "KyPCX.h"

namespace {

using kypcx_bench::NowSeconds;

struct Result {
    std::wstring file;
    std::string reader;  // "every" or "classic"
    std::string layout;
    double bestMs = 0;
    double outMBytes = 0;  // the DIB's rows
    double MBytesPerSecond() const { return bestMs > 0 ? outMBytes / (bestMs / 1e3) : 0; }
};

// The DIB's row bytes: what the decode writes.
double RowMegabytes(HGLOBAL dib) {
    const auto* h = static_cast<const BITMAPINFOHEADER*>(GlobalLock(dib));
    const double rows = ((double(h->biBitCount) * h->biWidth + 31) / 32) * 4 * double(h->biHeight);
    GlobalUnlock(dib);
    return rows / 1e6;
}

template <typename Load>
bool Time(Load load, int runs, Result* result) {
    std::vector<double> seconds;
    for (int run = 0; run <= runs; ++run) {  // run 0 warms the caches and is not counted
        PcxErrorCode code = PCX_OK;
        const double t0 = NowSeconds();
        HGLOBAL dib = load(&code);
        const double t1 = NowSeconds();
        if (dib == nullptr) return false;
        if (run == 0) result->outMBytes = RowMegabytes(dib);
        GlobalFree(dib);
        if (run > 0) seconds.push_back(t1 - t0);
    }
    result->bestMs = *std::min_element(seconds.begin(), seconds.end()) * 1e3;
    return true;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    int runs = 5;
    std::wstring reference = L"ega16.pcx";
    std::vector<std::wstring> files;
    for (int i = 1; i < argc; ++i) {
        if (std::wcscmp(argv[i], L"--runs") == 0 && i + 1 < argc) runs = std::max(1, _wtoi(argv[++i]));
        else if (std::wcscmp(argv[i], L"--reference") == 0 && i + 1 < argc) reference = argv[++i];
        else files.push_back(argv[i]);
    }
    HMODULE module = LoadLibraryW(L"KyPCX.dll");
    auto loadImage = KyPcxGetProc<decltype(&LoadPCXImageW)>(module, "LoadPCXImageW");
    auto imageInfo = KyPcxGetProc<decltype(&GetPCXImageInfoW)>(module, "GetPCXImageInfoW");
    auto loadClassic = KyPcxGetProc<decltype(&LoadPCXIntoDIBW)>(module, "LoadPCXIntoDIBW");
    if (loadImage == nullptr || imageInfo == nullptr || loadClassic == nullptr) {
        std::fprintf(stderr, "layout_bench: KyPCX.dll lacks the layout readers\n");
        return 1;
    }
    std::vector<Result> results;
    double referenceRate = 0;
    for (const std::wstring& file : files) {
        PcxImageInfo info = {};
        info.size = sizeof info;
        PcxErrorCode code = PCX_OK;
        if (!imageInfo(file.c_str(), KYPCX_WHOLE_FILE, 0, &info, &code)) {
            std::fprintf(stderr, "%ls: error %d\n", file.c_str(), static_cast<int>(code));
            continue;
        }
        std::string layout = info.layoutName;
        if (info.storedLines) layout += ", stored";
        Result every{file, "every", layout};
        if (Time([&](PcxErrorCode* c) { return loadImage(file.c_str(), KYPCX_WHOLE_FILE, 0, c, nullptr); }, runs,
                 &every))
            results.push_back(every);
        Result classic{file, "classic", layout};
        if (Time([&](PcxErrorCode* c) { return loadClassic(file.c_str(), c); }, runs, &classic)) {
            results.push_back(classic);
            if (file == reference) referenceRate = classic.MBytesPerSecond();
        }
    }
    std::printf("%-16s %-44s %-8s %9s %9s %9s %10s\n", "file", "layout", "reader", "best ms", "out MB", "MB/s",
                "vs ega16");
    for (const Result& r : results) {
        const double ratio = referenceRate > 0 ? r.MBytesPerSecond() / referenceRate : 0;
        std::printf("%-16ls %-44s %-8s %9.1f %9.1f %9.0f %9.2fx\n", r.file.c_str(), r.layout.c_str(),
                    r.reader.c_str(), r.bestMs, r.outMBytes, r.MBytesPerSecond(), ratio);
    }
    for (const Result& r : results) {
        std::printf("LAYOUT_BENCH file=%ls reader=%s best_ms=%.3f out_mb=%.3f mb_per_s=%.1f\n", r.file.c_str(),
                    r.reader.c_str(), r.bestMs, r.outMBytes, r.MBytesPerSecond());
    }
    return 0;
}
