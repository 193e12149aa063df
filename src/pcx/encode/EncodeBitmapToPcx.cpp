// EncodeBitmapToPcx: a device-dependent bitmap, line by line, into a file.
#include "pcx/encode/EncodeBitmapToPcx.h"

#include <cstring>

#include "frame/HandleGuards.h"
#include "frame/WaitCursor.h"
#include "kypcx/pcx_encode_dib_layout.h"
#include "kypcx/pcx_format.h"
#include "pcx/encode/BitmapLineSource.h"
#include "pcx/encode/BitmapPcxHeader.h"
#include "pcx/encode/PcxSaveFile.h"
#include "pcx/encode/PcxWriter.h"

namespace {

// The 256-colour trailer of an 8-bit single-plane image: the marker and the
// display's colours. Colours are collected before anything is written, so a
// failure leaves no half trailer.
void WriteSystemPaletteTrailer(HANDLE file, const BITMAP& record, HBITMAP bitmap, PcxErrorCode* error) {
    ScopedGlobal block(GlobalAlloc(GHND, 3 * kypcx::kPaletteTrailerColours));
    ScopedGlobalLock lock(block.get());
    BYTE* triples = lock.as<BYTE>();
    if (triples == nullptr) {
        *error = PCX_ERR_ALLOC;
        return;
    }
    if (!CollectBitmapPalette(triples, kypcx::kPaletteTrailerColours, error, &record, bitmap)) return;
    const BYTE marker = kypcx::kPaletteMarker;
    if (!WritePcxBytes(file, &marker, 1) || !WritePcxBytes(file, triples, 3 * kypcx::kPaletteTrailerColours))
        *error = PCX_ERR_WRITE;
}

}  // namespace

BOOL ReadBitmapRecord(HBITMAP bitmap, BITMAP* record, PcxErrorCode* error) {
    if (bitmap == nullptr || GetObjectW(bitmap, sizeof *record, record) != static_cast<int>(sizeof *record)) {
        *error = PCX_ERR_CREATE_BITMAP;
        return FALSE;
    }
    record->bmWidthBytes = DeviceLineBytes(*record);
    if (record->bmWidth <= 0 || record->bmHeight <= 0 || record->bmWidth > kypcx::kMaxPcxDimension ||
        record->bmHeight > kypcx::kMaxPcxDimension || record->bmWidthBytes > kypcx::kMaxPcxBytesPerLine) {
        *error = PCX_ERR_CREATE_BITMAP;
        return FALSE;
    }
    return TRUE;
}

BOOL EncodeBitmapToPcx(HBITMAP bitmap, HANDLE file, BOOL append, PcxErrorCode* error, PcxLineCallback callback) {
    *error = PCX_OK;
    BITMAP record;
    if (!ReadBitmapRecord(bitmap, &record, error)) return FALSE;

    BitmapLineSource source(bitmap, record);
    PcxErrorCode code = source.CreateContexts();
    if (code != PCX_OK) {
        *error = code;
        return FALSE;
    }
    PcxHeader header;
    std::memset(&header, 0, sizeof header);
    if (!BuildBitmapPcxHeader(&header, &record, error, bitmap)) return FALSE;
    code = source.AllocateLine();
    if (code != PCX_OK) {
        *error = code;
        return FALSE;
    }
    code = source.PrepareReading();
    if (code != PCX_OK) {
        *error = code;
        return FALSE;
    }
    if (!MoveToImageStart(file, append, L"SORRY", error)) return FALSE;

    ScopedWaitCursor waitCursor(WaitCursorFamily::Coder);
    if (!WritePcxBytes(file, reinterpret_cast<const BYTE*>(&header), sizeof header)) *error = PCX_ERR_WRITE;

    BOOL lineFailed = FALSE;
    for (int y = 0; y < record.bmHeight && *error == PCX_OK; ++y) {
        if (!source.FetchLine(y) || EncodePcxLine(source.line(), source.lineSize(), file) == 0) {
            *error = PCX_ERR_ENCODING;
            lineFailed = TRUE;
            break;
        }
        if (callback != nullptr &&
            !callback(source.line(), record.bmHeight - 1 - y, 1, source.lineBitmap(), source.sourceContext(), &record)) {
            *error = PCX_ERR_USER_ABORT;
            break;
        }
    }
    if (lineFailed && callback != nullptr)
        callback(nullptr, 0, 0, source.lineBitmap(), source.sourceContext(), &record);

    if (*error == PCX_OK && header.bitsPerPixel == 8 && header.planes == 1)
        WriteSystemPaletteTrailer(file, record, bitmap, error);

    if (WritePcxByte(file, 0, 1) == kWriterFailed && *error == PCX_OK) *error = PCX_ERR_WRITE;
    if (!append) CutFileAtPosition(file);
    return *error == PCX_OK;
}
