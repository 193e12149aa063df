// Turning one row of pixels into one PCX scan line: 24-, 16- and 32-bit
// pixels split into red, green and blue planes of bytes (and alpha, for
// blue-green-red-alpha pixels); 4-bit pixels split into four planes of one
// bit; rows that are already scan lines (1- and 8-bit rows, a device's
// lines) copied as they are.
// Portable: no Windows headers.
#pragma once

#include <cstddef>
#include <cstdint>

#include "kypcx/dib_layout.h"

namespace kypcx {

// What a row holds, and so how it becomes a scan line.
enum class PcxRowKind : uint8_t {
    Copied,    // the scan line itself: its first planes x bytesPerLine bytes
    Nibbles,   // 4-bit pixels, two a byte, the left one high: four planes of one bit
    Bgr24,     // blue, green, red bytes: red, green and blue planes
    Masked16,  // 16-bit little-endian pixels, channels where `masks` say: three planes
    Masked32,  // 32-bit pixels likewise
    Bgra32,    // blue, green, red, alpha bytes: red, green, blue and alpha planes
    Indices,   // a colour index a byte: packed at bitsPerPixel bits into one plane,
               // or one bit of it in each of several planes of one bit
};

// How the rows a writer is given become its scan lines.
struct PcxRowLayout {
    PcxRowKind kind = PcxRowKind::Copied;
    int32_t width = 0;          // pixels
    uint32_t planes = 1;
    uint32_t bytesPerLine = 0;  // of each plane
    // Bytes of a row that may be read. A DIB's rows are padded to 32 bits, so
    // its last group of 4-bit pixels is read whole; a row of exactly its
    // pixels is read no further, what a line needs beyond it taken as zero.
    uint64_t rowBytes = 0;
    uint32_t masks[3] = {0, 0, 0};  // red, green, blue of Masked16 and Masked32 pixels
    uint32_t bitsPerPixel = 8;      // of each plane, for Indices rows: 1, 2, 4 or 8

    uint32_t lineSize() const { return planes * bytesPerLine; }
};

// The rows of a checked DIB: its depth's kind, its masks, and the whole
// padded row readable.
PcxRowLayout DibRowLayout(const DibLayout& layout);

// Rows of `width` 24-bit pixels (blue, green, red) as three planes of
// `bytesPerLine` bytes: how the rows of a true-colour device bitmap, taken
// from GDI as 24-bit DIB rows, become scan lines.
PcxRowLayout BgrRowLayout(int32_t width, int32_t bytesPerLine);

// Rows of `width` colour indices, a byte each, as `planes` planes of
// `bitsPerPixel` bits and `bytesPerLine` bytes: one plane of 1, 2, 4 or 8
// bits (the leftmost pixel in the high bits), or 2 to 4 planes of one bit,
// plane k holding bit k of each index. Only the index's low planes x
// bitsPerPixel bits are written.
PcxRowLayout IndexRowLayout(int32_t width, uint32_t planes, uint32_t bitsPerPixel, uint32_t bytesPerLine);

// One row of a checked DIB (stored row `row`, its rowStride bytes; the
// block's colour table at `colorTable`) as `width` pixels of blue, green,
// red and alpha. Indexed pixels take their table's colours (black past its
// end); 16- and 32-bit pixels their masks' channels. Alpha is 255 except for
// 32-bit BI_RGB rows when `alphaInFourthByte`, which give their fourth byte.
void DibRowToBgra(const DibLayout& layout, const uint8_t* colorTable, const uint8_t* row, bool alphaInFourthByte,
                  uint8_t* bgra);

// Writes the scan line for `row` into `line`, which holds layout.lineSize()
// bytes; each plane takes bytesPerLine bytes, plane after plane. Bytes of a
// plane beyond the image's width are 0, except where the row itself
// supplies them (copied rows, and the last group of 4-bit pixels, are taken
// as stored, as far as rowBytes reaches). Returns the line's length.
size_t AssemblePcxLine(const PcxRowLayout& layout, const uint8_t* row, uint8_t* line);
inline size_t AssemblePcxLine(const DibLayout& layout, const uint8_t* row, uint8_t* line) {
    return AssemblePcxLine(DibRowLayout(layout), row, line);
}

}  // namespace kypcx
