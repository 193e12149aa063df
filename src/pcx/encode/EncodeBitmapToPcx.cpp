// EncodeBitmapToPcx: a device-dependent bitmap, line by line, into a file.
#include "pcx/encode/EncodeBitmapToPcx.h"

#include <cstring>

#include "kypcx/dib_layout.h"
#include "kypcx/pcx_encode_header.h"
#include "kypcx/pcx_format.h"
#include "pcx/encode/BitmapLineSource.h"
#include "pcx/encode/BitmapPcxHeader.h"
#include "pcx/encode/WritePcxImage.h"
#include "win/HandleGuards.h"

namespace {

using kypcx::Status;

// The lines of a device bitmap, fetched one at a time, and the display's
// colours as the trailer.
class BitmapLines : public PcxImageLines {
public:
    BitmapLines(BitmapLineSource& source, const BITMAP& record, HBITMAP bitmap, PcxLineCallback callback)
        : source_(source), record_(record), bitmap_(bitmap), callback_(callback) {}

    // After a line that could not be had or written, the line function is
    // called once more with a null line and counts of 0.
    Status WriteLine(int32_t lineFromTop, kypcx::PcxImageWriter& image) override {
        const BYTE* row = source_.FetchLine(lineFromTop);
        const Status written = row == nullptr ? Status::LineUnavailable : image.WriteRows(row, 0, 1);
        if (written != Status::Ok) {
            if (callback_ != nullptr) callback_(nullptr, 0, 0, source_.lineBitmap(), source_.sourceContext(), &record_);
            return written;
        }
        if (callback_ != nullptr && !callback_(image.line(), record_.bmHeight - 1 - lineFromTop, 1,
                                               source_.lineBitmap(), source_.sourceContext(), &record_))
            return Status::StoppedByLineFunction;
        return Status::Ok;
    }

    Status TrailerColors(uint8_t* colors) override {
        ScopedGlobal block(GlobalAlloc(GHND, 3 * kypcx::kPaletteTrailerColors));
        ScopedGlobalLock lock(block.get());
        BYTE* triples = lock.as<BYTE>();
        if (triples == nullptr) return Status::NoWorkingMemory;
        const Status collected = CollectBitmapPalette(triples, kypcx::kPaletteTrailerColors, &record_, bitmap_);
        if (collected == Status::Ok) std::memcpy(colors, triples, 3 * kypcx::kPaletteTrailerColors);
        return collected;
    }

private:
    BitmapLineSource& source_;
    BITMAP record_;  // a copy: the line function is handed a pointer it may write through
    HBITMAP bitmap_;
    PcxLineCallback callback_;
};

}  // namespace

Status ReadBitmapRecord(HBITMAP bitmap, BITMAP* record) {
    if (bitmap == nullptr || GetObjectW(bitmap, sizeof *record, record) != static_cast<int>(sizeof *record))
        return Status::NoBitmap;
    record->bmWidthBytes = DeviceLineBytes(*record);
    // The bytes of one plane of a written line: the device's line, or the
    // even width of a bitmap written as red, green and blue planes.
    const int64_t planeBytes = kypcx::WritesBitmapAsRgbPlanes(BitmapFieldsOf(*record))
                                   ? int64_t{kypcx::RgbPlaneBytes(record->bmWidth)}
                                   : int64_t{record->bmWidthBytes};
    if (record->bmWidth <= 0 || record->bmHeight <= 0 || record->bmWidth > kypcx::kMaxPcxDimension ||
        record->bmHeight > kypcx::kMaxPcxDimension || planeBytes > kypcx::kMaxPcxBytesPerLine)
        return Status::NoBitmap;
    return Status::Ok;
}

Status EncodeBitmapToPcx(HBITMAP bitmap, HANDLE file, BOOL append, PcxLineCallback callback, ULONGLONG endLimit) {
    BITMAP record;
    Status status = ReadBitmapRecord(bitmap, &record);
    if (status != Status::Ok) return status;

    BitmapLineSource source(bitmap, record);
    status = source.CreateContexts();
    if (status != Status::Ok) return status;
    PcxHeader header;
    std::memset(&header, 0, sizeof header);
    status = BuildBitmapPcxHeader(&header, &record, bitmap);
    if (status != Status::Ok) return status;
    if (kypcx::WritesBitmapAsRgbPlanes(BitmapFieldsOf(record))) source.UseRgbPlanes(header.bytesPerLine);
    status = source.AllocateLine();
    if (status == Status::Ok) status = source.PrepareReading();
    if (status != Status::Ok) return status;
    BitmapLines lines(source, record, bitmap, callback);
    return WritePcxImage(file, append, header, source.rows(), record.bmHeight, source.line(), lines, endLimit);
}
