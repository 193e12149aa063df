// kypcx: the command-line client. Loads KyPCX.dll as any program would and
// reports what the library says of PCX and DCX files, or changes DCX files
// with it. The reading commands take every PCX layout (the layout readers);
// `kypcx --classic <command> ...` reads with the classic exports instead,
// which take the four classic layouts only.
//   kypcx info <file.pcx>     header fields, size, layout, colours
//   kypcx tobmp <in.pcx> <out.bmp>...   decode to a Windows BMP file (32 bits with alpha where the image has it);
//                                       more pairs convert more files in one run, each reported by name
//   kypcx topcx <in.bmp> <out.pcx>   encode a Windows BMP file as PCX
//   kypcx paint <in.pcx> <out.bmp>   paint through LoadPCXW, save what was painted
//   kypcx pages <file.dcx>    each page: number, offset, bytes, size, layout
//   kypcx extract <file.dcx> <n> <out.bmp>     page n (from 0) as a BMP file
//   kypcx extract <file.dcx> all <prefix>      every page, <prefix>_000.bmp on
//   kypcx pack <out.dcx> <page>...   a new DCX file of PCX or BMP pages
//   kypcx add <file.dcx> <page>      a PCX or BMP file as a further page
//   kypcx delete <file.dcx> <n>      remove page n (counted from 0)
//   kypcx pick <file.dcx> [<page.bmp>]   choose a page in the dialog; print it, or save it
//   kypcx convert <in> <out> [--page N]   any picture the imaging component reads (PNG, TIFF,
//                                       JPEG, GIF, BMP), or PCX and DCX through the library, into
//                                       the format <out>'s name ends in; a many-page input becomes
//                                       a DCX or TIFF file page by page, --page N takes one page
//   kypcx version             the library's version text
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "ConvertCommand.h"
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
    decltype(&SelectDCXItemW) selectItem = nullptr;
    decltype(&LoadPCXImageW) loadImage = nullptr;
    decltype(&GetPCXImageInfoW) imageInfo = nullptr;
    bool classic = false;  // --classic: the classic exports only

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
        selectItem = KyPcxGetProc<decltype(selectItem)>(module, "SelectDCXItemW");
        loadImage = KyPcxGetProc<decltype(loadImage)>(module, "LoadPCXImageW");
        imageInfo = KyPcxGetProc<decltype(imageInfo)>(module, "GetPCXImageInfoW");
        return errorString && version && info && colorSpace && loadDib && saveDib && paint && selectItem && loadImage &&
               imageInfo;
    }

    int Fail(const wchar_t* what, PcxErrorCode code) const {
        char message[64];
        errorString(message, &code);
        std::fwprintf(stderr, L"%ls: error %d: %hs\n", what, static_cast<int>(code), message);
        return 1;
    }
};

// The classic exports' names for their four layouts.
const char* ClassicLayoutName(int planes, int bits) {
    if (planes == 1 && bits == 1) return "monochrome (1 plane x 1 bit)";
    if (planes == 1 && bits == 8) return "256 colours (1 plane x 8 bits)";
    if (planes == 3 && bits == 8) return "true colour (3 planes x 8 bits)";
    if (planes == 4 && bits == 1) return "16 colours (4 planes x 1 bit)";
    return "not decodable";
}

void PrintHeaderFields(const PcxHeader& h) {
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
}

