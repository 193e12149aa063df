// kypcx: the command-line client. Loads KyPCX.dll as any program would and
// reports what the library says of PCX files.
//   kypcx info <file.pcx>     header fields, size, colours
//   kypcx tobmp <in.pcx> <out.bmp>   decode to a Windows BMP file
//   kypcx version             the library's version text
#include <windows.h>

#include <cstdio>
#include <cwchar>

#include "KyPCX.h"

namespace {

struct Library {
    HMODULE module = nullptr;
    decltype(&GetPCXErrorString) errorString = nullptr;
    decltype(&GetKyPCXVersion) version = nullptr;
    decltype(&PCXInfoW) info = nullptr;
    decltype(&GetPCXColorSpaceW) colorSpace = nullptr;
    decltype(&LoadPCXIntoDIBW) loadDib = nullptr;

    bool Load() {
        module = LoadLibraryW(L"KyPCX.dll");
        if (module == nullptr) return false;
        errorString = KyPcxGetProc<decltype(errorString)>(module, "GetPCXErrorString");
        version = KyPcxGetProc<decltype(version)>(module, "GetKyPCXVersion");
        info = KyPcxGetProc<decltype(info)>(module, "PCXInfoW");
        colorSpace = KyPcxGetProc<decltype(colorSpace)>(module, "GetPCXColorSpaceW");
        loadDib = KyPcxGetProc<decltype(loadDib)>(module, "LoadPCXIntoDIBW");
        return errorString && version && info && colorSpace && loadDib;
    }

    int Fail(const wchar_t* what, PcxErrorCode code) const {
        char message[64];
        errorString(message, &code);
        std::fwprintf(stderr, L"%ls: error %d: %hs\n", what, static_cast<int>(code), message);
        return 1;
    }
};

const char* LayoutName(int planes, int bits) {
    if (planes == 1 && bits == 1) return "monochrome (1 plane x 1 bit)";
    if (planes == 1 && bits == 8) return "256 colours (1 plane x 8 bits)";
    if (planes == 3 && bits == 8) return "true colour (3 planes x 8 bits)";
    if (planes == 4 && bits == 1) return "16 colours (4 planes x 1 bit)";
    return "not decodable";
}

int Info(const Library& lib, const wchar_t* path) {
    PcxHeader h;
    PcxErrorCode code = PCX_OK;
    if (!lib.info(path, &h, &code)) return lib.Fail(path, code);
    const int width = h.xMax - h.xMin + 1;
    const int height = h.yMax - h.yMin + 1;
    const int bitCount = h.planes * h.bitsPerPixel;
    std::wprintf(L"%ls\n", path);
    std::wprintf(L"  manufacturer     0x%02X\n", h.manufacturer);
    std::wprintf(L"  version          %d\n", h.version);
    std::wprintf(L"  encoding         %d\n", h.encoding);
    std::wprintf(L"  bits per pixel   %d\n", h.bitsPerPixel);
    std::wprintf(L"  planes           %d\n", h.planes);
    std::wprintf(L"  bytes per line   %d\n", static_cast<unsigned short>(h.bytesPerLine));
    std::wprintf(L"  window           (%d, %d) - (%d, %d)\n", h.xMin, h.yMin, h.xMax, h.yMax);
    std::wprintf(L"  resolution       %d x %d dpi\n", h.horizontalDpi, h.verticalDpi);
    std::wprintf(L"  palette info     %d\n", h.paletteInfo);
    std::wprintf(L"  screen size      %d x %d\n", h.horizontalScreenSize, h.verticalScreenSize);
    std::wprintf(L"  width            %d\n", width);
    std::wprintf(L"  height           %d\n", height);
    std::wprintf(L"  layout           %hs\n", LayoutName(h.planes, h.bitsPerPixel));
    if (bitCount >= 24) std::wprintf(L"  colours          16777216\n");
    else std::wprintf(L"  colours          %lu\n", 1ul << bitCount);
    std::wprintf(L"  colour space     %ld\n", lib.colorSpace(path));
    return 0;
}

// A BMP file is the DIB behind a 14-byte file header.
int ToBmp(const Library& lib, const wchar_t* in, const wchar_t* out) {
    PcxErrorCode code = PCX_OK;
    HGLOBAL dib = lib.loadDib(in, &code);
    if (dib == nullptr) return lib.Fail(in, code);
    auto* info = static_cast<BITMAPINFOHEADER*>(GlobalLock(dib));
    const DWORD table = info->biClrUsed * sizeof(RGBQUAD);
    const DWORD rowSize = ((info->biBitCount * static_cast<DWORD>(info->biWidth) + 31) / 32) * 4;
    const DWORD pixels = rowSize * static_cast<DWORD>(info->biHeight);
    BITMAPINFOHEADER header = *info;
    header.biSizeImage = pixels;
    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof file + sizeof header + table;
    file.bfSize = file.bfOffBits + pixels;
    HANDLE f = CreateFileW(out, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    bool ok = f != INVALID_HANDLE_VALUE;
    DWORD written = 0;
    const BYTE* rest = reinterpret_cast<const BYTE*>(info) + info->biSize;
    ok = ok && WriteFile(f, &file, sizeof file, &written, nullptr) && written == sizeof file;
    ok = ok && WriteFile(f, &header, sizeof header, &written, nullptr) && written == sizeof header;
    ok = ok && WriteFile(f, rest, table + pixels, &written, nullptr) && written == table + pixels;
    if (f != INVALID_HANDLE_VALUE) CloseHandle(f);
    GlobalUnlock(dib);
    GlobalFree(dib);
    if (!ok) {
        std::fwprintf(stderr, L"%ls: cannot write\n", out);
        return 1;
    }
    std::wprintf(L"%ls: %ld x %ld, %d bits per pixel\n", out, header.biWidth, header.biHeight, header.biBitCount);
    return 0;
}

int Usage() {
    std::fwprintf(stderr,
                  L"usage: kypcx info <file.pcx>\n"
                  L"       kypcx tobmp <in.pcx> <out.bmp>\n"
                  L"       kypcx version\n");
    return 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    Library lib;
    if (!lib.Load()) {
        std::fwprintf(stderr, L"kypcx: cannot load KyPCX.dll\n");
        return 1;
    }
    if (argc == 2 && std::wcscmp(argv[1], L"version") == 0) {
        char text[16] = {};
        lib.version(text, sizeof text);
        std::printf("%s\n", text);
        return 0;
    }
    if (argc == 3 && std::wcscmp(argv[1], L"info") == 0) return Info(lib, argv[2]);
    if (argc == 4 && std::wcscmp(argv[1], L"tobmp") == 0) return ToBmp(lib, argv[2], argv[3]);
    return Usage();
}
