// Turning one DIB row into one PCX scan line: 24-, 16- and 32-bit pixels
// split into red, green and blue planes of bytes; 4-bit pixels split into
// four planes of one bit; 1- and 8-bit rows copied as they are.
// Portable: no Windows headers.
#pragma once

#include <cstddef>
#include <cstdint>

#include "kypcx/dib_layout.h"

namespace kypcx {

// Writes the scan line for `row` (one DIB row of `layout`, rowStride bytes)
// into `line`, which holds layout.encodedLineSize bytes; each plane takes
// bytesPerLine bytes, plane after plane. Bytes of a plane beyond the image's
// width are 0, except where the DIB row itself supplies them (1- and 8-bit
// rows, and the last group of a 4-bit row, are taken as stored). Returns
// the line's length, encodedLineSize.
size_t AssemblePcxLine(const DibLayout& layout, const uint8_t* row, uint8_t* line);

// The layout of rows of `width` 24-bit pixels (blue, green, red) written as
// three planes of `bytesPerLine` bytes: how the rows of a true-colour device
// bitmap, taken from GDI as 24-bit DIB rows, become scan lines.
DibLayout BgrRowLayout(int32_t width, int32_t bytesPerLine);

}  // namespace kypcx