int Info(const Library& lib, const wchar_t* path) {
    if (lib.classic) {
        PcxHeader h;
        PcxErrorCode code = PCX_OK;
        if (!lib.info(path, &h, &code)) return lib.Fail(path, code);
        const int bitCount = h.planes * h.bitsPerPixel;
        std::wprintf(L"%ls\n", path);
        PrintHeaderFields(h);
        std::wprintf(L"  width            %d\n", h.xMax - h.xMin + 1);
        std::wprintf(L"  height           %d\n", h.yMax - h.yMin + 1);
        std::wprintf(L"  layout           %hs\n", ClassicLayoutName(h.planes, h.bitsPerPixel));
        if (bitCount >= 24) std::wprintf(L"  colours          16777216\n");
        else std::wprintf(L"  colours          %lu\n", 1ul << bitCount);
        std::wprintf(L"  colour space     %ld\n", lib.colorSpace(path));
        return 0;
    }
    PcxImageInfo info = {};
    info.size = sizeof info;
    PcxErrorCode code = PCX_OK;
    if (!lib.imageInfo(path, KYPCX_WHOLE_FILE, KYPCX_COLOR_SPACE, &info, &code)) return lib.Fail(path, code);
    std::wprintf(L"%ls\n", path);
    PrintHeaderFields(info.header);
    std::wprintf(L"  width            %ld\n", info.width);
    std::wprintf(L"  height           %ld\n", info.height);
    std::wprintf(L"  layout           %hs\n", info.layoutName);
    std::wprintf(L"  lines            %ls\n", info.storedLines ? L"stored" : L"run-length coded");
    if (info.alpha) std::wprintf(L"  colours          16777216 and alpha\n");
    else if (info.dibBitCount >= 24) std::wprintf(L"  colours          16777216\n");
    else std::wprintf(L"  colours          %u%ls\n", info.colors, info.cgaPalette ? L" (CGA palette)" : L"");
    std::wprintf(L"  decoded as       %u bits per pixel\n", info.dibBitCount);
    std::wprintf(L"  colour space     %d\n", info.header.encoding);
    return 0;
}

