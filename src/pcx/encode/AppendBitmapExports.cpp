// AppendBitmapToPCXFileW/A: makes a PCX file taller by the scan lines of a
// device bitmap of the same width and layout. An 8-bit file keeps its
// 256-colour trailer, moved behind the new lines. A failed append puts the
// file back exactly as it was.
//
// The layout is the one the bitmap save writes: a bitmap of more than 8 bits
// a pixel continues an image of three 8-bit planes (red, green, blue) of its
// width, and it also continues an image in its device's own layout, as
// earlier releases saved such bitmaps.
#include <windows.h>

#include <cstring>

#include "KyPCX.h"
#include "frame/AnsiEntry.h"
#include "frame/ErrorSlot.h"
#include "frame/FileAccess.h"
#include "frame/HandleGuards.h"
#include "frame/WaitCursor.h"
#include "kypcx/dib_layout.h"
#include "kypcx/pcx_encode_header.h"
#include "kypcx/pcx_format.h"
#include "pcx/encode/BitmapLineSource.h"
#include "pcx/encode/BitmapPcxHeader.h"
#include "pcx/encode/EncodeBitmapToPcx.h"
#include "pcx/encode/PcxWriter.h"

namespace {

// How the bitmap's lines continue the image, if they can.
enum class AppendLayout {
    None,       // not the same type: width or layout differ
    Device,     // the device's own: same bits, planes and line size
    RgbPlanes,  // red, green and blue planes of the file's bytes per line
};

AppendLayout LayoutForAppend(const PcxHeader& header, const BITMAP& record) {
    if (int32_t{header.xMax} - int32_t{header.xMin} != record.bmWidth - 1) return AppendLayout::None;
    if (header.bitsPerPixel == static_cast<BYTE>(record.bmBitsPixel) &&
        header.planes == static_cast<BYTE>(record.bmPlanes) && header.bytesPerLine == record.bmWidthBytes)
        return AppendLayout::Device;
    if (kypcx::WritesBitmapAsRgbPlanes(BitmapFieldsOf(record)) && header.planes == 3 && header.bitsPerPixel == 8 &&
        header.bytesPerLine >= record.bmWidth)
        return AppendLayout::RgbPlanes;
    return AppendLayout::None;
}

// The raised Ymax must still be a 16-bit value, or the header would
// describe a different height than the lines in the file.
BOOL HeightFitsHeader(const PcxHeader& header, const BITMAP& record) {
    const int32_t newYMax = int32_t{header.yMax} + record.bmHeight;
    return newYMax <= INT16_MAX && newYMax - int32_t{header.yMin} + 1 <= kypcx::kMaxPcxDimension;
}

// Everything needed to undo an append: the old length, the old header and,
// when the new lines go over the 256-colour trailer, the trailer's bytes.
struct AppendUndo {
    ULONGLONG oldLength = 0;
    ULONGLONG writeStart = 0;
    PcxHeader oldHeader;
    BYTE oldTrailer[kypcx::kPaletteTrailerSize];
    BOOL trailerKept = FALSE;

    // Puts the old bytes back and cuts the file to its old length. Best
    // effort: the caller's code already says the append failed.
    void Restore(HANDLE file) const {
        if (trailerKept && SeekFileTo(file, writeStart)) WriteFileExactly(file, oldTrailer, sizeof oldTrailer);
        SetFileLengthTo(file, oldLength);
        if (SeekFileTo(file, 0)) WriteFileExactly(file, &oldHeader, sizeof oldHeader);
    }
};

// Finds where the new lines go. For an 8-bit single-plane image whose last
// 769 bytes are a trailer behind the header, that is the trailer's start;
// otherwise the file's end. Codes 12 (no room for a trailer before the end)
// and 16 (trailer unreadable); nothing is written.
PcxErrorCode FindAppendPosition(HANDLE file, const PcxHeader& header, AppendUndo* undo) {
    undo->oldLength = GetFileLength(file);
    undo->writeStart = undo->oldLength;
    if (header.planes != 1 || header.bitsPerPixel != 8) return PCX_OK;
    if (undo->oldLength < kypcx::kPaletteTrailerSize) return PCX_ERR_ALLOC;
    uint64_t slot = 0;
    if (!kypcx::FindPaletteTrailerSlot(0, undo->oldLength, &slot)) return PCX_OK;  // too short to hold one
    const ULONGLONG trailerStart = slot;
    if (!SeekFileTo(file, trailerStart)) return PCX_ERR_ALLOC;
    if (!ReadFileExactly(file, undo->oldTrailer, sizeof undo->oldTrailer)) return PCX_ERR_READ;
    if (undo->oldTrailer[0] == kypcx::kPaletteMarker) {
        undo->trailerKept = TRUE;
        undo->writeStart = trailerStart;
    }
    return PCX_OK;
}

}  // namespace

