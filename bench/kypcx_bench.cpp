// kypcx_bench: times KyPCX.dll's decoders, and its DIB saver when the DLL
// exports one, on large PCX files inside the process (QueryPerformanceCounter,
// the median and the best of several runs after a warm-up), and reports
// megapixels per second and peak memory. Every file and operation is measured
// in a fresh child process of this program, so that the peak it reports is
// that operation's own and not the largest image's seen so far.
// Two yardsticks beside the decoders: a plain copy of the decoded DIB's bytes
// into a fresh block (what a decode would cost if it did nothing but write its
// output), and, for the screen-bitmap decoder, the system's own share: the
// same SetDIBits transfers, band for band, replayed from a decoded DIB.
//   kypcx_bench [--runs N] [--tmp DIR] file.pcx...
// Prints a table and, per file, one machine-readable line starting with
// "KYPCX_BENCH". The child form (one operation, one key=value line) is
//   kypcx_bench --child dib|bitmap|save [--runs N] [--tmp DIR] file.pcx
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <initializer_list>
#include <map>
#include <string>
#include <vector>

#include "KyPCX.h"
#include "BenchSupport.h"

namespace {

using kypcx_bench::BaseName;
using kypcx_bench::Median;
using kypcx_bench::NowSeconds;

// Declared here rather than taken from KyPCX.h: the saver may be missing from
// the DLL being measured, and the benchmark must still run without it.
using SaveDibFn = BOOL(WINAPI*)(LPCWSTR path, HGLOBAL dib, PcxErrorCode* code);

struct Options {
    int runs = 5;
    std::wstring tmpDir = L".";
    std::wstring childOp;  // empty in the parent
    std::vector<std::wstring> files;
};

struct Memory {
    unsigned long long workingSetKiB = 0;
    unsigned long long peakWorkingSetKiB = 0;
    unsigned long long pagefileKiB = 0;
    unsigned long long peakPagefileKiB = 0;
};

Memory ReadMemory() {
    PROCESS_MEMORY_COUNTERS pmc = {};
    pmc.cb = sizeof pmc;
    Memory m;
    if (GetProcessMemoryInfo(GetCurrentProcess(), &pmc, sizeof pmc)) {
        m.workingSetKiB = pmc.WorkingSetSize / 1024;
        m.peakWorkingSetKiB = pmc.PeakWorkingSetSize / 1024;
        m.pagefileKiB = pmc.PagefileUsage / 1024;
        m.peakPagefileKiB = pmc.PeakPagefileUsage / 1024;
    }
    return m;
}

// ---- child: one operation on one file ------------------------------------

struct Library {
    HMODULE module = nullptr;
    decltype(&PCXInfoW) info = nullptr;
    decltype(&LoadPCXIntoDIBW) loadDib = nullptr;
    decltype(&LoadPCXIntoBitmapW) loadBitmap = nullptr;
    SaveDibFn saveDib = nullptr;