// A BMP file: the 14-byte file header, then `header` (an info or V5 header),
// then `rest` (colour table and pixel rows, bottom-up), `pixels` of it rows.
bool WriteBmp(const wchar_t* out, const void* header, DWORD headerSize, const void* rest, DWORD restSize,
              DWORD pixels) {
    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof file + headerSize + (restSize - pixels);
    file.bfSize = sizeof file + headerSize + restSize;
    HANDLE f = CreateFileW(out, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    bool ok = f != INVALID_HANDLE_VALUE;
    DWORD written = 0;
    ok = ok && WriteFile(f, &file, sizeof file, &written, nullptr) && written == sizeof file;
    ok = ok && WriteFile(f, header, headerSize, &written, nullptr) && written == headerSize;
    ok = ok && WriteFile(f, rest, restSize, &written, nullptr) && written == restSize;
    if (f != INVALID_HANDLE_VALUE) CloseHandle(f);
    if (!ok) std::fwprintf(stderr, L"%ls: cannot write\n", out);
    return ok;
}

// The DIB's info header, its colour table and rows.
bool WriteBmpFile(const wchar_t* out, const BITMAPINFOHEADER& info, const void* rest, DWORD table, DWORD pixels) {
    BITMAPINFOHEADER header = info;
    header.biSizeImage = pixels;
    return WriteBmp(out, &header, sizeof header, rest, table + pixels, pixels);
}

// A 32-bit DIB whose fourth bytes are alpha, as a BMP file with a V5 header
// whose masks say so, so that readers keep the transparency.
bool WriteAlphaBmpFile(const wchar_t* out, const BITMAPINFOHEADER& info, const void* pixels, DWORD size) {
    BITMAPV5HEADER header = {};
    header.bV5Size = sizeof header;
    header.bV5Width = info.biWidth;
    header.bV5Height = info.biHeight;
    header.bV5Planes = 1;
    header.bV5BitCount = 32;
    header.bV5Compression = BI_BITFIELDS;
    header.bV5SizeImage = size;
    header.bV5XPelsPerMeter = info.biXPelsPerMeter;
    header.bV5YPelsPerMeter = info.biYPelsPerMeter;
    header.bV5RedMask = 0x00FF0000;
    header.bV5GreenMask = 0x0000FF00;
    header.bV5BlueMask = 0x000000FF;
    header.bV5AlphaMask = 0xFF000000;
    header.bV5CSType = 0x73524742;  // LCS_sRGB, 'sRGB'
    header.bV5Intent = LCS_GM_IMAGES;
    return WriteBmp(out, &header, sizeof header, pixels, size, size);
}

// Writes a DIB block as a BMP file, prints its size and frees the block.
// 0, or 1 with a message.
int WriteDibAsBmp(HGLOBAL dib, const wchar_t* out) {
    auto* info = static_cast<BITMAPINFOHEADER*>(GlobalLock(dib));
    const DWORD table = info->biClrUsed * sizeof(RGBQUAD);
    const DWORD rowSize = ((info->biBitCount * static_cast<DWORD>(info->biWidth) + 31) / 32) * 4;
    const DWORD pixels = rowSize * static_cast<DWORD>(info->biHeight);
    const BITMAPINFOHEADER header = *info;
    const BYTE* rest = reinterpret_cast<const BYTE*>(info) + info->biSize;
    const bool ok = header.biBitCount == 32 ? WriteAlphaBmpFile(out, header, rest, pixels)
                                            : WriteBmpFile(out, header, rest, table, pixels);
    GlobalUnlock(dib);
    GlobalFree(dib);
    if (!ok) return 1;
    std::wprintf(L"%ls: %ld x %ld, %d bits per pixel\n", out, header.biWidth, header.biHeight, header.biBitCount);
    return 0;
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

int ToBmp(const Library& lib, const wchar_t* in, const wchar_t* out) {
    PcxErrorCode code = PCX_OK;
    HGLOBAL dib = lib.classic ? lib.loadDib(in, &code) : lib.loadImage(in, KYPCX_WHOLE_FILE, 0, &code, nullptr);
    if (dib == nullptr) return lib.Fail(in, code);
    return WriteDibAsBmp(dib, out);
}

// The exports the DCX reading commands use.
struct DcxReading {
    decltype(&GetDCXInfoW) count = nullptr;
    decltype(&DCXItemInfoW) itemInfo = nullptr;
    decltype(&DCXItemExtentW) itemExtent = nullptr;
    decltype(&LoadDCXIntoDIBW) loadDib = nullptr;

    bool Load(HMODULE module) {
        count = KyPcxGetProc<decltype(count)>(module, "GetDCXInfoW");
        itemInfo = KyPcxGetProc<decltype(itemInfo)>(module, "DCXItemInfoW");
        itemExtent = KyPcxGetProc<decltype(itemExtent)>(module, "DCXItemExtentW");
        loadDib = KyPcxGetProc<decltype(loadDib)>(module, "LoadDCXIntoDIBW");
        return count && itemInfo && itemExtent && loadDib;
    }
};

int Pages(const Library& lib, const DcxReading& dcx, const wchar_t* path) {
    PcxErrorCode code = PCX_OK;
    const UINT count = dcx.count(path, &code);
    if (code != PCX_OK) return lib.Fail(path, code);
    std::wprintf(L"%ls: %u page%ls\n", path, count, count == 1 ? L"" : L"s");
    std::wprintf(L"%5ls %10ls %10ls  %-11ls %ls\n", L"page", L"offset", L"bytes", L"size", L"layout");
    int status = 0;
    for (UINT n = 0; n < count; ++n) {
        // Where the page lies and what it holds, both as the library reads them.
        ULONGLONG start = 0, end = 0;
        PcxErrorCode extentCode = PCX_OK;
        const bool located = dcx.itemExtent(path, n, &start, &end, &extentCode) != FALSE;
        wchar_t size[32] = L"-";
        const char* layout = nullptr;
        char message[64] = "";
        code = PCX_OK;
        if (located && lib.classic) {
            PcxHeader h;
            if (dcx.itemInfo(path, n, &h, &code)) {
                swprintf(size, 32, L"%dx%d", h.xMax - h.xMin + 1, h.yMax - h.yMin + 1);
                layout = ClassicLayoutName(h.planes, h.bitsPerPixel);
            }
        }
        PcxImageInfo info = {};
        info.size = sizeof info;
        if (located && !lib.classic && lib.imageInfo(path, n, KYPCX_COLOR_SPACE, &info, &code)) {
            swprintf(size, 32, L"%ldx%ld", info.width, info.height);
            layout = info.layoutName;
        }
        if (layout == nullptr) {
            if (!located) code = extentCode;
            lib.errorString(message, &code);
            status = 1;
        }
        wchar_t offset[24] = L"-", bytes[24] = L"-";
        if (located) {
            swprintf(offset, 24, L"%llu", start);
            swprintf(bytes, 24, L"%llu", end - start);
        }
        std::wprintf(L"%5u %10ls %10ls  %-11ls %hs\n", n, offset, bytes, size, layout != nullptr ? layout : message);
    }
    return status;
}

// A page number counted from 0, or false for anything else.
bool ParsePageNumber(const wchar_t* text, UINT* n) {
    wchar_t* end = nullptr;
    if (text[0] < L'0' || text[0] > L'9') return false;
    const unsigned long value = std::wcstoul(text, &end, 10);
    if (*end != L'\0' || value > 0xFFFFFFFFul) return false;
    *n = static_cast<UINT>(value);
    return true;
}

int ExtractPage(const Library& lib, const DcxReading& dcx, const wchar_t* path, UINT n, const wchar_t* out) {
    PcxErrorCode code = PCX_OK;
    HGLOBAL dib = lib.classic ? dcx.loadDib(path, n, &code) : lib.loadImage(path, n, 0, &code, nullptr);
    // No page there is reported with the library's message for it.
    if (dib == nullptr) return lib.Fail(path, code == PCX_OK ? PcxErrorCode{PCX_ERR_NO_ITEM} : code);
    return WriteDibAsBmp(dib, out);
}

// kypcx extract FILE.dcx N OUT.bmp, or FILE.dcx all PREFIX (PREFIX_000.bmp, ...).
int Extract(const Library& lib, const DcxReading& dcx, const wchar_t* path, const wchar_t* which,
            const wchar_t* out) {
    if (std::wcscmp(which, L"all") != 0) {
        UINT n = 0;
        if (!ParsePageNumber(which, &n)) return lib.Fail(which, PCX_ERR_NO_ITEM);
        return ExtractPage(lib, dcx, path, n, out);
    }
    PcxErrorCode code = PCX_OK;
    const UINT count = dcx.count(path, &code);
    if (code != PCX_OK) return lib.Fail(path, code);
    int status = 0;
    for (UINT n = 0; n < count; ++n) {
        std::wstring name = out;
        wchar_t suffix[32];
        swprintf(suffix, 32, L"_%03u.bmp", n);
        name += suffix;
        if (ExtractPage(lib, dcx, path, n, name.c_str()) != 0) status = 1;
    }
    return status;
}

// The DIB of a BMP file is its info header, masks and colour table, then the
// pixels from bfOffBits on; whatever gap a BMP leaves before the pixels is
// dropped so that the rows follow the table directly, as in a DIB block.
// Null (with a message) when the file is no BMP file with an info header.
HGLOBAL LoadBmpAsDib(const wchar_t* in) {
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
    DWORD colors = header.biClrUsed;
    if (colors == 0 && header.biBitCount <= 8) colors = 1u << header.biBitCount;
    const DWORD masks = header.biCompression == BI_BITFIELDS && header.biSize == sizeof header ? 12 : 0;
    const ULONGLONG front = ULONGLONG{header.biSize} + masks + ULONGLONG{colors} * sizeof(RGBQUAD);
    if (file.bfType != 0x4D42 || header.biSize < sizeof header || file.bfOffBits > bytes.size() ||
        sizeof file + front > file.bfOffBits) {
        std::fwprintf(stderr, L"%ls: not a Windows BMP file with an info header\n", in);
        return nullptr;
    }
    const SIZE_T pixels = bytes.size() - file.bfOffBits;
    HGLOBAL dib = GlobalAlloc(GMEM_MOVEABLE, static_cast<SIZE_T>(front) + pixels);
    if (dib == nullptr) {
        std::fwprintf(stderr, L"%ls: out of memory\n", in);
        return nullptr;
    }
    auto* d = static_cast<BYTE*>(GlobalLock(dib));
    CopyMemory(d, bytes.data() + sizeof file, static_cast<SIZE_T>(front));
    CopyMemory(d + front, bytes.data() + file.bfOffBits, pixels);
    GlobalUnlock(dib);
    return dib;
}

int ToPcx(const Library& lib, const wchar_t* in, const wchar_t* out) {
    HGLOBAL dib = LoadBmpAsDib(in);
    if (dib == nullptr) return 1;
    PcxErrorCode code = PCX_OK;
    const BOOL saved = lib.saveDib(out, dib, &code);
    auto* header = static_cast<const BITMAPINFOHEADER*>(GlobalLock(dib));
    const LONG width = header->biWidth, height = header->biHeight;
    const int bits = header->biBitCount;
    GlobalUnlock(dib);
    GlobalFree(dib);
    if (!saved) return lib.Fail(out, code);
    std::wprintf(L"%ls: %ld x %ld from %d bits per pixel\n", out, width, height, bits);
    return 0;
}

// The exports the DCX writing commands use.
struct DcxWriting {
    decltype(&MakeDCXFileW) make = nullptr;
    decltype(&AddPCXFileToDCXFileW) addPcx = nullptr;
    decltype(&AddDIBToDCXFileW) addDib = nullptr;
    decltype(&DelItemFromDCXFileW) remove = nullptr;

    bool Load(HMODULE module) {
        make = KyPcxGetProc<decltype(make)>(module, "MakeDCXFileW");
        addPcx = KyPcxGetProc<decltype(addPcx)>(module, "AddPCXFileToDCXFileW");
        addDib = KyPcxGetProc<decltype(addDib)>(module, "AddDIBToDCXFileW");
        remove = KyPcxGetProc<decltype(remove)>(module, "DelItemFromDCXFileW");
        if (make && addPcx && addDib && remove) return true;
        std::fwprintf(stderr, L"kypcx: KyPCX.dll lacks the DCX writing functions\n");
        return false;
    }
};

// Whether the file begins as a BMP file does ("BM"); anything else is handed
// to the library as a PCX file, whose header it checks.
bool IsBmpFile(const wchar_t* path) {
    HANDLE f = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    char magic[2] = {};
    DWORD got = 0;
    const bool bmp = ReadFile(f, magic, sizeof magic, &got, nullptr) && got == 2 && magic[0] == 'B' && magic[1] == 'M';
    CloseHandle(f);
    return bmp;
}

// Adds one PCX file (copied as it is) or BMP file (encoded from its DIB) to
// the end of a DCX file; a failure's message names `shownName` (the DCX file
// as the user named it) and the page, as it may lie with either.
int AddPage(const Library& lib, const DcxWriting& dcx, const wchar_t* dcxPath, const wchar_t* page,
            const wchar_t* shownName) {
    const std::wstring label = std::wstring(shownName) + L", page " + page;
    PcxErrorCode code = PCX_OK;
    if (IsBmpFile(page)) {
        HGLOBAL dib = LoadBmpAsDib(page);
        if (dib == nullptr) return 1;
        const BOOL added = dcx.addDib(dib, dcxPath, &code, nullptr);
        GlobalFree(dib);
        if (!added) return lib.Fail(label.c_str(), code);
    } else if (!dcx.addPcx(page, dcxPath, &code)) {
        return lib.Fail(label.c_str(), code);
    }
    return 0;
}

// kypcx pack: a new DCX file of the given pages, in order. It is built
// beside its name and renamed over any file of that name only when every
// page is in, so a failure leaves no half-made file and an old file (even
// one of the pages) untouched.
int Pack(const Library& lib, int count, wchar_t** pages, const wchar_t* dcxPath) {
    DcxWriting dcx;
    if (!dcx.Load(lib.module)) return 1;
    const std::wstring building = std::wstring(dcxPath) + L".part";
    PcxErrorCode code = PCX_OK;
    DeleteFileW(building.c_str());
    if (!dcx.make(building.c_str(), &code)) return lib.Fail(building.c_str(), code);
    for (int i = 0; i < count; ++i) {
        if (AddPage(lib, dcx, building.c_str(), pages[i], dcxPath) != 0) {
            DeleteFileW(building.c_str());
            return 1;
        }
    }
    if (!MoveFileExW(building.c_str(), dcxPath, MOVEFILE_REPLACE_EXISTING)) {
        std::fwprintf(stderr, L"%ls: cannot replace (Windows error %lu)\n", dcxPath, GetLastError());
        DeleteFileW(building.c_str());
        return 1;
    }
    std::wprintf(L"%ls: %d pages\n", dcxPath, count);
    return 0;
}

int Add(const Library& lib, const wchar_t* dcxPath, const wchar_t* page) {
    DcxWriting dcx;
    if (!dcx.Load(lib.module)) return 1;
    // The copy of a PCX page reports any directory it cannot add to as "no
    // such item"; the user is told first what is wrong with the file.
    auto count = KyPcxGetProc<decltype(&GetDCXInfoW)>(lib.module, "GetDCXInfoW");
    PcxErrorCode code = PCX_OK;
    if (count != nullptr && count(dcxPath, &code) == 0 && code != PCX_OK) return lib.Fail(dcxPath, code);
    if (AddPage(lib, dcx, dcxPath, page, dcxPath) != 0) return 1;
    std::wprintf(L"%ls: added %ls\n", dcxPath, page);
    return 0;
}

// kypcx delete: removes page `index` (counted from 0, as `pages` lists them).
int Delete(const Library& lib, const wchar_t* dcxPath, const wchar_t* index) {
    DcxWriting dcx;
    if (!dcx.Load(lib.module)) return 1;
    wchar_t* end = nullptr;
    const unsigned long value = std::wcstoul(index, &end, 10);
    if (*index < L'0' || *index > L'9' || end == index || *end != L'\0' || value > 0xFFFFFFFFul)
        return lib.Fail(index, PCX_ERR_NO_ITEM);
    PcxErrorCode code = PCX_OK;
    if (!dcx.remove(dcxPath, static_cast<UINT>(value), &code)) return lib.Fail(dcxPath, code);
    std::wprintf(L"%ls: deleted page %lu\n", dcxPath, value);
    return 0;
}

// Lets the user choose a page of a DCX file in the library's dialog, prints
// its number (1-based, as the dialog shows it) and, given an output path,
// writes that page as a BMP file.
int Pick(const Library& lib, const wchar_t* in, const wchar_t* out) {
    PcxErrorCode code = PCX_OK;
    const UINT number = lib.selectItem(in, &code);
    if (number == 0) {
        if (code != PCX_OK) return lib.Fail(in, code);
        std::fwprintf(stderr, L"%ls: cancelled\n", in);
        return 1;
    }
    std::wprintf(L"%u\n", number);
    if (out == nullptr) return 0;
    auto loadItem = KyPcxGetProc<decltype(&LoadDCXIntoDIBW)>(lib.module, "LoadDCXIntoDIBW");
    if (loadItem == nullptr) {
        std::fwprintf(stderr, L"kypcx: KyPCX.dll cannot load DCX pages\n");
        return 1;
    }
    HGLOBAL dib = loadItem(in, number - 1, &code);
    if (dib == nullptr) return lib.Fail(in, code);
    return WriteDibAsBmp(dib, out);
}

int Usage() {
    std::fwprintf(stderr,
                  L"usage: kypcx [--classic] info <file.pcx>\n"
                  L"       kypcx [--classic] tobmp <in.pcx> <out.bmp> [<in.pcx> <out.bmp>]...\n"
                  L"       kypcx topcx <in.bmp> <out.pcx>\n"
                  L"       kypcx paint <in.pcx> <out.bmp>\n"
                  L"       kypcx [--classic] pages <file.dcx>\n"
                  L"       kypcx [--classic] extract <file.dcx> <n> <out.bmp>\n"
                  L"       kypcx [--classic] extract <file.dcx> all <prefix>\n"
                  L"       kypcx pack <out.dcx> <page.pcx|page.bmp>...\n"
                  L"       kypcx add <file.dcx> <page.pcx|page.bmp>\n"
                  L"       kypcx delete <file.dcx> <page number from 0>\n"
                  L"       kypcx pick <file.dcx> [<page.bmp>]\n"
                  L"       kypcx convert <in> <out.pcx|.dcx|.png|.tif|.jpg|.gif|.bmp> [--page N]\n"
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
    if (argc >= 2 && std::wcscmp(argv[1], L"--classic") == 0) {
        lib.classic = true;
        --argc;
        ++argv;
    }
    if (argc == 2 && std::wcscmp(argv[1], L"version") == 0) {
        char text[16] = {};
        lib.version(text, sizeof text);
        std::printf("%s\n", text);
        return 0;
    }
    if (argc == 3 && std::wcscmp(argv[1], L"info") == 0) return Info(lib, argv[2]);
    if (argc >= 4 && argc % 2 == 0 && std::wcscmp(argv[1], L"tobmp") == 0) {
        // Every pair is converted, whatever became of the ones before it.
        int status = 0;
        for (int i = 2; i < argc; i += 2) status |= ToBmp(lib, argv[i], argv[i + 1]);
        return status;
    }
    if (argc == 4 && std::wcscmp(argv[1], L"topcx") == 0) return ToPcx(lib, argv[2], argv[3]);
    if (argc == 4 && std::wcscmp(argv[1], L"paint") == 0) return Paint(lib, argv[2], argv[3]);
    if (argc >= 4 && std::wcscmp(argv[1], L"pack") == 0) return Pack(lib, argc - 3, argv + 3, argv[2]);
    if (argc == 4 && std::wcscmp(argv[1], L"add") == 0) return Add(lib, argv[2], argv[3]);
    if (argc == 4 && std::wcscmp(argv[1], L"delete") == 0) return Delete(lib, argv[2], argv[3]);
    if ((argc == 4 || argc == 6) && std::wcscmp(argv[1], L"convert") == 0) {
        long page = kAllPages;
        if (argc == 6) {
            wchar_t* end = nullptr;
            page = std::wcstol(argv[5], &end, 10);
            if (std::wcscmp(argv[4], L"--page") != 0 || *argv[5] < L'0' || *argv[5] > L'9' || *end != L'\0')
                return Usage();
        }
        return ConvertPicture(lib.module, argv[2], argv[3], page);
    }
    DcxReading dcx;
    if (!dcx.Load(lib.module)) {
        std::fwprintf(stderr, L"kypcx: KyPCX.dll lacks the DCX functions\n");
        return 1;
    }
    if (argc == 3 && std::wcscmp(argv[1], L"pages") == 0) return Pages(lib, dcx, argv[2]);
    if (argc == 5 && std::wcscmp(argv[1], L"extract") == 0) return Extract(lib, dcx, argv[2], argv[3], argv[4]);
    if ((argc == 3 || argc == 4) && std::wcscmp(argv[1], L"pick") == 0)
        return Pick(lib, argv[2], argc == 4 ? argv[3] : nullptr);
    return Usage();
}
