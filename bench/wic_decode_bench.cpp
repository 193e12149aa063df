// wic_decode_bench: decoding through the Windows Imaging Component with the
// registered KyPCXCodec.dll, into a caller's buffer, against decoding the
// same image through KyPCX.dll's own layout reader (LoadPCXImageW), for PCX
// files and for the last page of a large DCX file built from the first one.
// The client's path is timed whole and in its two parts: the factory's
// CreateDecoderFromFilename (which finds the decoder by the file's first
// bytes and initializes it), then GetFrame and one CopyPixels of the whole
// image at a DIB's stride. The buffer is a fresh block each time, as the
// export's DIB is, or one block reused ("warm"). Beside them, the factory
// opening the same image written as a BMP file, with its own decoder: what
// the factory costs whatever the format. Runs alternate between all of them
// so that the machine's drift falls on all alike; the best of the runs after
// a warm-up is reported (and, in the machine-readable line, medians).
//   wic_decode_bench [--runs N] [--pages P] [--tmp DIR] file.pcx...
// Prints a table and one machine-readable "WIC_BENCH" line per image (the
// DCX page is named dcx_page_P_of_P, its file being P copies of the first
// file). The codec must be registered (regsvr32 KyPCXCodec.dll) in the Wine
// prefix.
#include <windows.h>

#include <wincodec.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "KyPCX.h"
#include "BenchSupport.h"

