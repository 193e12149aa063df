// Reading a DIB block returned by the library: its header, colour table and
// pixels, and the pixel at (x, y) counted from the top as an RGB triple.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

namespace kypcx_test {

struct Rgb {
    uint8_t r, g, b;
    bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
};

class DibView {
public:
    // Locks the block for the view's life; the block stays the caller's.
    explicit DibView(HGLOBAL dib);
    ~DibView();
    DibView(const DibView&) = delete;
    DibView& operator=(const DibView&) = delete;

    bool valid() const { return info_ != nullptr; }
    const BITMAPINFOHEADER& header() const { return *info_; }
    const RGBQUAD* table() const { return reinterpret_cast<const RGBQUAD*>(reinterpret_cast<const BYTE*>(info_) + info_->biSize); }
    size_t rowSize() const { return ((info_->biBitCount * size_t(info_->biWidth) + 31) / 32) * 4; }
    // Row y counted from the top of the image.
    const BYTE* rowFromTop(int y) const;
    // The palette index (1, 4, 8 bits) of pixel (x, y from the top).
    int Index(int x, int y) const;
    // The colour of pixel (x, y from the top), through the table if any.
    Rgb Pixel(int x, int y) const;
    // The alpha of pixel (x, y from the top) of a 32-bit DIB; -1 for others.
    int Alpha(int x, int y) const;
    SIZE_T blockSize() const { return GlobalSize(dib_); }

private:
    HGLOBAL dib_;
    BITMAPINFOHEADER* info_;
};

}  // namespace kypcx_test
