// EncodeDibToPcx and EncodeNonRgbDibToPcx: a DIB, row by row from the top
// line, into a file in the usual PCX layouts.
#include "pcx/encode/EncodeDibToPcx.h"

#include <algorithm>
#include <cstring>

#include "frame/HandleGuards.h"
#include "frame/WaitCursor.h"
#include "kypcx/pcx_encode_dib_layout.h"
#include "kypcx/pcx_encode_planes.h"
#include "kypcx/pcx_format.h"
#include "pcx/encode/DibPcxHeader.h"
#include "pcx/encode/PcxSaveFile.h"
#include "pcx/encode/PcxWriter.h"

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

// The marker and 256 colours from the DIB's table; entries a short table
// lacks are written black.
BOOL WriteColourTableTrailer(HANDLE file, const kypcx::DibLayout& layout, const BYTE* dib) {
    BYTE trailer[kypcx::kPaletteTrailerSize] = {};
    trailer[0] = kypcx::kPaletteMarker;
    const BYTE* table = dib + layout.colorTableOffset;
    const uint32_t entries = std::min<uint32_t>(layout.colorTableEntries, kypcx::kPaletteTrailerColours);
    for (uint32_t i = 0; i < entries; ++i) {
        trailer[1 + 3 * i] = table[4 * i + 2];
        trailer[2 + 3 * i] = table[4 * i + 1];
        trailer[3 + 3 * i] = table[4 * i];
    }
    return WritePcxBytes(file, trailer, sizeof trailer);
}

BOOL EncodeDib(HGLOBAL dib, HANDLE file, BOOL append, PcxErrorCode* error, PcxDibLineCallback callback,
               const BYTE* colorSpace) {
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
    auto* info = reinterpret_cast<BITMAPINFOHEADER*>(locked.bytes());
    PcxHeader header;
    std::memset(&header, 0, sizeof header);
    if (!BuildDibPcxHeader(&header, info, error)) return FALSE;
    if (colorSpace != nullptr) header.encoding = *colorSpace;

    const SIZE_T lineBufferSize = std::max<SIZE_T>(layout.encodedLineSize, static_cast<SIZE_T>(layout.rowStride));
    ScopedGlobal lineBlock(GlobalAlloc(GHND, lineBufferSize));
    ScopedGlobalLock lineLock(lineBlock.get());
    BYTE* line = lineLock.as<BYTE>();
    if (line == nullptr) {
        *error = PCX_ERR_ALLOC;
        return FALSE;
    }
    if (!MoveToImageStart(file, append, L"KyPCX.dll [SORRY]", error)) return FALSE;

    ScopedWaitCursor waitCursor(WaitCursorFamily::Coder);
    if (!WritePcxBytes(file, reinterpret_cast<const BYTE*>(&header), sizeof header)) *error = PCX_ERR_WRITE;

    for (int32_t i = 0; i < layout.height && *error == PCX_OK; ++i) {
        const size_t length = kypcx::AssemblePcxLine(layout, kypcx::DibRowForLine(layout, locked.bytes(), i), line);
        if (EncodePcxLine(line, static_cast<DWORD>(length), file) == 0) {
            *error = PCX_ERR_ENCODING;
            break;
        }
        if (callback != nullptr && !callback(line, layout.height - 1 - i, 1, info)) {
            *error = PCX_ERR_USER_ABORT;
            break;
        }
    }
    if (*error == PCX_OK && header.bitsPerPixel == 8 && header.planes == 1 &&
        !WriteColourTableTrailer(file, layout, locked.bytes()))
        *error = PCX_ERR_WRITE;

    if (WritePcxByte(file, 0, 1) == kWriterFailed && *error == PCX_OK) *error = PCX_ERR_WRITE;
    if (!append) CutFileAtPosition(file);
    return *error == PCX_OK;
}

}  // namespace

BOOL EncodeDibToPcx(HGLOBAL dib, HANDLE file, BOOL append, PcxErrorCode* error, PcxDibLineCallback callback) {
    return EncodeDib(dib, file, append, error, callback, nullptr);
}

BOOL EncodeNonRgbDibToPcx(HGLOBAL dib, HANDLE file, BOOL append, PcxErrorCode* error, PcxDibLineCallback callback,
                          BYTE colorSpace) {
    return EncodeDib(dib, file, append, error, callback, &colorSpace);
}

int GetDibColorSpace(HGLOBAL dib) {
    LockedDib locked(dib);
    if (locked.bytes() == nullptr || locked.size() < sizeof(BITMAPINFOHEADER)) return -1;
    return static_cast<int>(reinterpret_cast<const BITMAPINFOHEADER*>(locked.bytes())->biCompression);
}
