// Line-by-line reading of a device-dependent bitmap.
#include "pcx/encode/BitmapLineSource.h"

#include "kypcx/pcx_encode_planes.h"

namespace {

// Rows of 24-bit colours fetched with one GetDIBits call: enough that the
// calls are few, few enough that a wide bitmap's band stays small.
constexpr uint64_t kBandBytes = 256 * 1024;

}  // namespace

void BitmapLineSource::UseRgbPlanes(int32_t planeBytes) {
    rgbPlanes_ = true;
    rgbLayout_ = kypcx::BgrRowLayout(record_.bmWidth, planeBytes);
}

DWORD BitmapLineSource::lineSize() const {
    if (rgbPlanes_) return rgbLayout_.encodedLineSize;
    return static_cast<DWORD>(record_.bmPlanes) * static_cast<DWORD>(record_.bmWidthBytes);
}

PcxErrorCode BitmapLineSource::CreateContexts() {
    ScopedWindowDC window(GetActiveWindow());
    sourceContext_.reset(CreateCompatibleDC(window.get()));
    if (sourceContext_.get() == nullptr) return PCX_ERR_COMPATIBLE_DC;
    lineContext_.reset(CreateCompatibleDC(window.get()));
    if (lineContext_.get() == nullptr) return PCX_ERR_COMPATIBLE_DC;
    lineBitmap_.reset(CreateBitmap(record_.bmWidth, 1, record_.bmPlanes, record_.bmBitsPixel, nullptr));
    if (!lineBitmap_) return PCX_ERR_CREATE_BITMAP;
    return PCX_OK;
}

PcxErrorCode BitmapLineSource::AllocateLine() {
    lineBlock_.reset(GlobalAlloc(GHND, lineSize()));
    if (!lineBlock_) return PCX_ERR_ALLOC;
    lineLock_ = ScopedGlobalLock(lineBlock_.get());
    line_ = lineLock_.as<BYTE>();
    if (line_ == nullptr) return PCX_ERR_ALLOC;
    if (!rgbPlanes_) return PCX_OK;

    const uint64_t stride = rgbLayout_.rowStride;
    uint64_t rows = kBandBytes / stride;
    if (rows < 1) rows = 1;
    if (rows > uint64_t(record_.bmHeight)) rows = uint64_t(record_.bmHeight);
    bandBlock_.reset(GlobalAlloc(GMEM_MOVEABLE, static_cast<SIZE_T>(rows * stride)));
    bandLock_ = ScopedGlobalLock(bandBlock_.get());
    band_ = bandLock_.as<BYTE>();
    if (band_ == nullptr) return PCX_ERR_ALLOC;
    bandCapacity_ = static_cast<int>(rows);
    return PCX_OK;
}

PcxErrorCode BitmapLineSource::PrepareReading() {
    if (rgbPlanes_) return PCX_OK;
    if (sourceSelection_.select(sourceContext_.get(), bitmap_) &&
        lineSelection_.select(lineContext_.get(), lineBitmap_.get()))
        return PCX_OK;
    sourceSelection_.reset();
    const uint64_t size = uint64_t{lineSize()} * static_cast<uint64_t>(record_.bmHeight);
    if (size > MAXLONG) return PCX_ERR_ALLOC;
    wholeBlock_.reset(GlobalAlloc(GMEM_MOVEABLE, static_cast<SIZE_T>(size)));
    wholeLock_ = ScopedGlobalLock(wholeBlock_.get());
    BYTE* whole = wholeLock_.as<BYTE>();
    if (whole == nullptr) return PCX_ERR_ALLOC;
    if (GetBitmapBits(bitmap_, static_cast<LONG>(size), whole) != static_cast<LONG>(size)) return PCX_ERR_ENCODING;
    wholeBits_ = whole;
    return PCX_OK;
}

BOOL BitmapLineSource::FetchLine(int y) {
    if (rgbPlanes_) return FetchRgbLine(y);
    if (wholeBits_ != nullptr) {
        CopyMemory(line_, wholeBits_ + static_cast<SIZE_T>(y) * lineSize(), lineSize());
        return TRUE;
    }
    BitBlt(lineContext_.get(), 0, 0, record_.bmWidth, 1, sourceContext_.get(), 0, y, SRCCOPY);
    const LONG size = static_cast<LONG>(lineSize());
    return GetBitmapBits(lineBitmap_.get(), size, line_) == size;
}

BOOL BitmapLineSource::FetchRgbLine(int y) {
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
            return FALSE;
        bandTop_ = y;
        bandRows_ = rows;
    }
    // The band's last stored row is its top line.
    const BYTE* row = band_ + static_cast<SIZE_T>(bandTop_ + bandRows_ - 1 - y) * rgbLayout_.rowStride;
    kypcx::AssemblePcxLine(rgbLayout_, row, line_);
    return TRUE;
}
