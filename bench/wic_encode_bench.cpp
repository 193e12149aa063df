// wic_encode_bench: saving a picture as a PCX file through the Windows
// Imaging Component with the registered KyPCXCodec.dll, against saving the
// same DIB through KyPCX.dll's SavePCXImageW in the classic layout (the one the
// encoder writes for such frames). Each file is read once
// with LoadPCXImageW into a DIB (24 or 8 bits: the benchmark's rgb24.pcx and
// pal256.pcx); then, in alternating runs, the export saves the DIB and the
// encoder saves its pixels to a file through the factory's stream
// (CreateEncoder, Initialize, CreateNewFrame, SetSize, SetResolution,
// SetPixelFormat, SetPalette for 8 bits, the lines, both Commits) three
// ways: WritePixels a line at a time straight from the DIB's bottom-up rows
// ("rows"), one WritePixels of the whole picture top-down ("whole"), and
// WriteSource of a bitmap holding it ("source"). The top-down copy and the
// bitmap are made once, outside the timing, and each way writes a new file
// (the old one deleted first, outside the timing too). The best of the runs
// after a warm-up is reported (and, in the machine-readable line, medians).
//   wic_encode_bench [--runs N] [--tmp DIR] [--only export|rows|whole|source] file.pcx...
// Prints a table and one machine-readable "WIC_ENCODE_BENCH" line per image.
// --only runs that one way alone (the others report 0), so that the
// process's CPU time, which other programs on a busy machine do not change
// as they change the clock's, can be taken per way from outside.
// The codec must be registered (regsvr32 KyPCXCodec.dll) in the Wine prefix.
#include <windows.h>

#include <wincodec.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "KyPCX.h"
// The codec's GUIDs, defined here: the one file of the program that uses them.
#include <initguid.h>
#include "KyPCXCodec.h"

