// LoadPCXIntoBitmapFromMemory: decoding a PCX image the caller holds in
// memory, one scan line per call of the line function. Unlike the file
// decoder it always uses the screen, draws 1-bit images in black and white,
// refuses runs that cross a line's end (code 3) and keeps the partly drawn
// bitmap when it stops.
#include <windows.h>

#include <cstring>

#include "KyPCX.h"
#include "frame/ErrorSlot.h"
#include "frame/HandleGuards.h"
#include "frame/PcxThreadState.h"
#include "frame/WaitCursor.h"
#include "kypcx/pcx_decode.h"
#include "kypcx/pcx_format.h"
#include "pcx/decode/PcxBitmapInfo.h"
#include "pcx/decode/PcxDecodeSetup.h"
#include "pcx/decode/PcxPalette.h"

extern "C" HBITMAP WINAPI LoadPCXIntoBitmapFromMemory(const BYTE* data, DWORD length, PcxErrorCode* error,
                                                      PcxLineCallback callback) {
    ErrorSlot slot(error);
    PcxErrorCode* code = slot.get();
    *code = PCX_OK;
    ScopedWaitCursor waitCursor(WaitCursorFamily::Memory);

    // A block that cannot hold a header is refused as an unreadable image.
    if (data == nullptr || length < kypcx::kPcxHeaderSize) {
        *code = PCX_ERR_FILE_IO;
        return nullptr;
    }
    PcxHeader header;
    kypcx::LoadPcxHeader(data, &header);
    kypcx::PcxDecodeLayout layout;
    PcxErrorCode check = kypcx::CheckPcxHeader(header, true);
    if (check == PCX_OK) check = kypcx::PlanPcxDecode(header, &layout);
    if (check != PCX_OK) {
        *code = check;
        return nullptr;
    }
    if (layout.imageSize > kMaxDecodedImageBytes || !kypcx::IsPlausibleImageSize(layout, length - kypcx::kPcxHeaderSize)) {
        *code = PCX_ERR_CREATE_BITMAP;
        return nullptr;
    }

    BYTE triples[3 * kypcx::kPaletteTrailerColors];
    bool trailerFound = false;
    const LONG colors = ReadPcxPaletteBytesFromMemory(data, length, header, triples, code, &trailerFound);
    ScopedGdiObject<HPALETTE> palette;
    if (colors != 0) palette.reset(CreatePaletteFromTriples(triples, colors, code));

    // Without a palette the colour table stays zero.
    ScopedGlobal infoBlock;
    ScopedGlobalLock infoLock;
    BITMAPINFO* info = BuildPcxBitmapInfo(layout, triples, palette ? colors : 0, &infoBlock, &infoLock);
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
    const SIZE_T lineBytes =
        (layout.encodedLineSize > layout.rowSize ? layout.encodedLineSize : layout.rowSize) + kypcx::kPlaneSlack;
    ScopedGlobal planeBlock(GlobalAlloc(GHND, lineBytes));
    ScopedGlobal rowBlock(GlobalAlloc(GHND, lineBytes));
    ScopedGlobalLock planeLock(planeBlock.get());
    ScopedGlobalLock rowLock(rowBlock.get());
    BYTE* planes = planeLock.as<BYTE>();
    BYTE* row = rowLock.as<BYTE>();
    if (planes == nullptr || row == nullptr) {
        *code = PCX_ERR_CREATE_BITMAP;
        return nullptr;
    }

    if (callback == nullptr) callback = FlushPCXLine;
    GetPcxThreadState()->colorUsage = DIB_RGB_COLORS;  // the table holds RGB entries
    // The coded lines run from byte 128 to the trailer (or the block's end).
    const size_t dataEnd = trailerFound ? length - kypcx::kPaletteTrailerSize : length;
    size_t position = kypcx::kPcxHeaderSize;
    for (LONG line = layout.height - 1; line >= 0 && *code == PCX_OK; --line) {
        size_t produced = 0;
        if (!kypcx::DecodePcxRunsStrict(data, dataEnd, &position, planes, layout.encodedLineSize, &produced)) {
            *code = PCX_ERR_VERSION;
            break;
        }
        if (produced == 0) break;  // the block ends before this line
        // A line the block cuts short is drawn with the rest zero, and is the last.
        const bool cut = produced < layout.encodedLineSize;
        if (cut) std::memset(planes + produced, 0, layout.encodedLineSize - produced);
        kypcx::AssemblePcxRow(layout, planes, row);
        if (!callback(row, line, 1, bitmap.get(), dc, info)) {
            *code = PCX_ERR_CREATE_BITMAP;
            break;
        }
        if (cut) break;
    }
    return bitmap.release();
}
