// kypcx: the command-line client. Loads KyPCX.dll as any program would and
// reports what the library says of PCX files.
//   kypcx info <file.pcx>     header fields, size, colours
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

    bool Load() {
        module = LoadLibraryW(L"KyPCX.dll");
        if (module == nullptr) return false;
        errorString = KyPcxGetProc<decltype(errorString)>(module, "GetPCXErrorString");
        version = KyPcxGetProc<decltype(version)>(module, "GetKyPCXVersion");
        info = KyPcxGetProc<decltype(info)>(module, "PCXInfoW");
        colorSpace = KyPcxGetProc<decltype(colorSpace)>(module, "GetPCXColorSpaceW");
        return errorString && version && info && colorSpace;
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

int Usage() {
    std::fwprintf(stderr, L"usage: kypcx info <file.pcx>\n       kypcx version\n");
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
    return Usage();
}
