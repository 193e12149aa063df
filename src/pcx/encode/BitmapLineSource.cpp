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
    line_ = static_cast<BYTE*>(lineBlock_.lock());
    return line_ != nullptr ? PCX_OK : PCX_ERR_ALLOC;
}

BOOL BitmapLineSource::SelectBitmaps() {
    return sourceSelection_.select(sourceContext_.get(), bitmap_) &&
           lineSelection_.select(lineContext_.get(), lineBitmap_.get());
}

BOOL BitmapLineSource::FetchLine(int y) {
    BitBlt(lineContext_.get(), 0, 0, record_.bmWidth, 1, sourceContext_.get(), 0, y, SRCCOPY);
    const LONG size = static_cast<LONG>(lineSize());
    return GetBitmapBits(lineBitmap_.get(), size, line_) == size;
}
