// LoadPCXIntoBitmapFromMemory: decoding a PCX image the caller holds in
// memory, one scan line per call of the line function. Unlike the file
// decoder it always uses the screen, draws 1-bit images in black and white,
// refuses runs that cross a line's end and keeps the partly drawn bitmap
// when it stops (kypcx::MemoryBitmapReaderRules).
#include <windows.h>

#include "KyPCX.h"
#include "frame/ErrorSlot.h"
#include "frame/ExportCodes.h"
#include "frame/PcxThreadState.h"
#include "frame/WaitCursor.h"
#include "kypcx/pcx_reader.h"
#include "pcx/decode/FileImageBytes.h"
#include "pcx/decode/PcxBitmapInfo.h"
#include "pcx/decode/PcxPalette.h"
#include "win/HandleGuards.h"

using kypcx::Status;

namespace {

// The bitmap of the image in `source`, or null; *bitmapOut may hold a
// partly drawn bitmap when the status is not Ok.
Status DecodeMemoryToBitmap(const kypcx::PcxByteSource& source, PcxLineCallback callback, HBITMAP* bitmapOut) {
    // A block that cannot hold a header is refused as an unreadable image.
    const kypcx::PcxReaderRules rules = kypcx::MemoryBitmapReaderRules();
    kypcx::PcxImagePlan plan;
    Status status = kypcx::PlanPcxImage(source, rules, &plan);
    if (status != Status::Ok) return status;
    const kypcx::PcxDecodeLayout& layout = plan.layout;

    ScopedGdiObject<HPALETTE> palette(CreateColorsPalette(plan.colors, &status));

    // Without a palette the colour table stays zero.
    ScopedGlobal infoBlock;
    ScopedGlobalLock infoLock;
    BITMAPINFO* info = BuildPcxBitmapInfo(layout, plan.colors.triples, palette ? static_cast<LONG>(plan.colors.count) : 0,
                                          &infoBlock, &infoLock);
    if (info == nullptr) return Status::NoWorkingMemory;
    const BITMAPINFOHEADER& bih = info->bmiHeader;

    // Without the screen's context no bitmap can be made.
    ScopedWindowDC screen(nullptr);
    HDC dc = screen.get();
    if (dc == nullptr) return Status::NoBitmap;
    ScopedGdiObject<HBITMAP> bitmap;
    {
        ScopedPaletteSelection selection(dc, palette.get());
        // Always a bitmap of the screen's format, colour even for 1-bit images.
        bitmap.reset(CreateDIBitmap(dc, &bih, 0, nullptr, nullptr, DIB_RGB_COLORS));
    }
    if (!bitmap) return Status::NoBitmap;
    ScopedGlobal rowBlock(GlobalAlloc(GHND, SIZE_T(layout.rowSize) + kypcx::kPlaneSlack));
    ScopedGlobalLock rowLock(rowBlock.get());
    BYTE* row = rowLock.as<BYTE>();
    if (row == nullptr) return Status::NoImageMemory;

    if (callback == nullptr) callback = FlushPCXLine;
    GetPcxThreadState()->colorUsage = DIB_RGB_COLORS;  // the table holds RGB entries
    if (status == Status::Ok) {
        kypcx::PcxRowReader reader(source, plan, rules.rows, GlobalWorkingMemory());
        status = reader.Start();
        // Without a scan-line buffer there is no bitmap to give.
        if (status != Status::Ok) return status;
        status = reader.ReadRows(layout.height, [&](const kypcx::PcxRow& line) {
            kypcx::AssemblePcxRow(layout, line.planes, row);
            return callback(row, layout.height - 1 - line.y, 1, bitmap.get(), dc, info) != FALSE;
        });
    }
    // A partly drawn bitmap is the caller's too, with the code saying why.
    *bitmapOut = bitmap.release();
    return status;
}

}  // namespace

extern "C" HBITMAP WINAPI LoadPCXIntoBitmapFromMemory(const BYTE* data, DWORD length, PcxErrorCode* error,
                                                      PcxLineCallback callback) {
    ErrorSlot slot(error);
    ScopedWaitCursor waitCursor(WaitCursorFamily::Memory);
    HBITMAP bitmap = nullptr;
    const Status status = DecodeMemoryToBitmap(kypcx::PcxBytesInMemory(data, length), callback, &bitmap);
    *slot.get() = ExportCodeOf(status, ExportGroup::MemoryBitmapDecode);
    return bitmap;
}