    bool Load() {
        module = LoadLibraryW(L"KyPCX.dll");
        if (module == nullptr) return false;
        info = KyPcxGetProc<decltype(info)>(module, "PCXInfoW");
        loadDib = KyPcxGetProc<decltype(loadDib)>(module, "LoadPCXIntoDIBW");
        loadBitmap = KyPcxGetProc<decltype(loadBitmap)>(module, "LoadPCXIntoBitmapW");
        saveDib = KyPcxGetProc<SaveDibFn>(module, "SaveDIBInPCXFormatW");
        return info && loadDib && loadBitmap;
    }
};

// Best and median of a list of seconds, in milliseconds.
struct Timing {
    double bestMs = 0;
    double medianMs = 0;
};

Timing TimingOf(const std::vector<double>& seconds) {
    Timing t;
    if (seconds.empty()) return t;
    t.bestMs = *std::min_element(seconds.begin(), seconds.end()) * 1e3;
    t.medianMs = Median(seconds) * 1e3;
    return t;
}

// Copies the DIB's bytes into a fresh block, `runs` times.
Timing TimePlainCopy(HGLOBAL dib, int runs) {
    const SIZE_T size = GlobalSize(dib);
    const void* from = GlobalLock(dib);
    std::vector<double> seconds;
    for (int run = 0; run <= runs && from != nullptr; ++run) {
        const double t0 = NowSeconds();
        HGLOBAL copy = GlobalAlloc(GMEM_MOVEABLE, size);
        void* to = copy ? GlobalLock(copy) : nullptr;
        if (to != nullptr) std::memcpy(to, from, size);
        const double t1 = NowSeconds();
        if (copy) {
            GlobalUnlock(copy);
            GlobalFree(copy);
        }
        if (run > 0) seconds.push_back(t1 - t0);
    }
    GlobalUnlock(dib);
    return TimingOf(seconds);
}

// The rows per SetDIBits call of the screen-bitmap decoder: one for 24-bit
// images, else a tenth of the image capped at about 60 KB.
LONG BandHeight(LONG height, LONG bitCount, DWORD rowSize) {
    if (bitCount == 24) return 1;
    LONG band = height / 10;
    const LONG cap = static_cast<LONG>(61937 / (rowSize != 0 ? rowSize : 1));
    if (band > cap) band = cap;
    return band < 1 ? 1 : band;
}

// The system's share of the screen-bitmap decoder: a bitmap made as the
// decoder makes it (monochrome in a memory context, else on the screen) and
// filled from a decoded DIB from the top band down with the same SetDIBits
// calls, `runs` times.
Timing TimeSystemTransfer(HGLOBAL dib, int runs) {
    auto* info = static_cast<BITMAPINFO*>(GlobalLock(dib));
    std::vector<double> seconds;
    if (info == nullptr) return {};
    const BITMAPINFOHEADER& h = info->bmiHeader;
    const BYTE* rows = reinterpret_cast<const BYTE*>(info) + h.biSize + h.biClrUsed * sizeof(RGBQUAD);
    const DWORD rowSize = ((h.biWidth * h.biBitCount + 31) / 32) * 4;
    const LONG band = BandHeight(h.biHeight, h.biBitCount, rowSize);
    const bool monochrome = h.biBitCount == 1;
    HDC dc = monochrome ? CreateCompatibleDC(nullptr) : GetDC(nullptr);
    for (int run = 0; run <= runs && dc != nullptr; ++run) {
        HBITMAP bitmap = CreateDIBitmap(dc, &h, 0, nullptr, nullptr, DIB_RGB_COLORS);
        if (bitmap == nullptr) break;
        const double t0 = NowSeconds();
        for (LONG top = h.biHeight; top > 0; top -= band) {
            const LONG count = top < band ? top : band;
            SetDIBits(dc, bitmap, static_cast<UINT>(top - count), static_cast<UINT>(count),
                      rows + size_t(top - count) * rowSize, info, DIB_RGB_COLORS);
        }
        const double t1 = NowSeconds();
        DeleteObject(bitmap);
        if (run > 0) seconds.push_back(t1 - t0);
    }
    if (dc != nullptr) {
        if (monochrome) DeleteDC(dc);
        else ReleaseDC(nullptr, dc);
    }
    GlobalUnlock(dib);
    return TimingOf(seconds);
}

int ChildFail(const std::wstring& op, const char* status, long code) {
    std::printf("op=%ls status=%s code=%ld\n", op.c_str(), status, code);
    return 0;
}

int RunChild(const Options& opt) {
    const std::wstring& op = opt.childOp;
    const std::wstring& path = opt.files[0];
    Library lib;
    if (!lib.Load()) return ChildFail(op, "nolibrary", static_cast<long>(GetLastError()));
    if (op == L"save" && lib.saveDib == nullptr) return ChildFail(op, "missing", 0);

    PcxHeader header;
    PcxErrorCode code = PCX_OK;
    if (!lib.info(path.c_str(), &header, &code)) return ChildFail(op, "error", code);
    const long width = header.xMax - header.xMin + 1;
    const long height = header.yMax - header.yMin + 1;
    const int bits = header.planes * header.bitsPerPixel;

    // The saver needs a DIB to save; it is made before the baseline so that
    // only the saving counts.
    HGLOBAL source = nullptr;
    if (op == L"save") {
        source = lib.loadDib(path.c_str(), &code);
        if (source == nullptr) return ChildFail(op, "error", code);
    }
    const std::wstring outPath = opt.tmpDir + L"\\kypcx_bench_" + std::to_wstring(GetCurrentProcessId()) + L".pcx";

    // The baseline is read after the warm-up run, so that what Wine and the
    // DLL set up once (and keep) is not taken for the operation's own memory.
    Memory base = ReadMemory();
    // Wine's peak pagefile figure does not follow the peak, so the private
    // bytes are also sampled while each result is still held.
    Memory held;
    auto sampleHeld = [&held] {
        const Memory now = ReadMemory();
        held.workingSetKiB = std::max(held.workingSetKiB, now.workingSetKiB);
        held.pagefileKiB = std::max(held.pagefileKiB, now.pagefileKiB);
    };
    std::vector<double> seconds;
    for (int run = 0; run <= opt.runs; ++run) {  // run 0 warms the caches and is not counted
        code = PCX_OK;
        double t0 = 0, t1 = 0;
        bool ok = false;
        if (op == L"dib") {
            t0 = NowSeconds();
            HGLOBAL dib = lib.loadDib(path.c_str(), &code);
            t1 = NowSeconds();
            ok = dib != nullptr;
            sampleHeld();
            if (dib) GlobalFree(dib);
        } else if (op == L"bitmap") {
            t0 = NowSeconds();
            HBITMAP bitmap = lib.loadBitmap(path.c_str(), &code);
            t1 = NowSeconds();
            ok = bitmap != nullptr;
            sampleHeld();
            if (bitmap) DeleteObject(bitmap);
        } else {
            t0 = NowSeconds();
            ok = lib.saveDib(outPath.c_str(), source, &code) != FALSE;
            t1 = NowSeconds();
            sampleHeld();
        }
        if (!ok) {
            DeleteFileW(outPath.c_str());
            return ChildFail(op, "error", code);
        }
        if (run > 0) seconds.push_back(t1 - t0);
        else base = ReadMemory();
    }
    const Memory peak = ReadMemory();

    unsigned long long savedBytes = 0;
    if (op == L"save") {
        WIN32_FILE_ATTRIBUTE_DATA attributes;
        if (GetFileAttributesExW(outPath.c_str(), GetFileExInfoStandard, &attributes))
            savedBytes = (static_cast<unsigned long long>(attributes.nFileSizeHigh) << 32) | attributes.nFileSizeLow;
        DeleteFileW(outPath.c_str());
        GlobalFree(source);
    }

    // The yardsticks come after the peak is read, so that they do not count in it.
    Timing copy, system;
    unsigned long long dibBytes = 0;
    if (op == L"dib" || op == L"bitmap") {
        HGLOBAL dib = lib.loadDib(path.c_str(), &code);
        if (dib != nullptr) {
            dibBytes = GlobalSize(dib);
            if (op == L"dib") copy = TimePlainCopy(dib, opt.runs);
            else system = TimeSystemTransfer(dib, opt.runs);
            GlobalFree(dib);
        }
    }

    const double median = Median(seconds);
    const double fastest = *std::min_element(seconds.begin(), seconds.end());
    std::printf(
        "op=%ls status=ok width=%ld height=%ld bits=%d runs=%d median_ms=%.3f min_ms=%.3f "
        "base_ws_kib=%llu peak_ws_kib=%llu held_ws_kib=%llu base_pf_kib=%llu peak_pf_kib=%llu held_pf_kib=%llu "
        "saved_bytes=%llu dib_bytes=%llu copy_min_ms=%.3f system_min_ms=%.3f\n",
        op.c_str(), width, height, bits, opt.runs, median * 1e3, fastest * 1e3, base.workingSetKiB,
        peak.peakWorkingSetKiB, held.workingSetKiB, base.pagefileKiB, peak.peakPagefileKiB, held.pagefileKiB,
        savedBytes, dibBytes, copy.bestMs, system.bestMs);
    return 0;
}

// ---- parent: a child per file and operation, then the report ---------------

using Fields = std::map<std::string, std::string>;

Fields ParseFields(const std::string& line) {
    Fields fields;
    size_t pos = 0;
    while (pos < line.size()) {
        const size_t end = std::min(line.find(' ', pos), line.size());
        const std::string item = line.substr(pos, end - pos);
        const size_t eq = item.find('=');
        if (eq != std::string::npos) fields[item.substr(0, eq)] = item.substr(eq + 1);
        pos = end + 1;
    }
    return fields;
}

std::wstring Quote(const std::wstring& arg) { return L"\"" + arg + L"\""; }

// Runs this program as a child for one measurement and returns its line.
Fields Measure(const Options& opt, const std::wstring& op, const std::wstring& file) {
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring command = Quote(self) + L" --child " + op + L" --runs " + std::to_wstring(opt.runs) + L" --tmp " +
                           Quote(opt.tmpDir) + L" " + Quote(file);

    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return {{"status", "nopipe"}};
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOW si = {};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    si.hStdOutput = writeEnd;
    si.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION pi = {};
    std::vector<wchar_t> mutableCommand(command.begin(), command.end());
    mutableCommand.push_back(L'\0');
    const BOOL started =
        CreateProcessW(nullptr, mutableCommand.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi);
    CloseHandle(writeEnd);
    if (!started) {
        CloseHandle(readEnd);
        return {{"status", "nochild"}};
    }
    std::string output;
    char buffer[512];
    DWORD got = 0;
    while (ReadFile(readEnd, buffer, sizeof buffer, &got, nullptr) && got > 0) output.append(buffer, got);
    CloseHandle(readEnd);
    WaitForSingleObject(pi.hProcess, INFINITE);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);

