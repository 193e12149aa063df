// DibView: reading pixels out of a DIB block.
#include "support/DibView.h"

namespace kypcx_test {

DibView::DibView(HGLOBAL dib) : dib_(dib), info_(dib ? static_cast<BITMAPINFOHEADER*>(GlobalLock(dib)) : nullptr) {}

DibView::~DibView() {
    if (info_ != nullptr) GlobalUnlock(dib_);
}

const BYTE* DibView::rowFromTop(int y) const {
    const BYTE* bits = reinterpret_cast<const BYTE*>(table()) + info_->biClrUsed * sizeof(RGBQUAD);
    return bits + size_t(info_->biHeight - 1 - y) * rowSize();
}

int DibView::Index(int x, int y) const {
    const BYTE* row = rowFromTop(y);
    switch (info_->biBitCount) {
    case 1: return (row[x / 8] >> (7 - x % 8)) & 1;
    case 4: return (x % 2 == 0) ? row[x / 2] >> 4 : row[x / 2] & 0x0F;
    case 8: return row[x];
    default: return -1;
    }
}

Rgb DibView::Pixel(int x, int y) const {
    if (info_->biBitCount == 24 || info_->biBitCount == 32) {
        const BYTE* p = rowFromTop(y) + (info_->biBitCount / 8) * x;
        return Rgb{p[2], p[1], p[0]};
    }
    const RGBQUAD& q = table()[Index(x, y)];
    return Rgb{q.rgbRed, q.rgbGreen, q.rgbBlue};
}

int DibView::Alpha(int x, int y) const {
    if (info_->biBitCount != 32) return -1;
    return rowFromTop(y)[4 * x + 3];
}

}  // namespace kypcx_test
