// DecodePcxToBitmap: a PCX image between two offsets into a screen bitmap.
#include "pcx/decode/DecodePcxToBitmap.h"

#include "frame/FileAccess.h"
#include "frame/HandleGuards.h"
#include "frame/PcxThreadState.h"
#include "frame/WaitCursor.h"
#include "kypcx/pcx_format.h"
#include "pcx/decode/PcxBitmapInfo.h"
#include "pcx/decode/PcxDecodeSetup.h"
#include "pcx/decode/PcxPalette.h"
#include "pcx/decode/PcxScanLineLoop.h"

namespace {

constexpr DWORD kMaxBandBytes = 61937;

// The device context of one decode: a memory context for monochrome
// images, the screen (with the image palette selected) for the rest.
class DecodeContext {
public:
    DecodeContext(bool monochrome, HPALETTE palette) : palette_(palette) {
        if (monochrome) {
            memory_.reset(CreateCompatibleDC(nullptr));
            return;
        }
        screen_ = ScopedWindowDC(nullptr);
        if (screen_) selection_ = ScopedPaletteSelection(screen_.get(), palette_);
    }
    DecodeContext(const DecodeContext&) = delete;
    DecodeContext& operator=(const DecodeContext&) = delete;

    HDC get() const { return memory_ ? memory_.get() : screen_.get(); }
    // Selects the image palette again as a background palette for the transfers.
    void SelectForTransfer() {
        if (palette_ == nullptr || !screen_) return;
        transferSelection_ = ScopedPaletteSelection(screen_.get(), palette_, TRUE);
    }

private:
    HPALETTE palette_;
    ScopedCreatedDC memory_;
    ScopedWindowDC screen_;
    // Declared after the context: the palettes go back before it is released.
    ScopedPaletteSelection selection_;
    ScopedPaletteSelection transferSelection_;
};

// Rows per band: 1 for 24-bit images, else a tenth of the height, capped so
// a band stays within 61,937 bytes, and at least 1.
LONG PcxBandHeight(LONG height, LONG bitCount, DWORD rowSize) {
    if (bitCount == 24) return 1;
    LONG band = height / 10;
    const LONG cap = static_cast<LONG>(kMaxBandBytes / (rowSize != 0 ? rowSize : 1));
    if (band > cap) band = cap;
    return band < 1 ? 1 : band;
}

// Replaces a colour table with the DIB_PAL_COLORS form (16-bit indices 0, 1,
// 2, ...) matching the selected palette entry for entry.
void SetPaletteIndexTable(BITMAPINFO* info) {
    const BITMAPINFOHEADER& h = info->bmiHeader;
    if (h.biClrUsed == 0 || h.biBitCount == 24) return;
    auto* indices = reinterpret_cast<WORD*>(info->bmiColors);
    for (DWORD i = 0; i < h.biClrUsed; ++i) indices[i] = static_cast<WORD>(i);
}

}  // namespace

HBITMAP DecodePcxToBitmap(HANDLE file, ULONGLONG offset, ULONGLONG end, PcxErrorCode* code, PcxLineCallback callback) {
    *code = PCX_OK;
    ScopedWaitCursor waitCursor(WaitCursorFamily::Coder);

    FilePcxSource source(file, offset, end);
    PcxHeader header;
    kypcx::PcxDecodeLayout layout;
    if (!PreparePcxDecode(source, kypcx::ClassicHeaderRules(true), &header, &layout, code)) return nullptr;

    PcxImageColors colors;
    ScopedGdiObject<HPALETTE> palette(ReadPcxImageColors(source, header, PcxColorRules(), &colors, code));

    ScopedGlobal infoBlock;
    ScopedGlobalLock infoLock;
    BITMAPINFO* info = BuildPcxBitmapInfo(layout, colors.triples, colors.count, &infoBlock, &infoLock);
    if (info == nullptr) {
        *code = PCX_ERR_ALLOC;
        return nullptr;
    }
    const BITMAPINFOHEADER& bih = info->bmiHeader;

    const bool monochrome = layout.bitCount == 1;
    DecodeContext dc(monochrome, monochrome ? nullptr : palette.get());
    PcxThreadState* state = GetPcxThreadState();
    state->colorUsage = DIB_RGB_COLORS;
    if (!monochrome && palette) {
        SetPaletteIndexTable(info);
        state->colorUsage = DIB_PAL_COLORS;
    }
    ScopedGdiObject<HBITMAP> bitmap;
    if (dc.get() != nullptr) bitmap.reset(CreateDIBitmap(dc.get(), &bih, 0, nullptr, nullptr, state->colorUsage));
    if (!bitmap) {
        *code = PCX_ERR_CREATE_BITMAP;
        return nullptr;
    }

    if (callback == nullptr) callback = FlushPCXLine;
    // A palette that could not be had stops the decode before any row; the
    // line function hears of it.
    if (*code != PCX_OK) {
        callback(nullptr, 0, 0, bitmap.get(), dc.get(), info);
        return nullptr;
    }
    // Failures setting up the buffers end the decode without that call.
    const LONG bandHeight = PcxBandHeight(layout.height, layout.bitCount, layout.rowSize);
    ScopedGlobal bandBlock(GlobalAlloc(GHND, SIZE_T(bandHeight) * layout.rowSize + kypcx::kPlaneSlack));
    ScopedGlobalLock bandLock(bandBlock.get());
    BYTE* band = bandLock.as<BYTE>();
    if (band == nullptr) {
        *code = PCX_ERR_CREATE_BITMAP;
        return nullptr;
    }
    const ULONGLONG dataEnd = colors.trailerFound ? end - kypcx::kPaletteTrailerSize : end;
    PcxScanLineSource lines;
    if (!lines.Open(source, layout, PcxImageDataBytes(offset, dataEnd), code)) return nullptr;

    // Rows fill the band from its end backwards, so a full band is one
    // bottom-up block of rows for the line function.
    dc.SelectForTransfer();
    BYTE* const bandEnd = band + SIZE_T(bandHeight) * layout.rowSize;
    BYTE* position = bandEnd;
    LONG rowsInBand = 0;
    const PcxLoopResult result =
        RunPcxScanLineLoop(lines, PcxLoopRules(), layout.height, code, [&](LONG r, LONG, const BYTE* planes) {
            position -= layout.rowSize;
            kypcx::AssemblePcxRow(layout, planes, position);
            if (++rowsInBand < bandHeight) return true;
            if (!callback(position, r, rowsInBand, bitmap.get(), dc.get(), info)) {
                *code = PCX_ERR_USER_ABORT;
                return false;
            }
            rowsInBand = 0;
            position = bandEnd;
            return true;
        });
    if (*code == PCX_ERR_PALETTE_READ) bitmap.reset();  // a failed refill
    // The last band may be short: the image's bottom rows, or the rows
    // before the data ran out.
    if (rowsInBand > 0 && *code == PCX_OK &&
        !callback(position, result.lastRow, rowsInBand, bitmap.get(), dc.get(), info))
        *code = PCX_ERR_USER_ABORT;
    // Tells the line function that the decode failed for a reason not its own.
    if (*code != PCX_OK && *code != PCX_ERR_USER_ABORT) callback(nullptr, 0, 0, bitmap.get(), dc.get(), info);

    if (*code != PCX_OK) return nullptr;
    return bitmap.release();
}
