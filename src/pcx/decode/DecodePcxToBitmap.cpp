// DecodePcxToBitmap: a PCX image between two offsets into a screen bitmap.
#include "pcx/decode/DecodePcxToBitmap.h"

#include "frame/PcxThreadState.h"
#include "frame/WaitCursor.h"
#include "kypcx/pcx_format.h"
#include "kypcx/pcx_reader.h"
#include "pcx/decode/FileImageBytes.h"
#include "pcx/decode/PcxBitmapInfo.h"
#include "pcx/decode/PcxPalette.h"
#include "win/HandleGuards.h"

using kypcx::Status;

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

HBITMAP DecodePcxToBitmap(HANDLE file, ULONGLONG offset, ULONGLONG end, PcxLineCallback callback, Status* status) {
    ScopedWaitCursor waitCursor(WaitCursorFamily::Coder);

    const FileImageBytes bytes(file, offset, end);
    const kypcx::PcxReaderRules rules = kypcx::ClassicBitmapReaderRules();
    kypcx::PcxImagePlan plan;
    *status = kypcx::PlanPcxImage(bytes.source(), rules, &plan);
    if (*status != Status::Ok) return nullptr;
    const kypcx::PcxDecodeLayout& layout = plan.layout;

    ScopedGdiObject<HPALETTE> palette(CreateColorsPalette(plan.colors, status));

    ScopedGlobal infoBlock;
    ScopedGlobalLock infoLock;
    BITMAPINFO* info = BuildPcxBitmapInfo(layout, plan.colors.triples, static_cast<LONG>(plan.colors.count),
                                          &infoBlock, &infoLock);
    if (info == nullptr) {
        *status = Status::NoWorkingMemory;
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
        *status = Status::NoBitmap;
        return nullptr;
    }

    if (callback == nullptr) callback = FlushPCXLine;
    // Colours that could not be had stop the decode before any row; the line
    // function hears of it.
    if (*status != Status::Ok) {
        callback(nullptr, 0, 0, bitmap.get(), dc.get(), info);
        return nullptr;
    }
    // Failures setting up the buffers end the decode without that call.
    const LONG bandHeight = PcxBandHeight(layout.height, layout.bitCount, layout.rowSize);
    ScopedGlobal bandBlock(GlobalAlloc(GHND, SIZE_T(bandHeight) * layout.rowSize + kypcx::kPlaneSlack));
    ScopedGlobalLock bandLock(bandBlock.get());
    BYTE* band = bandLock.as<BYTE>();
    if (band == nullptr) {
        *status = Status::NoImageMemory;
        return nullptr;
    }
    kypcx::PcxRowReader reader(bytes.source(), plan, rules.rows, GlobalWorkingMemory());
    *status = reader.Start();
    if (*status == Status::NoImageMemory || *status == Status::NoWorkingMemory) return nullptr;

    // Rows fill the band from its end backwards, so a full band is one
    // bottom-up block of rows for the line function.
    dc.SelectForTransfer();
    BYTE* const bandEnd = band + SIZE_T(bandHeight) * layout.rowSize;
    BYTE* position = bandEnd;
    LONG rowsInBand = 0;
    LONG lastRow = -1;
    if (*status == Status::Ok) {
        *status = reader.ReadRows(layout.height, [&](const kypcx::PcxRow& row) {
            const LONG r = layout.height - 1 - row.y;
            lastRow = r;
            position -= layout.rowSize;
            kypcx::AssemblePcxRow(layout, row.planes, position);
            if (++rowsInBand < bandHeight) return true;
            if (!callback(position, r, rowsInBand, bitmap.get(), dc.get(), info)) return false;
            rowsInBand = 0;
            position = bandEnd;
            return true;
        });
    }
    if (*status == Status::DataUnreadable) bitmap.reset();  // the data could not be read
    // The last band may be short: the image's bottom rows, or the rows
    // before the data ran out.
    if (rowsInBand > 0 && *status == Status::Ok &&
        !callback(position, lastRow, rowsInBand, bitmap.get(), dc.get(), info))
        *status = Status::StoppedByLineFunction;
    // Tells the line function that the decode failed for a reason not its own.
    if (*status != Status::Ok && *status != Status::StoppedByLineFunction)
        callback(nullptr, 0, 0, bitmap.get(), dc.get(), info);

    if (*status != Status::Ok) return nullptr;
    return bitmap.release();
}
