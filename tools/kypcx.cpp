// kypcx: the command-line client. Loads KyPCX.dll as any program would and
// reports what the library says of PCX files.
//   kypcx info <file.pcx>     header fields, size, colours
//   kypcx tobmp <in.pcx> <out.bmp>   decode to a Windows BMP file
//   kypcx topcx <in.bmp> <out.pcx>   encode a Windows BMP file as PCX
//   kypcx paint <in.pcx> <out.bmp>   paint through LoadPCXW, save what was painted
//   kypcx version             the library's version text
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <vector>

#include "KyPCX.h"

namespace {

struct Library {
    HMODULE module = nullptr;
    decltype(&GetPCXErrorString) errorString = nullptr;
    decltype(&GetKyPCXVersion) version = nullptr;
    decltype(&PCXInfoW) info = nullptr;
    decltype(&GetPCXColorSpaceW) colorSpace = nullptr;
    decltype(&LoadPCXIntoDIBW) loadDib = nullptr;
    decltype(&SaveDIBInPCXFormatW) saveDib = nullptr;
    decltype(&LoadPCXW) paint = nullptr;

    bool Load() {
        module = LoadLibraryW(L"KyPCX.dll");
        if (module == nullptr) return false;
        errorString = KyPcxGetProc<decltype(errorString)>(module, "GetPCXErrorString");
        version = KyPcxGetProc<decltype(version)>(module, "GetKyPCXVersion");
        info = KyPcxGetProc<decltype(info)>(module, "PCXInfoW");
        colorSpace = KyPcxGetProc<decltype(colorSpace)>(module, "GetPCXColorSpaceW");
        loadDib = KyPcxGetProc<decltype(loadDib)>(module, "LoadPCXIntoDIBW");
        saveDib = KyPcxGetProc<decltype(saveDib)>(module, "SaveDIBInPCXFormatW");
        paint = KyPcxGetProc<decltype(paint)>(module, "LoadPCXW");
        return errorString && version && info && colorSpace && loadDib && saveDib && paint;
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

// A BMP file is the DIB behind a 14-byte file header: the info header, then
// `rest` (colour table and pixel rows, bottom-up).
bool WriteBmpFile(const wchar_t* out, const BITMAPINFOHEADER& info, const void* rest, DWORD table, DWORD pixels) {
    BITMAPINFOHEADER header = info;
    header.biSizeImage = pixels;
    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof file + sizeof header + table;
    file.bfSize = file.bfOffBits + pixels;
    HANDLE f = CreateFileW(out, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    bool ok = f != INVALID_HANDLE_VALUE;
    DWORD written = 0;
    ok = ok && WriteFile(f, &file, sizeof file, &written, nullptr) && written == sizeof file;
    ok = ok && WriteFile(f, &header, sizeof header, &written, nullptr) && written == sizeof header;
    ok = ok && WriteFile(f, rest, table + pixels, &written, nullptr) && written == table + pixels;
    if (f != INVALID_HANDLE_VALUE) CloseHandle(f);
    if (!ok) std::fwprintf(stderr, L"%ls: cannot write\n", out);
    return ok;
}

// Writes a DIB block the library returned as a BMP file.
int SaveDibAsBmp(HGLOBAL dib, const wchar_t* out) {
    auto* info = static_cast<BITMAPINFOHEADER*>(GlobalLock(dib));
    const DWORD table = info->biClrUsed * sizeof(RGBQUAD);
    const DWORD rowSize = ((info->biBitCount * static_cast<DWORD>(info->biWidth) + 31) / 32) * 4;
    const DWORD pixels = rowSize * static_cast<DWORD>(info->biHeight);
    const BITMAPINFOHEADER header = *info;
    const bool ok = WriteBmpFile(out, header, reinterpret_cast<const BYTE*>(info) + info->biSize, table, pixels);
    GlobalUnlock(dib);
    if (!ok) return 1;
    std::wprintf(L"%ls: %ld x %ld, %d bits per pixel\n", out, header.biWidth, header.biHeight, header.biBitCount);
    return 0;
}

int ToBmp(const Library& lib, const wchar_t* in, const wchar_t* out) {
    PcxErrorCode code = PCX_OK;
    HGLOBAL dib = lib.loadDib(in, &code);
    if (dib == nullptr) return lib.Fail(in, code);
    const int result = SaveDibAsBmp(dib, out);
    GlobalFree(dib);
    return result;
}

// Paints the file through LoadPCXW into a white 24-bit bitmap of the image's
// size, with the progress gauge, and saves what was painted.
int Paint(const Library& lib, const wchar_t* in, const wchar_t* out) {
    PcxHeader h = {};
    PcxErrorCode code = PCX_OK;
    if (!lib.info(in, &h, &code)) return lib.Fail(in, code);
    BITMAPINFOHEADER header = {};
    header.biSize = sizeof header;
    header.biWidth = h.xMax - h.xMin + 1;
    header.biHeight = h.yMax - h.yMin + 1;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP section = CreateDIBSection(dc, reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS, &bits, nullptr, 0);
    if (section == nullptr) {
        DeleteDC(dc);
        return lib.Fail(in, PCX_ERR_CREATE_BITMAP);
    }
    HGDIOBJ previous = SelectObject(dc, section);
    PatBlt(dc, 0, 0, header.biWidth, header.biHeight, WHITENESS);
    const int painted = lib.paint(TRUE, dc, in);
    GdiFlush();
    const DWORD pixels = ((24 * static_cast<DWORD>(header.biWidth) + 31) / 32) * 4 * static_cast<DWORD>(header.biHeight);
    const bool ok = painted == 1 && WriteBmpFile(out, header, bits, 0, pixels);
    SelectObject(dc, previous);
    DeleteObject(section);
    DeleteDC(dc);
    if (painted != 1) {
        std::fwprintf(stderr, L"%ls: LoadPCXW returned %d\n", in, painted);
        return 1;
    }
    if (!ok) return 1;
    std::wprintf(L"%ls: painted %ld x %ld\n", out, header.biWidth, header.biHeight);
    return 0;
}

// The DIB of a BMP file is its info header, masks and colour table, then the
// pixels from bfOffBits on; whatever gap a BMP leaves before the pixels is
// dropped so that the rows follow the table directly, as in a DIB block.
int ToPcx(const Library& lib, const wchar_t* in, const wchar_t* out) {
    std::vector<BYTE> bytes;
    HANDLE f = CreateFileW(in, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f != INVALID_HANDLE_VALUE) {
        const DWORD size = GetFileSize(f, nullptr);
        DWORD got = 0;
        if (size != INVALID_FILE_SIZE) bytes.resize(size);
        if (bytes.empty() || !ReadFile(f, bytes.data(), size, &got, nullptr) || got != size) bytes.clear();
        CloseHandle(f);
    }
    BITMAPFILEHEADER file = {};
    BITMAPINFOHEADER header = {};
    if (bytes.size() >= sizeof file + sizeof header) {
        CopyMemory(&file, bytes.data(), sizeof file);
        CopyMemory(&header, bytes.data() + sizeof file, sizeof header);
    }
    DWORD colours = header.biClrUsed;
    if (colours == 0 && header.biBitCount <= 8) colours = 1u << header.biBitCount;
    const DWORD masks = header.biCompression == BI_BITFIELDS && header.biSize == sizeof header ? 12 : 0;
    const ULONGLONG front = ULONGLONG{header.biSize} + masks + ULONGLONG{colours} * sizeof(RGBQUAD);
    if (file.bfType != 0x4D42 || header.biSize < sizeof header || file.bfOffBits > bytes.size() ||
        sizeof file + front > file.bfOffBits) {
        std::fwprintf(stderr, L"%ls: not a Windows BMP file with an info header\n", in);
        return 1;
    }
    const SIZE_T pixels = bytes.size() - file.bfOffBits;
    HGLOBAL dib = GlobalAlloc(GMEM_MOVEABLE, static_cast<SIZE_T>(front) + pixels);
    if (dib == nullptr) return lib.Fail(in, PCX_ERR_ALLOC);
    auto* d = static_cast<BYTE*>(GlobalLock(dib));
    CopyMemory(d, bytes.data() + sizeof file, static_cast<SIZE_T>(front));
    CopyMemory(d + front, bytes.data() + file.bfOffBits, pixels);
    GlobalUnlock(dib);
    PcxErrorCode code = PCX_OK;
    const BOOL saved = lib.saveDib(out, dib, &code);
    GlobalFree(dib);
    if (!saved) return lib.Fail(out, code);
    std::wprintf(L"%ls: %ld x %ld from %d bits per pixel\n", out, header.biWidth, header.biHeight, header.biBitCount);
    return 0;
}

int Usage() {
    std::fwprintf(stderr,
                  L"usage: kypcx info <file.pcx>\n"
                  L"       kypcx tobmp <in.pcx> <out.bmp>\n"
                  L"       kypcx topcx <in.bmp> <out.pcx>\n"
                  L"       kypcx paint <in.pcx> <out.bmp>\n"
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
    if (argc == 4 && std::wcscmp(argv[1], L"topcx") == 0) return ToPcx(lib, argv[2], argv[3]);
    if (argc == 4 && std::wcscmp(argv[1], L"paint") == 0) return Paint(lib, argv[2], argv[3]);
    return Usage();
}