    // The measurement is the last line starting "op=".
    Fields fields = {{"status", "nooutput"}};
    size_t pos = 0;
    while (pos < output.size()) {
        size_t end = output.find('\n', pos);
        if (end == std::string::npos) end = output.size();
        std::string line = output.substr(pos, end - pos);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.rfind("op=", 0) == 0) fields = ParseFields(line);
        pos = end + 1;
    }
    return fields;
}

double Number(const Fields& f, const char* key) {
    const auto it = f.find(key);
    return it == f.end() ? 0.0 : std::atof(it->second.c_str());
}

struct Row {
    std::string name;
    Fields dib, bitmap, save;
};

bool Ok(const Fields& f) {
    const auto it = f.find("status");
    return it != f.end() && it->second == "ok";
}

// One operation's columns: median ms, megapixels per second, peak working
// set and what the operation added to it, in MiB.
void PrintCells(const Fields& f, double megapixels) {
    if (!Ok(f)) {
        const auto it = f.find("status");
        std::printf(" | %-31s", it == f.end() ? "?" : it->second.c_str());
        return;
    }
    const double ms = Number(f, "median_ms");
    const double peak = Number(f, "peak_ws_kib") / 1024;
    const double added = (Number(f, "peak_ws_kib") - Number(f, "base_ws_kib")) / 1024;
    std::printf(" | %8.1f %8.1f %6.0f %+6.0f", ms, ms > 0 ? megapixels / (ms / 1e3) : 0.0, peak, added);
}

