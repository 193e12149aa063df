// EncodeDibToPcx and EncodeNonRgbDibToPcx: a DIB, row by row from the top
// line, into a file in the usual PCX layouts.
#include "pcx/encode/EncodeDibToPcx.h"

#include <algorithm>
#include <cstring>

#include "kypcx/dib_layout.h"
#include "kypcx/pcx_encode_header.h"
#include "kypcx/pcx_encode_planes.h"
#include "kypcx/pcx_format.h"
#include "pcx/encode/DibPcxHeader.h"
#include "pcx/encode/LockedDib.h"
#include "pcx/encode/WritePcxImage.h"
#include "win/HandleGuards.h"

namespace {

using kypcx::Status;

// The rows of a checked DIB, from the top, and its colour table as the
// trailer's colours, entries a short table lacks black.
class DibLines : public PcxImageLines {
public:
    DibLines(const kypcx::DibLayout& layout, BYTE* dib, PcxDibLineCallback callback)
        : layout_(layout), dib_(dib), callback_(callback) {}

    Status WriteLine(int32_t lineFromTop, kypcx::PcxImageWriter& image) override {
        const Status written = image.WriteRows(kypcx::DibRowForLine(layout_, dib_, lineFromTop), 0, 1);
        if (written != Status::Ok) return written;
        auto* info = reinterpret_cast<BITMAPINFOHEADER*>(dib_);
        if (callback_ != nullptr &&
            !callback_(image.line(), layout_.height - 1 - lineFromTop, 1, info))
            return Status::StoppedByLineFunction;
        return Status::Ok;
    }

    Status TrailerColors(uint8_t* colors) override {
        kypcx::ColorTableTriples(dib_ + layout_.colorTableOffset, layout_.colorTableEntries,
                                 kypcx::kPaletteTrailerColors, colors);
        return Status::Ok;
    }

private:
    const kypcx::DibLayout& layout_;
    BYTE* dib_;  // the caller's line function is handed its header
    PcxDibLineCallback callback_;
};

Status EncodeDib(HGLOBAL dib, HANDLE file, BOOL append, PcxDibLineCallback callback, const BYTE* colorSpace,
                 ULONGLONG endLimit) {
    LockedDib locked(dib);
    if (locked.bytes() == nullptr) return Status::NoBitmap;
    kypcx::DibLayout layout;
    Status status = kypcx::ReadDibLayout(locked.bytes(), locked.size(), &layout);
    if (status != Status::Ok) return status;
    PcxHeader header;
    std::memset(&header, 0, sizeof header);
    status = BuildDibPcxHeader(&header, layout, locked.bytes());
    if (status != Status::Ok) return status;
    if (colorSpace != nullptr) header.encoding = *colorSpace;

    // As long as a row, too: the line function is handed this buffer.
    const SIZE_T lineBufferSize = std::max<SIZE_T>(layout.encodedLineSize, static_cast<SIZE_T>(layout.rowStride));
    ScopedGlobal lineBlock(GlobalAlloc(GHND, lineBufferSize));
    ScopedGlobalLock lineLock(lineBlock.get());
    BYTE* line = lineLock.as<BYTE>();
    if (line == nullptr) return Status::NoWorkingMemory;
    DibLines lines(layout, locked.bytes(), callback);
    return WritePcxImage(file, append, header, kypcx::DibRowLayout(layout), layout.height, line, lines, endLimit);
}

}  // namespace

Status EncodeDibToPcx(HGLOBAL dib, HANDLE file, BOOL append, PcxDibLineCallback callback, ULONGLONG endLimit) {
    return EncodeDib(dib, file, append, callback, nullptr, endLimit);
}

Status EncodeNonRgbDibToPcx(HGLOBAL dib, HANDLE file, BOOL append, PcxDibLineCallback callback, BYTE colorSpace,
                            ULONGLONG endLimit) {
    return EncodeDib(dib, file, append, callback, &colorSpace, endLimit);
}

Status EncodeDibStoringLines(HGLOBAL dib, HANDLE file, BOOL append, PcxDibLineCallback callback, ULONGLONG endLimit) {
    const BYTE stored = kypcx::kPcxStoredEncoding;
    return EncodeDib(dib, file, append, callback, &stored, endLimit);
}

// The biCompression field as it stands, whatever the header's size says: a
// non-RGB DIB is told by that field alone, and the layout check that follows
// refuses a header that does not hold it. -1 when the block is too short to
// have the field.
int GetDibColorSpace(HGLOBAL dib) {
    LockedDib locked(dib);
    if (locked.bytes() == nullptr || locked.size() < sizeof(BITMAPINFOHEADER)) return -1;
    return static_cast<int>(reinterpret_cast<const BITMAPINFOHEADER*>(locked.bytes())->biCompression);
}
