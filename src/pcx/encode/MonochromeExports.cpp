// ConvertToMonochrome: a one-bit copy of a device bitmap, each pixel decided
// by GDI's own colour-to-black-and-white conversion.
#include <windows.h>

#include "KyPCX.h"
#include "frame/WaitCursor.h"
#include "kypcx/pcx_format.h"
#include "win/HandleGuards.h"

namespace {

struct MonochromeInfo {
    BITMAPINFOHEADER header;
    RGBQUAD colors[2];
};

}  // namespace

extern "C" HBITMAP WINAPI ConvertToMonochrome(HBITMAP bitmap) {
    if (bitmap == nullptr) return nullptr;
    // A handle that is not a bitmap has no record to copy from.
    BITMAP record;
    if (GetObjectW(bitmap, sizeof record, &record) != static_cast<int>(sizeof record)) return nullptr;
    ScopedWaitCursor waitCursor(WaitCursorFamily::Viewer);

    MonochromeInfo info = {};
    info.header.biSize = sizeof(BITMAPINFOHEADER);
    info.header.biWidth = record.bmWidth;
    info.header.biHeight = record.bmHeight;
    info.header.biPlanes = 1;
    info.header.biBitCount = 1;
    info.header.biCompression = BI_RGB;
    info.colors[1].rgbRed = info.colors[1].rgbGreen = info.colors[1].rgbBlue = 0xFF;
    const uint64_t imageSize = kypcx::DibRowSize(1, record.bmWidth) * static_cast<uint64_t>(record.bmHeight);
    if (imageSize == 0 || imageSize > MAXLONG) return nullptr;
    info.header.biSizeImage = static_cast<DWORD>(imageSize);

    ScopedGlobal block(GlobalAlloc(GHND, static_cast<SIZE_T>(imageSize)));
    ScopedGlobalLock lock(block.get());
    void* pixels = lock.get();
    if (pixels == nullptr) return nullptr;
    ScopedWindowDC screen(nullptr);
    auto* bitmapInfo = reinterpret_cast<BITMAPINFO*>(&info);
    const int lines = GetDIBits(screen.get(), bitmap, 0, record.bmHeight, pixels, bitmapInfo, DIB_RGB_COLORS);
    // A bitmap GDI could not read (one selected into a context, say) gives no
    // result rather than a blank one.
    if (lines != record.bmHeight) return nullptr;
    ScopedGdiObject<HBITMAP> monochrome(CreateBitmap(record.bmWidth, record.bmHeight, 1, 1, nullptr));
    if (!monochrome) return nullptr;
    if (SetDIBits(screen.get(), monochrome.get(), 0, record.bmHeight, pixels, bitmapInfo, DIB_RGB_COLORS) !=
        record.bmHeight)
        return nullptr;
    return monochrome.release();
}