void PrintMachineFields(const char* prefix, const Fields& f, double megapixels) {
    const auto status = f.find("status");
    std::printf(" %s_status=%s", prefix, status == f.end() ? "?" : status->second.c_str());
    if (!Ok(f)) return;
    const double ms = Number(f, "median_ms");
    std::printf(" %s_ms=%.3f %s_min_ms=%s %s_mpx_s=%.2f", prefix, ms, prefix, f.at("min_ms").c_str(), prefix,
                ms > 0 ? megapixels / (ms / 1e3) : 0.0);
    for (const char* key : {"base_ws_kib", "peak_ws_kib", "held_ws_kib", "base_pf_kib", "peak_pf_kib", "held_pf_kib"})
        std::printf(" %s_%s=%s", prefix, key, f.at(key).c_str());
    if (std::string(prefix) == "save") std::printf(" save_bytes=%s", f.at("saved_bytes").c_str());
    for (const char* key : {"dib_bytes", "copy_min_ms", "system_min_ms"}) {
        const auto it = f.find(key);
        if (it != f.end() && std::atof(it->second.c_str()) > 0) std::printf(" %s_%s=%s", prefix, key, it->second.c_str());
    }
}

int RunParent(const Options& opt) {
    std::vector<Row> rows;
    for (const std::wstring& file : opt.files) {
        Row row;
        row.name = kypcx_bench::BaseName(file);
        row.dib = Measure(opt, L"dib", file);
        row.bitmap = Measure(opt, L"bitmap", file);
        row.save = Measure(opt, L"save", file);
        rows.push_back(row);
    }

    std::printf("KyPCX.dll in-process timings: median of %d runs after a warm-up; MP/s = megapixels per second;\n",
                opt.runs);
    std::printf("peak = the process's peak working set in MiB, (+) = how much the operation added to it.\n\n");
    std::printf("%-16s %11s %4s | %-31s | %-31s | %-31s\n", "file", "size", "bits", "LoadPCXIntoDIBW",
                "LoadPCXIntoBitmapW", "SaveDIBInPCXFormatW");
    std::printf("%-16s %11s %4s", "", "", "");
    for (int i = 0; i < 3; ++i) std::printf(" | %8s %8s %6s %6s", "ms", "MP/s", "peak", "(+)");
    std::printf("\n");
    int failures = 0;
    for (const Row& row : rows) {
        const Fields& shape = Ok(row.dib) ? row.dib : row.bitmap;
        const double megapixels = Number(shape, "width") * Number(shape, "height") / 1e6;
        char size[32];
        std::snprintf(size, sizeof size, "%.0fx%.0f", Number(shape, "width"), Number(shape, "height"));
        std::printf("%-16s %11s %4.0f", row.name.c_str(), size, Number(shape, "bits"));
        PrintCells(row.dib, megapixels);
        PrintCells(row.bitmap, megapixels);
        PrintCells(row.save, megapixels);
        std::printf("\n");
        if (!Ok(row.dib) || !Ok(row.bitmap)) ++failures;
    }
    std::printf("\n");
    for (const Row& row : rows) {
        const Fields& shape = Ok(row.dib) ? row.dib : row.bitmap;
        const double megapixels = Number(shape, "width") * Number(shape, "height") / 1e6;
        std::printf("KYPCX_BENCH file=%s width=%.0f height=%.0f bits=%.0f runs=%d", row.name.c_str(),
                    Number(shape, "width"), Number(shape, "height"), Number(shape, "bits"), opt.runs);
        PrintMachineFields("dib", row.dib, megapixels);
        PrintMachineFields("bitmap", row.bitmap, megapixels);
        PrintMachineFields("save", row.save, megapixels);
        std::printf("\n");
    }
    return failures == 0 ? 0 : 1;
}

int Usage() {
    std::fwprintf(stderr, L"usage: kypcx_bench [--runs N] [--tmp DIR] file.pcx...\n");
    return 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    Options opt;
    for (int i = 1; i < argc; ++i) {
        const std::wstring arg = argv[i];
        if (arg == L"--runs" && i + 1 < argc) {
            opt.runs = std::max(1, _wtoi(argv[++i]));
        } else if (arg == L"--tmp" && i + 1 < argc) {
            opt.tmpDir = argv[++i];
        } else if (arg == L"--child" && i + 1 < argc) {
            opt.childOp = argv[++i];
        } else if (arg.rfind(L"--", 0) == 0) {
            return Usage();
        } else {
            opt.files.push_back(arg);
        }
    }
    if (opt.files.empty()) return Usage();
    if (!opt.childOp.empty()) {
        if (opt.files.size() != 1 || (opt.childOp != L"dib" && opt.childOp != L"bitmap" && opt.childOp != L"save"))
            return Usage();
        return RunChild(opt);
    }
    return RunParent(opt);
}