namespace {

using kypcx_bench::NowSeconds;
using kypcx_bench::Timing;

// A DIB's picture as a program would hand it to an encoder.
struct Picture {
    UINT width = 0;
    UINT height = 0;
    UINT bits = 0;                  // 8 or 24
    UINT dibStride = 0;             // bytes between the DIB's rows, bottom-up
    const BYTE* dibRows = nullptr;  // the DIB's first stored row: the bottom one
    std::vector<BYTE> topDown;      // rows of exactly their pixels, top first
    std::vector<WICColor> colors;
    double dpiX = 96, dpiY = 96;
};

enum class Lines { Rows, Whole, Source };

ULONGLONG FileSize(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    return (ULONGLONG(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// Saves the picture to `path` through the factory; false when a call fails.
bool EncodeOnce(IWICImagingFactory* factory, const Picture& p, IWICBitmap* bitmap, Lines lines,
                const std::wstring& path, double* seconds) {
    const double t0 = NowSeconds();
    IWICStream* stream = nullptr;
    IWICBitmapEncoder* encoder = nullptr;
    IWICBitmapFrameEncode* frame = nullptr;
    IPropertyBag2* options = nullptr;
    IWICPalette* palette = nullptr;
    HRESULT hr = factory->CreateStream(&stream);
    if (SUCCEEDED(hr)) hr = stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE);
    if (SUCCEEDED(hr)) hr = factory->CreateEncoder(GUID_KyPcxContainerFormatPcx, nullptr, &encoder);
    if (SUCCEEDED(hr)) hr = encoder->Initialize(stream, WICBitmapEncoderNoCache);
    if (SUCCEEDED(hr)) hr = encoder->CreateNewFrame(&frame, &options);
    if (SUCCEEDED(hr)) hr = frame->Initialize(options);
    if (SUCCEEDED(hr)) hr = frame->SetSize(p.width, p.height);
    if (SUCCEEDED(hr)) hr = frame->SetResolution(p.dpiX, p.dpiY);
    WICPixelFormatGUID format = p.bits == 8 ? GUID_WICPixelFormat8bppIndexed : GUID_WICPixelFormat24bppBGR;
    if (SUCCEEDED(hr)) hr = frame->SetPixelFormat(&format);
    if (SUCCEEDED(hr) && p.bits == 8) {
        hr = factory->CreatePalette(&palette);
        std::vector<WICColor> colors = p.colors;
        if (SUCCEEDED(hr)) hr = palette->InitializeCustom(colors.data(), UINT(colors.size()));
        if (SUCCEEDED(hr)) hr = frame->SetPalette(palette);
    }
    const UINT rowBytes = p.width * p.bits / 8;
    if (SUCCEEDED(hr)) {
        switch (lines) {
        case Lines::Rows:
            for (UINT y = 0; y < p.height && SUCCEEDED(hr); ++y)
                hr = frame->WritePixels(1, p.dibStride, rowBytes,
                                        const_cast<BYTE*>(p.dibRows) + size_t(p.height - 1 - y) * p.dibStride);
            break;
        case Lines::Whole:
            hr = frame->WritePixels(p.height, rowBytes, UINT(p.topDown.size()), const_cast<BYTE*>(p.topDown.data()));
            break;
        case Lines::Source: hr = frame->WriteSource(bitmap, nullptr); break;
        }
    }
    if (SUCCEEDED(hr)) hr = frame->Commit();
    if (SUCCEEDED(hr)) hr = encoder->Commit();
    for (IUnknown* object : {static_cast<IUnknown*>(palette), static_cast<IUnknown*>(options),
                             static_cast<IUnknown*>(frame), static_cast<IUnknown*>(encoder),
                             static_cast<IUnknown*>(stream)})
        if (object != nullptr) object->Release();
    *seconds = NowSeconds() - t0;
    return SUCCEEDED(hr);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    int runs = 5;
    std::wstring tmp = L".";
    std::wstring only;
    std::vector<std::wstring> files;
    for (int i = 1; i < argc; ++i) {
        if (std::wcscmp(argv[i], L"--runs") == 0 && i + 1 < argc) runs = _wtoi(argv[++i]);
        else if (std::wcscmp(argv[i], L"--tmp") == 0 && i + 1 < argc) tmp = argv[++i];
        else if (std::wcscmp(argv[i], L"--only") == 0 && i + 1 < argc) only = argv[++i];
        else files.push_back(argv[i]);
    }
    const auto runs_way = [&only](const wchar_t* way) { return only.empty() || only == way; };
    if (files.empty() || runs < 1 ||
        !(only.empty() || only == L"export" || only == L"rows" || only == L"whole" || only == L"source")) {
        std::fwprintf(stderr, L"usage: wic_encode_bench [--runs N] [--tmp DIR] [--only export|rows|whole|source] "
                              L"file.pcx...\n");
        return 2;
    }
    HMODULE module = LoadLibraryW(L"KyPCX.dll");
    const auto load = KyPcxGetProc<decltype(&LoadPCXImageW)>(module, "LoadPCXImageW");
    const auto save = KyPcxGetProc<decltype(&SavePCXImageW)>(module, "SavePCXImageW");
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    IWICImagingFactory* factory = nullptr;
    if (load == nullptr || save == nullptr ||
        FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                reinterpret_cast<void**>(&factory)))) {
        std::fwprintf(stderr, L"wic_encode_bench: KyPCX.dll and the imaging factory are needed\n");
        return 1;
    }

    std::printf("Saving a PCX file through the imaging component (KyPCXCodec.dll) against SavePCXImageW of\n"
                "the same DIB, in-process, to a file; best of %d runs after a warm-up, ms. rows = WritePixels a line\n"
                "at a time from the DIB's rows; whole = one WritePixels of the picture top-down; source =\n"
                "WriteSource of a bitmap holding it. ratio = WIC / export.\n\n",
                runs);
    std::printf("%-16s %4s | %8s %9s | %8s %6s | %8s %6s | %8s %6s | %9s\n", "image", "bits", "export", "bytes",
                "rows", "ratio", "whole", "ratio", "source", "ratio", "bytes");
    const std::wstring exported = tmp + L"\\wic_encode_bench_export.pcx";
    const std::wstring encoded = tmp + L"\\wic_encode_bench_wic.pcx";
    int status = 0;
    for (const std::wstring& file : files) {
        const std::string name = kypcx_bench::BaseName(file);
        PcxErrorCode code = PCX_OK;
        HGLOBAL dib = load(file.c_str(), KYPCX_WHOLE_FILE, 0, &code, nullptr);
        const auto* info = dib != nullptr ? static_cast<const BITMAPINFOHEADER*>(GlobalLock(dib)) : nullptr;
        if (info == nullptr || (info->biBitCount != 8 && info->biBitCount != 24)) {
            std::printf("%-16s | not an 8- or 24-bit picture (code %d)\n", name.c_str(), int(code));
            if (dib != nullptr) GlobalFree(dib);
            status = 1;
            continue;
        }
        Picture p;
        p.width = UINT(info->biWidth);
        p.height = UINT(info->biHeight);
        p.bits = info->biBitCount;
        p.dibStride = ((p.width * p.bits + 31) / 32) * 4;
        const auto* table = reinterpret_cast<const RGBQUAD*>(reinterpret_cast<const BYTE*>(info) + info->biSize);
        const UINT tableEntries = p.bits == 8 ? (info->biClrUsed != 0 ? info->biClrUsed : 256) : 0;
        for (UINT i = 0; i < tableEntries; ++i)
            p.colors.push_back(0xFF000000u | DWORD(table[i].rgbRed) << 16 | DWORD(table[i].rgbGreen) << 8 |
                               table[i].rgbBlue);
        p.dibRows = reinterpret_cast<const BYTE*>(table + tableEntries);
        if (info->biXPelsPerMeter > 0) p.dpiX = std::max(1.0, info->biXPelsPerMeter / 39.37);
        if (info->biYPelsPerMeter > 0) p.dpiY = std::max(1.0, info->biYPelsPerMeter / 39.37);
        const UINT rowBytes = p.width * p.bits / 8;
        p.topDown.resize(size_t(rowBytes) * p.height);
        for (UINT y = 0; y < p.height; ++y)
            std::memcpy(p.topDown.data() + size_t(y) * rowBytes, p.dibRows + size_t(p.height - 1 - y) * p.dibStride,
                        rowBytes);
        IWICBitmap* bitmap = nullptr;
        IWICPalette* palette = nullptr;
        bool ok = SUCCEEDED(factory->CreateBitmapFromMemory(
            p.width, p.height, p.bits == 8 ? GUID_WICPixelFormat8bppIndexed : GUID_WICPixelFormat24bppBGR, rowBytes,
            UINT(p.topDown.size()), p.topDown.data(), &bitmap));
        if (ok && p.bits == 8) {
            std::vector<WICColor> colors = p.colors;
            ok = SUCCEEDED(factory->CreatePalette(&palette)) &&
                 SUCCEEDED(palette->InitializeCustom(colors.data(), UINT(colors.size()))) &&
                 SUCCEEDED(bitmap->SetPalette(palette));
        }
        if (ok) ok = SUCCEEDED(bitmap->SetResolution(p.dpiX, p.dpiY));

        Timing byExport, byRows, byWhole, bySource;
        for (int run = 0; run <= runs && ok; ++run) {  // run 0 warms the caches and is not counted
            double e = 0, r = 0, w = 0, s = 0;
            // Every way writes a new file: the export would overwrite an old
            // one in place, the factory's stream cut it to nothing first, and
            // the system's cost of either is no part of the encoding.
            if (runs_way(L"export")) {
                DeleteFileW(exported.c_str());
                const double t0 = NowSeconds();
                // The layout the encoder writes for an 8- or 24-bit frame is the
                // classic one.
                ok = save(exported.c_str(), dib, KYPCX_SAVE_CLASSIC, &code, nullptr) != FALSE;
                e = NowSeconds() - t0;
            }
            const struct {
                const wchar_t* name;
                Lines lines;
                double* seconds;
            } ways[] = {{L"rows", Lines::Rows, &r}, {L"whole", Lines::Whole, &w}, {L"source", Lines::Source, &s}};
            for (const auto& way : ways) {
                if (!ok || !runs_way(way.name)) continue;
                DeleteFileW(encoded.c_str());
                ok = EncodeOnce(factory, p, bitmap, way.lines, encoded, way.seconds);
            }
            if (run == 0) continue;
            byExport.seconds.push_back(e);
            byRows.seconds.push_back(r);
            byWhole.seconds.push_back(w);
            bySource.seconds.push_back(s);
        }
        const ULONGLONG exportBytes = FileSize(exported), encodedBytes = FileSize(encoded);
        DeleteFileW(exported.c_str());
        DeleteFileW(encoded.c_str());
        if (palette != nullptr) palette->Release();
        if (bitmap != nullptr) bitmap->Release();
        GlobalUnlock(dib);
        GlobalFree(dib);
        if (!ok) {
            std::printf("%-16s | failed (is the codec registered?)\n", name.c_str());
            status = 1;
            continue;
        }
        const double base = byExport.BestMs() > 0 ? byExport.BestMs() : 1;
        std::printf("%-16s %4u | %8.2f %9llu | %8.2f %6.2f | %8.2f %6.2f | %8.2f %6.2f | %9llu\n", name.c_str(),
                    p.bits, base, exportBytes, byRows.BestMs(), byRows.BestMs() / base, byWhole.BestMs(),
                    byWhole.BestMs() / base, bySource.BestMs(), bySource.BestMs() / base, encodedBytes);
        std::printf("WIC_ENCODE_BENCH image=%s bits=%u export_min_ms=%.3f export_median_ms=%.3f "
                    "rows_min_ms=%.3f rows_median_ms=%.3f whole_min_ms=%.3f whole_median_ms=%.3f "
                    "source_min_ms=%.3f source_median_ms=%.3f export_bytes=%llu wic_bytes=%llu\n",
                    name.c_str(), p.bits, base, byExport.MedianMs(), byRows.BestMs(), byRows.MedianMs(),
                    byWhole.BestMs(), byWhole.MedianMs(), bySource.BestMs(), bySource.MedianMs(), exportBytes,
                    encodedBytes);
    }
    factory->Release();
    return status;
}
