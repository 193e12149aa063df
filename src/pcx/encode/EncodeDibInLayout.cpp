// EncodeDibInLayout: a DIB in the layout its caller chose. The classic
// layout is the DIB encoder's own; for the others the DIB is read twice,
// first for its colours (which choose the smallest layout, or say whether a
// named one holds them), then row by row into the rows the writer takes.
#include "pcx/encode/EncodeDibInLayout.h"

#include <algorithm>
#include <new>

#include "win/HandleGuards.h"
#include "kypcx/dib_layout.h"
#include "kypcx/pcx_encode_header.h"
#include "kypcx/pcx_encode_planes.h"
#include "kypcx/pcx_format.h"
#include "pcx/encode/BitmapPcxHeader.h"
#include "pcx/encode/EncodeDibToPcx.h"
#include "pcx/encode/LockedDib.h"

namespace {

using kypcx::Status;

// The choice of layout in the flags' low byte, the named layout's planes
// and bits per pixel in the next two.
constexpr DWORD kChoiceMask = 0x000000FF;
constexpr DWORD kLayoutBits = 0x00FFFF00;
constexpr DWORD kKnownFlags = kChoiceMask | kLayoutBits | KYPCX_SAVE_STORED_LINES | KYPCX_SAVE_DCX_PAGE;

// Whether the fourth bytes of a 32-bit DIB's pixels are alpha: in a DIB of
// plain pixels they are, unless every one is 0, the reserved byte of a DIB
// that keeps no alpha.
bool FourthBytesAreAlpha(const kypcx::DibLayout& layout, const BYTE* dib) {
    if (layout.info.bitCount != 32 || layout.info.compression != kypcx::kDibBiRgb) return false;
    for (int32_t y = 0; y < layout.height; ++y) {
        const BYTE* row = kypcx::DibRowForLine(layout, dib, y);
        for (int32_t x = 0; x < layout.width; ++x)
            if (row[4 * x + 3] != 0) return true;
    }
    return false;
}

// The rows of a DIB as the plan's rows, from the top.
class LayoutLines : public PcxImageLines {
public:
    LayoutLines(const kypcx::DibLayout& layout, BYTE* dib, bool alpha, const kypcx::PcxSavePlan& plan,
                const kypcx::PictureColors& colors, BYTE* bgra, BYTE* row, PcxDibLineCallback callback)
        : layout_(layout), dib_(dib), alpha_(alpha), plan_(plan), colors_(colors), bgra_(bgra), row_(row),
          callback_(callback) {}

    Status WriteLine(int32_t lineFromTop, kypcx::PcxImageWriter& image) override {
        kypcx::DibRowToBgra(layout_, dib_ + layout_.colorTableOffset, kypcx::DibRowForLine(layout_, dib_, lineFromTop),
                            alpha_, bgra_);
        kypcx::ConvertSaveRow(plan_, colors_, bgra_, layout_.width, row_);
        const Status written = image.WriteRows(row_, 0, 1);
        if (written != Status::Ok) return written;
        auto* info = reinterpret_cast<BITMAPINFOHEADER*>(dib_);
        if (callback_ != nullptr && !callback_(image.line(), layout_.height - 1 - lineFromTop, 1, info))
            return Status::StoppedByLineFunction;
        return Status::Ok;
    }

