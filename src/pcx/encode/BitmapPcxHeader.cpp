// BuildBitmapPcxHeader and CollectBitmapPalette.
#include "pcx/encode/BitmapPcxHeader.h"

#include <cstring>

#include "kypcx/pcx_format.h"
#include "pcx/decode/PcxPalette.h"
#include "win/HandleGuards.h"

namespace {

using kypcx::Status;

constexpr UINT kSystemPaletteColors = 256;

// A LOGPALETTE of 256 entries, as one block.
struct LogPalette256 {
    WORD version;
    WORD entryCount;
    PALETTEENTRY entries[kSystemPaletteColors];
};

Status CollectSystemPalette(BYTE* triples) {
    ScopedWindowDC screen(nullptr);
    if (screen.get() == nullptr) return Status::NoDeviceContext;
    ScopedGlobal block(GlobalAlloc(GHND, sizeof(LogPalette256)));
    if (!block) return Status::NoWorkingMemory;
    ScopedGlobalLock lock(block.get());
    auto* logical = lock.as<LogPalette256>();
    if (logical == nullptr) return Status::LockFailed;
    logical->version = kLogPaletteVersion;
    logical->entryCount = kSystemPaletteColors;
    for (UINT i = 0; i < kSystemPaletteColors; ++i) {
        logical->entries[i].peRed = static_cast<BYTE>(i);
        logical->entries[i].peGreen = 0;
        logical->entries[i].peBlue = 0;
        logical->entries[i].peFlags = PC_EXPLICIT;
    }
    // Where the display has a system palette its entries replace the
    // explicit ones; elsewhere the call does nothing, which is fine.
    GetSystemPaletteEntries(screen.get(), 0, kSystemPaletteColors, logical->entries);
    ScopedGdiObject<HPALETTE> palette(CreatePalette(reinterpret_cast<LOGPALETTE*>(logical)));
    if (!palette) return Status::PaletteNotCreated;
    ScopedPaletteSelection selection(screen.get(), palette.get());
    for (UINT i = 0; i < kSystemPaletteColors; ++i) {
        const COLORREF c = GetNearestColor(screen.get(), PALETTEINDEX(i));
        triples[3 * i] = GetRValue(c);
        triples[3 * i + 1] = GetGValue(c);
        triples[3 * i + 2] = GetBValue(c);
    }
    return Status::Ok;
}

Status CollectBitmapColorTable(BYTE* triples, UINT count, const BITMAP* bitmap, HBITMAP bitmapHandle) {
    ScopedWindowDC screen(nullptr);
    if (screen.get() == nullptr) return Status::NoDeviceContext;
    // Room for the largest table GDI may write, whatever the count asked,
    // and for the one scan line it fetches along with it.
    const WORD bitCount = static_cast<WORD>(bitmap->bmPlanes * bitmap->bmBitsPixel);
    const uint64_t scanLine = kypcx::DibRowSize(bitCount, bitmap->bmWidth);
    const uint64_t size = sizeof(BITMAPINFOHEADER) + kSystemPaletteColors * sizeof(RGBQUAD) + scanLine;
    ScopedGlobal block(size <= MAXDWORD ? GlobalAlloc(GHND, static_cast<SIZE_T>(size)) : nullptr);
    if (!block) return Status::NoWorkingMemory;
    ScopedGlobalLock lock(block.get());
    auto* bytes = lock.as<BYTE>();
    if (bytes == nullptr) return Status::LockFailed;
    auto* info = reinterpret_cast<BITMAPINFO*>(bytes);
    info->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info->bmiHeader.biWidth = bitmap->bmWidth;
    info->bmiHeader.biHeight = bitmap->bmHeight;
    info->bmiHeader.biPlanes = 1;
    info->bmiHeader.biBitCount = bitCount;
    BYTE* scanRoom = bytes + sizeof(BITMAPINFOHEADER) + kSystemPaletteColors * sizeof(RGBQUAD);

    {
        ScopedPaletteSelection selection(screen.get(), static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE)));
        // Only the colour table is wanted; the line itself is discarded.
        GetDIBits(screen.get(), bitmapHandle, 0, 1, scanRoom, info, DIB_RGB_COLORS);
    }

    if (count > kSystemPaletteColors) count = kSystemPaletteColors;
    for (UINT i = 0; i < count; ++i) {
        triples[3 * i] = info->bmiColors[i].rgbRed;
        triples[3 * i + 1] = info->bmiColors[i].rgbGreen;
        triples[3 * i + 2] = info->bmiColors[i].rgbBlue;
    }
    return Status::Ok;
}

}  // namespace

kypcx::DisplayMetrics ReadDisplayMetrics(HDC display) {
    kypcx::DisplayMetrics m;
    m.dpiX = GetDeviceCaps(display, LOGPIXELSX);
    m.dpiY = GetDeviceCaps(display, LOGPIXELSY);
    m.width = GetDeviceCaps(display, HORZRES);
    m.height = GetDeviceCaps(display, VERTRES);
    return m;
}

LONG DeviceLineBytes(const BITMAP& bitmap) {
    const int64_t bits = int64_t{bitmap.bmWidth} * bitmap.bmBitsPixel;
    return static_cast<LONG>(((bits + 15) / 16) * 2);
}

kypcx::BitmapFields BitmapFieldsOf(const BITMAP& bitmap) {
    kypcx::BitmapFields fields;
    fields.width = bitmap.bmWidth;
    fields.height = bitmap.bmHeight;
    fields.widthBytes = bitmap.bmWidthBytes;
    fields.planes = bitmap.bmPlanes;
    fields.bitsPixel = bitmap.bmBitsPixel;
    return fields;
}

Status BuildBitmapPcxHeader(PcxHeader* header, const BITMAP* bitmap, HBITMAP bitmapHandle) {
    ScopedCreatedDC display(CreateDCW(L"DISPLAY", nullptr, nullptr, nullptr));
    if (display.get() == nullptr) return Status::NoDeviceContext;
    kypcx::FillBitmapPcxHeader(BitmapFieldsOf(*bitmap), ReadDisplayMetrics(display.get()), header);

    const uint32_t colors = kypcx::HeaderPaletteColors(header->planes, header->bitsPerPixel);
    if (colors == 0) return Status::Ok;
    BYTE triples[3 * kSystemPaletteColors] = {};
    const Status collected = CollectBitmapPalette(triples, colors, bitmap, bitmapHandle);
    if (collected != Status::Ok) return collected;
    // Layouts of 5 to 7 bits would ask for more colours than the header has
    // room for; the first 16 are kept.
    kypcx::SetHeaderPalette(header, triples, colors);
    return Status::Ok;
}

Status CollectBitmapPalette(BYTE* triples, UINT count, const BITMAP* bitmap, HBITMAP bitmapHandle) {
    if (count >= kSystemPaletteColors) return CollectSystemPalette(triples);
    return CollectBitmapColorTable(triples, count, bitmap, bitmapHandle);
}
