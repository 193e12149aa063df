// EncodeDibToPcx and EncodeNonRgbDibToPcx: a DIB, row by row from the top
// line, into a file in the usual PCX layouts.
#include "pcx/encode/EncodeDibToPcx.h"

#include <algorithm>
#include <cstring>

#include "frame/HandleGuards.h"
#include "kypcx/dib_layout.h"
#include "kypcx/pcx_encode_planes.h"
#include "kypcx/pcx_format.h"
#include "pcx/encode/DibPcxHeader.h"
#include "pcx/encode/PcxWriter.h"
#include "pcx/encode/WritePcxImage.h"

namespace {

// The caller's DIB, locked for the call and unlocked on every path.
class LockedDib : public ScopedGlobalLock {
public:
    explicit LockedDib(HGLOBAL dib) : LockedDib(dib, dib != nullptr ? GlobalSize(dib) : 0) {}
    BYTE* bytes() const { return as<BYTE>(); }
    SIZE_T size() const { return size_; }

private:
    // A size of 0 marks a handle that is no (live) global block: not locked.
    LockedDib(HGLOBAL dib, SIZE_T size) : ScopedGlobalLock(size != 0 ? dib : nullptr), size_(size) {}
    SIZE_T size_;
};

// The lines of a checked DIB, from the top, and its colour table as the
// trailer: the marker and 256 colours, entries a short table lacks black.
class DibLines : public PcxImageLines {
public:
    DibLines(const kypcx::DibLayout& layout, BYTE* dib, BYTE* line, PcxDibLineCallback callback)
        : layout_(layout), dib_(dib), line_(line), callback_(callback) {}

    PcxErrorCode EncodeLine(int32_t lineFromTop, HANDLE file) override {
        const size_t length = kypcx::AssemblePcxLine(layout_, kypcx::DibRowForLine(layout_, dib_, lineFromTop), line_);
        if (EncodePcxLine(line_, static_cast<DWORD>(length), file) == 0) return PCX_ERR_ENCODING;
        auto* info = reinterpret_cast<BITMAPINFOHEADER*>(dib_);
        if (callback_ != nullptr && !callback_(line_, layout_.height - 1 - lineFromTop, 1, info))
            return PCX_ERR_USER_ABORT;
        return PCX_OK;
    }

    PcxErrorCode WritePaletteTrailer(HANDLE file) override {
        BYTE trailer[kypcx::kPaletteTrailerSize] = {};
        trailer[0] = kypcx::kPaletteMarker;
        const BYTE* table = dib_ + layout_.colorTableOffset;
        const uint32_t entries = std::min<uint32_t>(layout_.colorTableEntries, kypcx::kPaletteTrailerColors);
        for (uint32_t i = 0; i < entries; ++i) {
            trailer[1 + 3 * i] = table[4 * i + 2];
            trailer[2 + 3 * i] = table[4 * i + 1];
            trailer[3 + 3 * i] = table[4 * i];
        }
        return WritePcxBytes(file, trailer, sizeof trailer) ? PCX_OK : PCX_ERR_WRITE;
    }

private:
    const kypcx::DibLayout& layout_;
    BYTE* dib_;  // the caller's line function is handed its header
    BYTE* line_;
    PcxDibLineCallback callback_;
};

BOOL EncodeDib(HGLOBAL dib, HANDLE file, BOOL append, PcxErrorCode* error, PcxDibLineCallback callback,
               const BYTE* colorSpace, ULONGLONG endLimit) {
    *error = PCX_OK;
    LockedDib locked(dib);
    if (locked.bytes() == nullptr) {
        *error = PCX_ERR_CREATE_BITMAP;
        return FALSE;
    }
    kypcx::DibLayout layout;
    const PcxErrorCode layoutCode = kypcx::ReadDibLayout(locked.bytes(), locked.size(), &layout);
    if (layoutCode != PCX_OK) {
        *error = layoutCode;
        return FALSE;
    }
    PcxHeader header;
    std::memset(&header, 0, sizeof header);
    if (!BuildDibPcxHeader(&header, layout, locked.bytes(), error)) return FALSE;
    if (colorSpace != nullptr) header.encoding = *colorSpace;

    const SIZE_T lineBufferSize = std::max<SIZE_T>(layout.encodedLineSize, static_cast<SIZE_T>(layout.rowStride));
    ScopedGlobal lineBlock(GlobalAlloc(GHND, lineBufferSize));
    ScopedGlobalLock lineLock(lineBlock.get());
    BYTE* line = lineLock.as<BYTE>();
    if (line == nullptr) {
        *error = PCX_ERR_ALLOC;
        return FALSE;
    }
    DibLines lines(layout, locked.bytes(), line, callback);
    return WritePcxImage(file, append, header, layout.height, lines, error, endLimit);
}

}  // namespace

BOOL EncodeDibToPcx(HGLOBAL dib, HANDLE file, BOOL append, PcxErrorCode* error, PcxDibLineCallback callback,
                    ULONGLONG endLimit) {
    return EncodeDib(dib, file, append, error, callback, nullptr, endLimit);
}

BOOL EncodeNonRgbDibToPcx(HGLOBAL dib, HANDLE file, BOOL append, PcxErrorCode* error, PcxDibLineCallback callback,
                          BYTE colorSpace, ULONGLONG endLimit) {
    return EncodeDib(dib, file, append, error, callback, &colorSpace, endLimit);
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