namespace {

using kypcx_bench::BaseName;
using kypcx_bench::NowSeconds;
using kypcx_bench::ReadWhole;
using kypcx_bench::Timing;
using kypcx_bench::WriteDcx;

// LoadPCXImageW of the file or page; false when it fails.
bool ExportOnce(decltype(&LoadPCXImageW) load, const std::wstring& path, UINT item, double* seconds) {
    PcxErrorCode code = PCX_OK;
    const double t0 = NowSeconds();
    HGLOBAL dib = load(path.c_str(), item, 0, &code, nullptr);
    *seconds = NowSeconds() - t0;
    if (dib == nullptr) return false;
    GlobalFree(dib);
    return true;
}

// One pass of the imaging component's way, its parts timed: the factory's
// open (which finds the decoder by the file's first bytes and initializes
// it) and the decode (GetFrame and one CopyPixels of the whole image at a
// DIB's stride into a fresh block when `fresh`, else into `*warm`).
struct WicPass {
    double openSeconds = 0;
    double decodeSeconds = 0;
};

bool WicOnce(IWICImagingFactory* factory, const std::wstring& path, UINT item, bool fresh, std::vector<BYTE>* warm,
             WicPass* pass) {
    bool ok = false;
    const double t0 = NowSeconds();
    IWICBitmapDecoder* decoder = nullptr;
    IWICBitmapFrameDecode* frame = nullptr;
    HGLOBAL block = nullptr;
    const bool opened = SUCCEEDED(factory->CreateDecoderFromFilename(path.c_str(), nullptr, GENERIC_READ,
                                                                     WICDecodeMetadataCacheOnDemand, &decoder));
    const double t1 = NowSeconds();
    if (opened && SUCCEEDED(decoder->GetFrame(item, &frame))) {
        UINT width = 0, height = 0;
        WICPixelFormatGUID format;
        frame->GetSize(&width, &height);
        frame->GetPixelFormat(&format);
        UINT bits = 32;
        if (IsEqualGUID(format, GUID_WICPixelFormat1bppIndexed)) bits = 1;
        else if (IsEqualGUID(format, GUID_WICPixelFormat4bppIndexed)) bits = 4;
        else if (IsEqualGUID(format, GUID_WICPixelFormat8bppIndexed)) bits = 8;
        else if (IsEqualGUID(format, GUID_WICPixelFormat24bppBGR)) bits = 24;
        const UINT stride = ((width * bits + 31) / 32) * 4;
        const SIZE_T size = SIZE_T(stride) * height;
        BYTE* pixels = nullptr;
        if (fresh) {
            block = GlobalAlloc(GMEM_FIXED, size);
            pixels = static_cast<BYTE*>(block);
        } else {
            if (warm->size() != size) warm->assign(size, 0);
            pixels = warm->data();
        }
        ok = pixels != nullptr && SUCCEEDED(frame->CopyPixels(nullptr, stride, UINT(size), pixels));
    }
    if (frame != nullptr) frame->Release();
    if (decoder != nullptr) decoder->Release();
    const double t2 = NowSeconds();
    if (block != nullptr) GlobalFree(block);
    pass->openSeconds = t1 - t0;
    pass->decodeSeconds = t2 - t1;
    return ok;
}

// Writes the DIB as a BMP file: the same image for the imaging component's
// own BMP decoder, whose open through the factory shows what the factory
// itself costs for any format.
bool WriteBmp(const std::wstring& path, HGLOBAL dib) {
    const auto* info = static_cast<const BITMAPINFOHEADER*>(GlobalLock(dib));
    if (info == nullptr) return false;
    const DWORD size = DWORD(GlobalSize(dib));
    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;
    file.bfSize = sizeof file + size;
    file.bfOffBits = sizeof file + info->biSize + info->biClrUsed * sizeof(RGBQUAD);
    HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    bool ok = f != INVALID_HANDLE_VALUE && WriteFile(f, &file, sizeof file, &written, nullptr) &&
              WriteFile(f, info, size, &written, nullptr) && written == size;
    if (f != INVALID_HANDLE_VALUE) CloseHandle(f);
    GlobalUnlock(dib);
    return ok;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    int runs = 5;
    unsigned pages = 0;
    std::wstring tmp = L".";
    std::vector<std::wstring> files;
    for (int i = 1; i < argc; ++i) {
        if (std::wcscmp(argv[i], L"--runs") == 0 && i + 1 < argc) runs = _wtoi(argv[++i]);
        else if (std::wcscmp(argv[i], L"--pages") == 0 && i + 1 < argc) pages = unsigned(_wtoi(argv[++i]));
        else if (std::wcscmp(argv[i], L"--tmp") == 0 && i + 1 < argc) tmp = argv[++i];
        else files.push_back(argv[i]);
    }
    if (files.empty() || runs < 1 || pages > 1022) {
        std::fwprintf(stderr, L"usage: wic_decode_bench [--runs N] [--pages 0..1022] [--tmp DIR] file.pcx...\n");
        return 2;
    }
    HMODULE module = LoadLibraryW(L"KyPCX.dll");
    const auto load = KyPcxGetProc<decltype(&LoadPCXImageW)>(module, "LoadPCXImageW");
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    IWICImagingFactory* factory = nullptr;
    if (load == nullptr || FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                                   IID_IWICImagingFactory, reinterpret_cast<void**>(&factory)))) {
        std::fwprintf(stderr, L"wic_decode_bench: KyPCX.dll and the imaging factory are needed\n");
        return 1;
    }

    // Each image: a path and an item (a PCX file whole, or a DCX page).
    struct Image {
        std::wstring path;
        UINT item;
        std::string name;
    };
    std::vector<Image> images;
    for (const std::wstring& f : files) images.push_back({f, KYPCX_WHOLE_FILE, BaseName(f)});
    const std::wstring dcx = tmp + L"\\wic_decode_bench.dcx";
    std::vector<BYTE> page;
    if (pages > 0) {
        if (!ReadWhole(files[0], &page) || !WriteDcx(dcx, page, pages)) {
            std::fwprintf(stderr, L"wic_decode_bench: cannot build the DCX file\n");
            return 1;
        }
        images.push_back({dcx, pages - 1, "dcx_page_" + std::to_string(pages) + "_of_" + std::to_string(pages)});
    }

    std::printf("Decoding through the imaging component (KyPCXCodec.dll) against LoadPCXImageW, in-process;\n"
                "best of %d runs after a warm-up, ms. WIC = CreateDecoderFromFilename, GetFrame and one CopyPixels\n"
                "of the whole image into a fresh block (as the export's DIB is) or a reused one (warm); its open is\n"
                "the factory's CreateDecoderFromFilename, its decode the rest. BMP open = the factory opening the\n"
                "same image as a BMP file with its own decoder: the factory's cost whatever the format.\n\n",
                runs);
    std::printf("%-36s | %8s | %8s %6s | %8s %8s %6s | %8s %6s | %8s\n", "image", "export", "WIC", "ratio", "open",
                "decode", "ratio", "warm", "ratio", "BMP open");
    int status = 0;
    for (const Image& image : images) {
        const UINT frame = image.item == KYPCX_WHOLE_FILE ? 0 : image.item;
        const std::wstring bmp = tmp + L"\\wic_decode_bench.bmp";
        PcxErrorCode code = PCX_OK;
        HGLOBAL dib = load(image.path.c_str(), image.item, 0, &code, nullptr);
        bool ok = dib != nullptr && WriteBmp(bmp, dib);
        if (dib != nullptr) GlobalFree(dib);
        Timing exported, whole, open, decode, warm, bmpOpen;
        std::vector<BYTE> warmBuffer;
        for (int run = 0; run <= runs && ok; ++run) {  // run 0 warms the caches and is not counted
            double a = 0;
            WicPass fresh, reused, other;
            ok = ExportOnce(load, image.path, image.item, &a) &&
                 WicOnce(factory, image.path, frame, true, &warmBuffer, &fresh) &&
                 WicOnce(factory, image.path, frame, false, &warmBuffer, &reused) &&
                 WicOnce(factory, bmp, 0, true, &warmBuffer, &other);
            if (run == 0) continue;
            exported.seconds.push_back(a);
            whole.seconds.push_back(fresh.openSeconds + fresh.decodeSeconds);
            open.seconds.push_back(fresh.openSeconds);
            decode.seconds.push_back(fresh.decodeSeconds);
            warm.seconds.push_back(reused.openSeconds + reused.decodeSeconds);
            bmpOpen.seconds.push_back(other.openSeconds);
        }
        DeleteFileW(bmp.c_str());
        if (!ok) {
            std::printf("%-36s | failed (is the codec registered?)\n", image.name.c_str());
            status = 1;
            continue;
        }
        const double base = exported.BestMs();
        std::printf("%-36s | %8.2f | %8.2f %6.2f | %8.2f %8.2f %6.2f | %8.2f %6.2f | %8.2f\n", image.name.c_str(), base,
                    whole.BestMs(), whole.BestMs() / base, open.BestMs(), decode.BestMs(), decode.BestMs() / base,
                    warm.BestMs(), warm.BestMs() / base, bmpOpen.BestMs());
        std::printf("WIC_BENCH image=%s export_min_ms=%.3f export_median_ms=%.3f wic_min_ms=%.3f "
                    "wic_median_ms=%.3f wic_open_min_ms=%.3f wic_decode_min_ms=%.3f wic_warm_min_ms=%.3f "
                    "bmp_open_min_ms=%.3f\n",
                    image.name.c_str(), base, exported.MedianMs(), whole.BestMs(), whole.MedianMs(), open.BestMs(),
                    decode.BestMs(), warm.BestMs(), bmpOpen.BestMs());
    }
    factory->Release();
    if (pages > 0) DeleteFileW(dcx.c_str());
    return status;
}
