// LoadPCXIntoBitmapFromMemory: decoding a PCX image the caller holds in
// memory, one scan line per call of the line function. Unlike the file
// decoder it always uses the screen, draws 1-bit images in black and white,
// refuses runs that cross a line's end (code 3) and keeps the partly drawn
// bitmap when it stops.
#include <windows.h>

#include "KyPCX.h"
#include "frame/ErrorSlot.h"
#include "frame/HandleGuards.h"
#include "frame/PcxThreadState.h"
#include "frame/WaitCursor.h"
#include "kypcx/pcx_decode.h"
#include "kypcx/pcx_format.h"
#include "pcx/decode/PcxBitmapInfo.h"
#include "pcx/decode/PcxDecodeSetup.h"
#include "pcx/decode/PcxImageSource.h"
#include "pcx/decode/PcxPalette.h"
#include "pcx/decode/PcxScanLineLoop.h"

extern "C" HBITMAP WINAPI LoadPCXIntoBitmapFromMemory(const BYTE* data, DWORD length, PcxErrorCode* error,
                                                      PcxLineCallback callback) {
    ErrorSlot slot(error);
    PcxErrorCode* code = slot.get();
    *code = PCX_OK;
    ScopedWaitCursor waitCursor(WaitCursorFamily::Memory);

    // A block that cannot hold a header is refused as an unreadable image.
    MemoryPcxSource source(data, data != nullptr ? length : 0);
    PcxHeader header;
    kypcx::PcxDecodeLayout layout;
    if (!PreparePcxDecode(source, kypcx::ClassicHeaderRules(true), &header, &layout, code)) return nullptr;

    PcxColorRules colorRules;
    colorRules.inMemoryBitmap = true;
    PcxImageColors colors;
    ScopedGdiObject<HPALETTE> palette(ReadPcxImageColors(source, header, colorRules, &colors, code));

    // Without a palette the colour table stays zero.
    ScopedGlobal infoBlock;
    ScopedGlobalLock infoLock;
    BITMAPINFO* info = BuildPcxBitmapInfo(layout, colors.triples, palette ? colors.count : 0, &infoBlock, &infoLock);
    if (info == nullptr) {
        *code = PCX_ERR_ALLOC;
        return nullptr;
    }
    const BITMAPINFOHEADER& bih = info->bmiHeader;

    ScopedWindowDC screen(nullptr);
    HDC dc = screen.get();
    if (dc == nullptr) {
        *code = PCX_ERR_CREATE_BITMAP;
        return nullptr;
    }
    ScopedGdiObject<HBITMAP> bitmap;
    {
        ScopedPaletteSelection selection(dc, palette.get());
        // Always a bitmap of the screen's format, colour even for 1-bit images.
        bitmap.reset(CreateDIBitmap(dc, &bih, 0, nullptr, nullptr, DIB_RGB_COLORS));
    }
    if (!bitmap) {
        *code = PCX_ERR_CREATE_BITMAP;
        return nullptr;
    }
    ScopedGlobal rowBlock(GlobalAlloc(GHND, SIZE_T(layout.rowSize) + kypcx::kPlaneSlack));
    ScopedGlobalLock rowLock(rowBlock.get());
    BYTE* row = rowLock.as<BYTE>();
    if (row == nullptr) {
        *code = PCX_ERR_CREATE_BITMAP;
        return nullptr;
    }

    if (callback == nullptr) callback = FlushPCXLine;
    GetPcxThreadState()->colorUsage = DIB_RGB_COLORS;  // the table holds RGB entries
    // The coded lines run from byte 128 to the trailer (or the block's end);
    // a run that crosses a line's end makes the data corrupt (code 3).
    const ULONGLONG dataEnd = colors.trailerFound ? length - kypcx::kPaletteTrailerSize : length;
    PcxScanLineSource lines;
    PcxLoopRules rules;
    rules.lines.runs = kypcx::PcxRunPolicy::RefuseCrossing;
    if (*code == PCX_OK) {
        if (!lines.Open(source, layout, PcxImageDataBytes(0, dataEnd), code)) return nullptr;
        RunPcxScanLineLoop(lines, rules, layout.height, code, [&](LONG line, LONG, const BYTE* planes) {
            kypcx::AssemblePcxRow(layout, planes, row);
            if (callback(row, line, 1, bitmap.get(), dc, info)) return true;
            *code = PCX_ERR_CREATE_BITMAP;
            return false;
        });
    }
    // A partly drawn bitmap is the caller's too, with the code saying why.
    return bitmap.release();
}
