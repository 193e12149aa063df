// Rectangle checks and the bit-exact copy of one row's pixels.
#include "kypcx/pixel_rect.h"

#include <cstring>

namespace kypcx {

PixelRectCheck CheckPixelRect(const PixelRect& rect, uint32_t imageWidth, uint32_t imageHeight,
                              uint32_t bitsPerPixel, uint32_t stride, uint32_t bufferSize) {
    if (rect.x < 0 || rect.y < 0 || rect.width < 0 || rect.height < 0) return PixelRectCheck::OutsideImage;
    if (uint64_t(rect.x) + uint64_t(rect.width) > imageWidth || uint64_t(rect.y) + uint64_t(rect.height) > imageHeight)
        return PixelRectCheck::OutsideImage;
    if (rect.width == 0 || rect.height == 0) return PixelRectCheck::Fits;
    const uint64_t rowBytes = PixelRowBytes(bitsPerPixel, uint32_t(rect.width));
    if (stride < rowBytes) return PixelRectCheck::StrideTooSmall;
    const uint64_t needed = uint64_t(stride) * uint64_t(rect.height - 1) + rowBytes;
    if (needed > bufferSize) return PixelRectCheck::BufferTooSmall;
    return PixelRectCheck::Fits;
}

void CopyPixelBits(const uint8_t* src, uint64_t bitOffset, uint64_t bitCount, uint8_t* dst) {
    if (bitCount == 0) return;
    const uint8_t* from = src + bitOffset / 8;
    const uint32_t shift = uint32_t(bitOffset % 8);
    const uint64_t outBytes = (bitCount + 7) / 8;
    if (shift == 0) {
        std::memcpy(dst, from, size_t(outBytes));
    } else {
        // Output byte i takes the low bits of source byte i and the high bits
        // of byte i + 1, which exists only while copied bits lie in it.
        const uint64_t lastSourceByte = (shift + bitCount - 1) / 8;
        for (uint64_t i = 0; i < outBytes; ++i) {
            const uint32_t high = uint32_t(from[i]) << shift;
            const uint32_t low = i + 1 <= lastSourceByte ? uint32_t(from[i + 1]) >> (8 - shift) : 0;
            dst[i] = uint8_t(high | low);
        }
    }
    const uint32_t tail = uint32_t(bitCount % 8);
    if (tail != 0) dst[outBytes - 1] &= uint8_t(0xFF00u >> tail);
}

}  // namespace kypcx