extern "C" BOOL WINAPI AppendBitmapToPCXFileW(HBITMAP bitmap, LPCWSTR path, PcxErrorCode* error) {
    ErrorSlot slot(error);
    PcxErrorCode* code = slot.get();
    *code = PCX_OK;
    BITMAP record;
    if (!ReadBitmapRecord(bitmap, &record, code)) return FALSE;

    ScopedFile file(OpenFileFor(path, GENERIC_READ | GENERIC_WRITE));
    if (!file.valid()) {
        *code = PCX_ERR_OPEN_FILE;
        return FALSE;
    }
    AppendUndo undo;
    if (!SeekFileTo(file.get(), 0) || !ReadFileExactly(file.get(), &undo.oldHeader, sizeof undo.oldHeader)) {
        *code = PCX_ERR_READ;
        return FALSE;
    }
    const AppendLayout layout = LayoutForAppend(undo.oldHeader, record);
    if (layout == AppendLayout::None || !HeightFitsHeader(undo.oldHeader, record)) {
        *code = PCX_ERR_TYPE_MISMATCH;
        return FALSE;
    }
    BitmapLineSource source(bitmap, record);
    if (layout == AppendLayout::RgbPlanes) source.UseRgbPlanes(undo.oldHeader.bytesPerLine);
    PcxErrorCode step = source.CreateContexts();
    if (step == PCX_OK) step = source.AllocateLine();
    if (step == PCX_OK) step = FindAppendPosition(file.get(), undo.oldHeader, &undo);
    if (step == PCX_OK) step = source.PrepareReading();
    if (step == PCX_OK && !SeekFileTo(file.get(), undo.writeStart)) step = PCX_ERR_FILE_IO;
    if (step != PCX_OK) {
        *code = step;
        return FALSE;
    }

    PcxHeader header = undo.oldHeader;
    header.yMax = static_cast<int16_t>(header.yMax + record.bmHeight);

    ScopedWaitCursor waitCursor(WaitCursorFamily::Append);
    for (int y = 0; y < record.bmHeight; ++y) {
        if (!source.FetchLine(y) || EncodePcxLine(source.line(), source.lineSize(), file.get()) == 0) {
            *code = PCX_ERR_ENCODING;
            break;
        }
    }
    // The held line bytes go out here; if they cannot, a line was not written.
    if (WritePcxByte(file.get(), 0, 1) == kWriterFailed && *code == PCX_OK) *code = PCX_ERR_ENCODING;
    if (*code == PCX_OK && undo.trailerKept) {
        if (!WritePcxBytes(file.get(), undo.oldTrailer, sizeof undo.oldTrailer)) *code = PCX_ERR_WRITE;
        if (WritePcxByte(file.get(), 0, 1) == kWriterFailed && *code == PCX_OK) *code = PCX_ERR_WRITE;
    }
    if (*code == PCX_OK) {
        if (!SeekFileTo(file.get(), 0)) *code = PCX_ERR_FILE_IO;
        else if (!WriteFileExactly(file.get(), &header, sizeof header)) *code = PCX_ERR_WRITE;
    }
    if (*code != PCX_OK) undo.Restore(file.get());
    return *code == PCX_OK;
}

extern "C" BOOL WINAPI AppendBitmapToPCXFileA(HBITMAP bitmap, LPCSTR path, PcxErrorCode* error) {
    return CallWithWidePath(AppendBitmapToPCXFileW, bitmap, path, error);
}
