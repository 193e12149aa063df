// Line-by-line reading of a device-dependent bitmap.
#include "pcx/encode/BitmapLineSource.h"

#include "kypcx/pcx_encode_header.h"
#include "kypcx/pcx_format.h"
#include "pcx/encode/BitmapPcxHeader.h"

namespace {

using kypcx::Status;

// Rows of 24-bit colours fetched with one GetDIBits call: enough that the
// calls are few, few enough that a wide bitmap's band stays small.
constexpr uint64_t kBandBytes = 256 * 1024;

}  // namespace

BitmapLineSource::BitmapLineSource(HBITMAP bitmap, const BITMAP& record)
    : bitmap_(bitmap), record_(record), rows_(kypcx::DeviceRowLayout(BitmapFieldsOf(record))) {}

void BitmapLineSource::UseRgbPlanes(int32_t planeBytes) {
    rgbPlanes_ = true;
    rows_ = kypcx::BgrRowLayout(record_.bmWidth, planeBytes);
}

Status BitmapLineSource::CreateContexts() {
    ScopedWindowDC window(GetActiveWindow());
    sourceContext_.reset(CreateCompatibleDC(window.get()));
    if (sourceContext_.get() == nullptr) return Status::NoDeviceContext;
    lineContext_.reset(CreateCompatibleDC(window.get()));
    if (lineContext_.get() == nullptr) return Status::NoDeviceContext;
    lineBitmap_.reset(CreateBitmap(record_.bmWidth, 1, record_.bmPlanes, record_.bmBitsPixel, nullptr));
    if (!lineBitmap_) return Status::NoBitmap;
    return Status::Ok;
}

Status BitmapLineSource::AllocateLine() {
    lineBlock_.reset(GlobalAlloc(GHND, rows_.lineSize()));
    if (!lineBlock_) return Status::NoWorkingMemory;
    lineLock_ = ScopedGlobalLock(lineBlock_.get());
    line_ = lineLock_.as<BYTE>();
    if (line_ == nullptr) return Status::NoWorkingMemory;
    if (!rgbPlanes_) return Status::Ok;

    const uint64_t stride = rows_.rowBytes;
    uint64_t rows = kBandBytes / stride;
    if (rows < 1) rows = 1;
    if (rows > uint64_t(record_.bmHeight)) rows = uint64_t(record_.bmHeight);
    bandBlock_.reset(GlobalAlloc(GMEM_MOVEABLE, static_cast<SIZE_T>(rows * stride)));
    bandLock_ = ScopedGlobalLock(bandBlock_.get());
    band_ = bandLock_.as<BYTE>();
    if (band_ == nullptr) return Status::NoWorkingMemory;
    bandCapacity_ = static_cast<int>(rows);
    return Status::Ok;
}

Status BitmapLineSource::PrepareReading() {
    if (rgbPlanes_) return Status::Ok;
    if (sourceSelection_.select(sourceContext_.get(), bitmap_) &&
        lineSelection_.select(lineContext_.get(), lineBitmap_.get()))
        return Status::Ok;
    sourceSelection_.reset();
    const uint64_t size = uint64_t{rows_.lineSize()} * static_cast<uint64_t>(record_.bmHeight);
    if (size > MAXLONG) return Status::NoWorkingMemory;
    wholeBlock_.reset(GlobalAlloc(GMEM_MOVEABLE, static_cast<SIZE_T>(size)));
    wholeLock_ = ScopedGlobalLock(wholeBlock_.get());
    BYTE* whole = wholeLock_.as<BYTE>();
    if (whole == nullptr) return Status::NoWorkingMemory;
    if (GetBitmapBits(bitmap_, static_cast<LONG>(size), whole) != static_cast<LONG>(size))
        return Status::LineUnavailable;
    wholeBits_ = whole;
    return Status::Ok;
}

const BYTE* BitmapLineSource::FetchLine(int y) {
    if (rgbPlanes_) return FetchRgbRow(y);
    if (wholeBits_ != nullptr) return wholeBits_ + static_cast<SIZE_T>(y) * rows_.lineSize();
    BitBlt(lineContext_.get(), 0, 0, record_.bmWidth, 1, sourceContext_.get(), 0, y, SRCCOPY);
    const LONG size = static_cast<LONG>(rows_.lineSize());
    return GetBitmapBits(lineBitmap_.get(), size, line_) == size ? line_ : nullptr;
}

const BYTE* BitmapLineSource::FetchRgbRow(int y) {
    if (y < bandTop_ || y >= bandTop_ + bandRows_) {
        // The band from line y down: GetDIBits counts scan lines from the
        // bottom of a bottom-up DIB as tall as the bitmap.
        int rows = record_.bmHeight - y;
        if (rows > bandCapacity_) rows = bandCapacity_;
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = record_.bmWidth;
        info.bmiHeader.biHeight = record_.bmHeight;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 24;
        info.bmiHeader.biCompression = BI_RGB;
        const UINT firstScan = static_cast<UINT>(record_.bmHeight - (y + rows));
        bandRows_ = 0;
        if (GetDIBits(sourceContext_.get(), bitmap_, firstScan, static_cast<UINT>(rows), band_, &info,
                      DIB_RGB_COLORS) != rows)
            return nullptr;
        bandTop_ = y;
        bandRows_ = rows;
    }
    // The band's last stored row is its top line.
    return band_ + static_cast<SIZE_T>(bandTop_ + bandRows_ - 1 - y) * rows_.rowBytes;
}
