// What the file painter accepts and how it turns one decoded scan line into
// colour indices. The painter reads bits per pixel from nowhere: one plane is
// one bit per pixel, four planes are the 16-colour layout, and any other
// plane count paints in colour 0. Portable, so it is tested natively.
#pragma once

#include <cstdint>

#include "KyPcxTypes.h"

namespace kypcx {

// The shape of an image the painter will paint.
struct PcxPaintLayout {
    int32_t width = 0;
    int32_t height = 0;
    uint32_t planes = 0;
    uint32_t bytesPerLine = 0;     // per plane, as stored
    uint32_t encodedLineSize = 0;  // planes x bytes per line: one decoded scan line
};

// Fills `layout` and returns true for a header that can describe a picture;
// false for one that is not a PCX header (version not 0, 2..5, or an
// encoding byte that is neither run-length coding nor a colour-space code
// 10..17) or whose sizes cannot mean an image: width or height below 1, no
// planes, or bytes per line below 1 or too few to hold one bit per pixel.
// Every accepted size is bounded by the 16-bit header fields (a line of at
// most 255 x 32767 bytes, a row of at most 65536 pixels), so nothing the
// painter allocates can grow beyond that.
bool PlanPcxPaint(const PcxHeader& header, PcxPaintLayout* layout);

// Writes the colour index (0..15) of pixels 0 .. width - 1 of one decoded
// scan line (plane k at line + k x bytesPerLine) into indices[0 .. width).
// One plane: one bit a pixel, most significant bit first. Four planes: plane
// k gives bit k of the index. Other plane counts: every index 0.
void PaintRowIndices(const PcxPaintLayout& layout, const uint8_t* line, uint8_t* indices);

}  // namespace kypcx
