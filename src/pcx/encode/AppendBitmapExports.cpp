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
#include "frame/ExportCodes.h"
#include "frame/FileAccess.h"
#include "frame/WaitCursor.h"
#include "kypcx/dib_layout.h"
#include "kypcx/pcx_encode_header.h"
#include "kypcx/pcx_format.h"
#include "kypcx/pcx_writer.h"
#include "pcx/encode/BitmapLineSource.h"
#include "pcx/encode/BitmapPcxHeader.h"
#include "pcx/encode/EncodeBitmapToPcx.h"
#include "pcx/encode/PcxWriter.h"
#include "win/HandleGuards.h"

namespace {

using kypcx::Status;

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
// otherwise the file's end. TrailerUnreadable when an 8-bit file is too
// short to hold the trailer it should end in, ReadShort when the trailer
// cannot be read; nothing is written.
Status FindAppendPosition(HANDLE file, const PcxHeader& header, AppendUndo* undo) {
    undo->oldLength = GetFileLength(file);
    undo->writeStart = undo->oldLength;
    if (!kypcx::HasPaletteTrailer(header)) return Status::Ok;
    if (undo->oldLength < kypcx::kPaletteTrailerSize) return Status::TrailerUnreadable;
    uint64_t slot = 0;
    if (!kypcx::FindPaletteTrailerSlot(0, undo->oldLength, &slot)) return Status::Ok;  // too short to hold one
    const ULONGLONG trailerStart = slot;
    if (!SeekFileTo(file, trailerStart)) return Status::TrailerUnreadable;
    if (!ReadFileExactly(file, undo->oldTrailer, sizeof undo->oldTrailer)) return Status::ReadShort;
    if (undo->oldTrailer[0] == kypcx::kPaletteMarker) {
        undo->trailerKept = TRUE;
        undo->writeStart = trailerStart;
    }
    return Status::Ok;
}

// The lines of `source` behind the old data, then the kept trailer behind
// them, then the header with its raised Ymax at offset 0. LineUnavailable or
// LineNotWritten while the lines go; WriteShort for the trailer and the
// header, PositionUnreachable when offset 0 cannot be reached.
Status AppendLines(HANDLE file, BitmapLineSource& source, const PcxHeader& header, int32_t lineCount,
                   const AppendUndo& undo) {
    ScopedWaitCursor waitCursor(WaitCursorFamily::Append);
    PcxFileWriter writer(file);
    kypcx::PcxImageWriter image(writer.bytes(), header, source.rows(), static_cast<uint32_t>(lineCount),
                                source.line());
    Status status = Status::Ok;
    for (int32_t y = 0; y < lineCount && status == Status::Ok; ++y) {
        const BYTE* row = source.FetchLine(y);
        status = row == nullptr ? Status::LineUnavailable : image.WriteRows(row, 0, 1);
    }
    // The held line bytes go out here; if they cannot, a line was not written.
    const Status ended = image.EndLines();
    if (status == Status::Ok) status = ended;
    if (status == Status::Ok && undo.trailerKept) {
        status = image.WriteTrailer(undo.oldTrailer + 1);
        const Status finished = image.Finish();
        if (status == Status::Ok) status = finished;
    }
    writer.Release();
    if (status != Status::Ok) return status;
    if (!SeekFileTo(file, 0)) return Status::PositionUnreachable;
    if (!WriteFileExactly(file, &header, sizeof header)) return Status::WriteShort;
    return Status::Ok;
}

Status AppendBitmap(HBITMAP bitmap, LPCWSTR path) {
    BITMAP record;
    Status status = ReadBitmapRecord(bitmap, &record);
    if (status != Status::Ok) return status;

    ScopedFile file(OpenFileFor(path, GENERIC_READ | GENERIC_WRITE));
    if (!file.valid()) return Status::FileNotOpened;
    AppendUndo undo;
    if (!SeekFileTo(file.get(), 0) || !ReadFileExactly(file.get(), &undo.oldHeader, sizeof undo.oldHeader))
        return Status::ReadShort;
    const AppendLayout layout = LayoutForAppend(undo.oldHeader, record);
    if (layout == AppendLayout::None || !HeightFitsHeader(undo.oldHeader, record))
        return Status::BitmapLayoutMismatch;
    BitmapLineSource source(bitmap, record);
    if (layout == AppendLayout::RgbPlanes) source.UseRgbPlanes(undo.oldHeader.bytesPerLine);
    status = source.CreateContexts();
    if (status == Status::Ok) status = source.AllocateLine();
    if (status == Status::Ok) status = FindAppendPosition(file.get(), undo.oldHeader, &undo);
    if (status == Status::Ok) status = source.PrepareReading();
    if (status == Status::Ok && !SeekFileTo(file.get(), undo.writeStart)) status = Status::PositionUnreachable;
    if (status != Status::Ok) return status;

    PcxHeader header = undo.oldHeader;
    header.yMax = static_cast<int16_t>(header.yMax + record.bmHeight);
    status = AppendLines(file.get(), source, header, record.bmHeight, undo);
    if (status != Status::Ok) undo.Restore(file.get());
    return status;
}

}  // namespace

extern "C" BOOL WINAPI AppendBitmapToPCXFileW(HBITMAP bitmap, LPCWSTR path, PcxErrorCode* error) {
    ErrorSlot slot(error);
    return ReportExportCode(AppendBitmap(bitmap, path), slot.get(), ExportGroup::AppendToPcxFile);
}

extern "C" BOOL WINAPI AppendBitmapToPCXFileA(HBITMAP bitmap, LPCSTR path, PcxErrorCode* error) {
    return CallWithWidePath(AppendBitmapToPCXFileW, bitmap, path, error);
}
