// Line-by-line reading of a device-dependent bitmap.
#include "pcx/encode/BitmapLineSource.h"

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
    return line_ != nullptr ? PCX_OK : PCX_ERR_ALLOC;
}

PcxErrorCode BitmapLineSource::PrepareReading() {
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
    if (wholeBits_ != nullptr) {
        CopyMemory(line_, wholeBits_ + static_cast<SIZE_T>(y) * lineSize(), lineSize());
        return TRUE;
    }
    BitBlt(lineContext_.get(), 0, 0, record_.bmWidth, 1, sourceContext_.get(), 0, y, SRCCOPY);
    const LONG size = static_cast<LONG>(lineSize());
    return GetBitmapBits(lineBitmap_.get(), size, line_) == size;
}
