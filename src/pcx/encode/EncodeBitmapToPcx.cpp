// EncodeBitmapToPcx: a device-dependent bitmap, line by line, into a file.
#include "pcx/encode/EncodeBitmapToPcx.h"

#include <cstring>

#include "frame/HandleGuards.h"
#include "kypcx/dib_layout.h"
#include "kypcx/pcx_encode_header.h"
#include "kypcx/pcx_format.h"
#include "pcx/encode/BitmapLineSource.h"
#include "pcx/encode/BitmapPcxHeader.h"
#include "pcx/encode/PcxWriter.h"
#include "pcx/encode/WritePcxImage.h"

namespace {

// The lines of a device bitmap, fetched one at a time, and the display's
// colours as the trailer.
class BitmapLines : public PcxImageLines {
public:
    BitmapLines(BitmapLineSource& source, const BITMAP& record, HBITMAP bitmap, PcxLineCallback callback)
        : source_(source), record_(record), bitmap_(bitmap), callback_(callback) {}

    // After a line that could not be had or written, the line function is
    // called once more with a null line and counts of 0.
    PcxErrorCode EncodeLine(int32_t lineFromTop, HANDLE file) override {
        if (!source_.FetchLine(lineFromTop) || EncodePcxLine(source_.line(), source_.lineSize(), file) == 0) {
            if (callback_ != nullptr) callback_(nullptr, 0, 0, source_.lineBitmap(), source_.sourceContext(), &record_);
            return PCX_ERR_ENCODING;
        }
        if (callback_ != nullptr && !callback_(source_.line(), record_.bmHeight - 1 - lineFromTop, 1,
                                               source_.lineBitmap(), source_.sourceContext(), &record_))
            return PCX_ERR_USER_ABORT;
        return PCX_OK;
    }

    // Colours are collected before anything is written, so a failure leaves
    // no half trailer.
    PcxErrorCode WritePaletteTrailer(HANDLE file) override {
        ScopedGlobal block(GlobalAlloc(GHND, 3 * kypcx::kPaletteTrailerColors));
        ScopedGlobalLock lock(block.get());
        BYTE* triples = lock.as<BYTE>();
        if (triples == nullptr) return PCX_ERR_ALLOC;
        PcxErrorCode code = PCX_OK;
        if (!CollectBitmapPalette(triples, kypcx::kPaletteTrailerColors, &code, &record_, bitmap_)) return code;
        const BYTE marker = kypcx::kPaletteMarker;
        if (!WritePcxBytes(file, &marker, 1) || !WritePcxBytes(file, triples, 3 * kypcx::kPaletteTrailerColors))
            return PCX_ERR_WRITE;
        return PCX_OK;
    }

private:
    BitmapLineSource& source_;
    BITMAP record_;  // a copy: the line function is handed a pointer it may write through
    HBITMAP bitmap_;
    PcxLineCallback callback_;
};

}  // namespace

BOOL ReadBitmapRecord(HBITMAP bitmap, BITMAP* record, PcxErrorCode* error) {
    if (bitmap == nullptr || GetObjectW(bitmap, sizeof *record, record) != static_cast<int>(sizeof *record)) {
        *error = PCX_ERR_CREATE_BITMAP;
        return FALSE;
    }
    record->bmWidthBytes = DeviceLineBytes(*record);
    // The bytes of one plane of a written line: the device's line, or the
    // even width of a bitmap written as red, green and blue planes.
    const int64_t planeBytes = kypcx::WritesBitmapAsRgbPlanes(BitmapFieldsOf(*record))
                                   ? int64_t{kypcx::RgbPlaneBytes(record->bmWidth)}
                                   : int64_t{record->bmWidthBytes};
    if (record->bmWidth <= 0 || record->bmHeight <= 0 || record->bmWidth > kypcx::kMaxPcxDimension ||
        record->bmHeight > kypcx::kMaxPcxDimension || planeBytes > kypcx::kMaxPcxBytesPerLine) {
        *error = PCX_ERR_CREATE_BITMAP;
        return FALSE;
    }
    return TRUE;
}

BOOL EncodeBitmapToPcx(HBITMAP bitmap, HANDLE file, BOOL append, PcxErrorCode* error, PcxLineCallback callback,
                       ULONGLONG endLimit) {
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
    if (kypcx::WritesBitmapAsRgbPlanes(BitmapFieldsOf(record))) source.UseRgbPlanes(header.bytesPerLine);
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
    BitmapLines lines(source, record, bitmap, callback);
    return WritePcxImage(file, append, header, record.bmHeight, lines, error, endLimit);
}
