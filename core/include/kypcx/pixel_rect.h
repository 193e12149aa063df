// Copying a rectangle of a decoded image into a caller's buffer, as imaging
// interfaces ask for it: the checks on the rectangle, the stride and the
// buffer's size, and the copy of one row's run of pixels, which for 1- and
// 4-bit pixels may begin inside a byte. Portable: no Windows headers, so the
// arithmetic is tested natively under the sanitizers.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kypcx {

// A rectangle of pixels: X and Y from the image's top left corner.
struct PixelRect {
    int32_t x = 0;
    int32_t y = 0;
    int32_t width = 0;
    int32_t height = 0;
};

enum class PixelRectCheck {
    Fits,
    OutsideImage,     // negative position or size, or beyond the image's edges
    StrideTooSmall,   // a row of the rectangle needs more bytes than the stride
    BufferTooSmall,   // the buffer cannot hold the rectangle's rows at that stride
};

// Bytes one row of `width` pixels of `bitsPerPixel` takes, rounded up to a
// whole byte.
inline uint64_t PixelRowBytes(uint32_t bitsPerPixel, uint32_t width) {
    return (uint64_t(bitsPerPixel) * width + 7) / 8;
}

// Whether `rect` lies inside an image of `imageWidth` x `imageHeight` and its
// rows fit a buffer of `bufferSize` bytes laid out `stride` bytes apart: row
// r of the rectangle at r x stride, the last one needing only its own bytes.
// A rectangle of no pixels fits any buffer. Computed in 64 bits.
PixelRectCheck CheckPixelRect(const PixelRect& rect, uint32_t imageWidth, uint32_t imageHeight,
                              uint32_t bitsPerPixel, uint32_t stride, uint32_t bufferSize);

// Copies `bitCount` bits of a row from bit `bitOffset` of `src` (bit 7 of
// byte 0 is the row's first bit) to the start of `dst`: (bitCount + 7) / 8
// bytes are written, and the bits of the last one behind `bitCount` are
// zero. Reads no byte of `src` beyond the bits copied.
void CopyPixelBits(const uint8_t* src, uint64_t bitOffset, uint64_t bitCount, uint8_t* dst);

}  // namespace kypcx