    Status TrailerColors(uint8_t* colors) override {
        std::copy(plan_.trailerColors, plan_.trailerColors + sizeof plan_.trailerColors, colors);
        return Status::Ok;
    }

private:
    const kypcx::DibLayout& layout_;
    BYTE* dib_;  // the caller's line function is handed its header
    bool alpha_;
    const kypcx::PcxSavePlan& plan_;
    const kypcx::PictureColors& colors_;
    BYTE* bgra_;
    BYTE* row_;
    PcxDibLineCallback callback_;
};

// Zero-filled working memory on the process heap; empty for a size no
// 32-bit process could hold either.
ScopedHeapBlock<BYTE> WorkingBytes(uint64_t bytes) {
    return bytes <= MAXLONG ? AllocHeapBlock<BYTE>(static_cast<SIZE_T>(bytes)) : ScopedHeapBlock<BYTE>();
}

Status EncodeInChosenLayout(HGLOBAL dib, HANDLE file, BOOL append, PcxDibLineCallback callback,
                            const DibSaveChoice& choice, ULONGLONG endLimit) {
    LockedDib locked(dib);
    if (locked.bytes() == nullptr) return Status::NoBitmap;
    kypcx::DibLayout layout;
    Status status = kypcx::ReadDibLayout(locked.bytes(), locked.size(), &layout);
    if (status != Status::Ok) return status;
    const bool alpha = FourthBytesAreAlpha(layout, locked.bytes());

    // The colour set and the plan are a few kilobytes each: on the heap,
    // not on a caller's stack.
    const ScopedHeapBlock<BYTE> bgra = WorkingBytes(4 * uint64_t(layout.width));
    const ScopedHeapBlock<kypcx::PictureColors> colorsBlock = AllocHeapBlock<kypcx::PictureColors>(1);
    const ScopedHeapBlock<kypcx::PcxSavePlan> planBlock = AllocHeapBlock<kypcx::PcxSavePlan>(1);
    if (!bgra.valid() || !colorsBlock.valid() || !planBlock.valid()) return Status::NoWorkingMemory;
    auto* colors = new (colorsBlock.get()) kypcx::PictureColors();
    auto* plan = new (planBlock.get()) kypcx::PcxSavePlan();
    for (int32_t y = 0; y < layout.height; ++y) {
        kypcx::DibRowToBgra(layout, locked.bytes() + layout.colorTableOffset,
                            kypcx::DibRowForLine(layout, locked.bytes(), y), alpha, bgra.get());
        colors->Add(bgra.get(), static_cast<size_t>(layout.width));
    }

    ScopedWindowDC screen(nullptr);
    if (screen.get() == nullptr) return Status::NoDeviceContext;
    const kypcx::DisplayMetrics display = ReadDisplayMetrics(screen.get());
    kypcx::PcxSavePicture picture;
    picture.width = layout.width;
    picture.height = layout.height;
    picture.dpiX = kypcx::DpiFromPelsPerMeter(layout.info.xPelsPerMeter, display.dpiX);
    picture.dpiY = kypcx::DpiFromPelsPerMeter(layout.info.yPelsPerMeter, display.dpiY);
    picture.screenWidth = static_cast<int16_t>(display.width);
    picture.screenHeight = static_cast<int16_t>(display.height);
    picture.storedLines = choice.storedLines;
    const kypcx::PcxLayout target =
        choice.layout == DibSaveChoice::Layout::Smallest ? kypcx::SmallestLayout(*colors) : choice.named;
    status = kypcx::PlanPcxSave(target, *colors, picture, plan);
    if (status != Status::Ok) return status;

    // The line function is handed the scan line, so the buffer is a line long.
    const ScopedHeapBlock<BYTE> row = WorkingBytes(plan->rowBytes);
    const ScopedHeapBlock<BYTE> line = WorkingBytes(std::max<uint64_t>(plan->rows.lineSize(), plan->rowBytes));
    if (!row.valid() || !line.valid()) return Status::NoWorkingMemory;
    LayoutLines lines(layout, locked.bytes(), alpha, *plan, *colors, bgra.get(), row.get(), callback);
    return WritePcxImage(file, append, plan->header, plan->rows, layout.height, line.get(), lines, endLimit);
}

}  // namespace

Status ReadDibSaveFlags(DWORD flags, DibSaveChoice* choice) {
    if ((flags & ~kKnownFlags) != 0) return Status::UndecodableLayout;
    choice->storedLines = (flags & KYPCX_SAVE_STORED_LINES) != 0;
    choice->dcxPage = (flags & KYPCX_SAVE_DCX_PAGE) != 0;
    const DWORD planes = (flags >> 8) & 0xFF;
    const DWORD bits = (flags >> 16) & 0xFF;
    switch (flags & kChoiceMask) {
    case KYPCX_SAVE_CLASSIC:
        choice->layout = DibSaveChoice::Layout::Classic;
        return (flags & kLayoutBits) == 0 ? Status::Ok : Status::UndecodableLayout;
    case KYPCX_SAVE_SMALLEST:
        choice->layout = DibSaveChoice::Layout::Smallest;
        return (flags & kLayoutBits) == 0 ? Status::Ok : Status::UndecodableLayout;
    case KYPCX_SAVE_LAYOUT(0, 0):
        choice->layout = DibSaveChoice::Layout::Named;
        choice->named = kypcx::PcxLayout{static_cast<uint8_t>(planes), static_cast<uint8_t>(bits)};
        return kypcx::IsDecodablePcxLayout(choice->named.planes, choice->named.bitsPerPixel,
                                           kypcx::PcxLayoutSet::Every)
                   ? Status::Ok
                   : Status::UndecodableLayout;
    default:
        return Status::UndecodableLayout;
    }
}

Status EncodeDibInLayout(HGLOBAL dib, HANDLE file, BOOL append, PcxDibLineCallback callback,
                         const DibSaveChoice& choice, ULONGLONG endLimit) {
    if (choice.layout == DibSaveChoice::Layout::Classic) {
        return choice.storedLines ? EncodeDibStoringLines(dib, file, append, callback, endLimit)
                                  : EncodeDibToPcx(dib, file, append, callback, endLimit);
    }
    return EncodeInChosenLayout(dib, file, append, callback, choice, endLimit);
}
