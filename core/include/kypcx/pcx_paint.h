// What the file painter accepts and how it turns one decoded scan line into
// colour indices. The painter's header is checked by the one header check
// with rules of its own: any number of planes, each plane one bit of a
// pixel's colour, the bits per pixel not read. One plane is one bit per
// pixel, four planes are the 16-colour layout, and any other plane count
// paints in colour 0. Portable, so it is tested natively.
#pragma once

#include <cstdint>

#include "KyPcxTypes.h"
#include "kypcx/pcx_decode.h"

namespace kypcx {

// The painter's header rules: run-length coded lines (non-RGB images'
// colour-space codes 10..17 too), any number of planes. With PlanPcxDecode
// they refuse a header that is not a PCX header or whose sizes cannot mean
// an image: width or height below 1, no planes, or bytes per line below 1 or
// too few to hold one bit per pixel. Every accepted size is bounded by the
// 16-bit header fields (a line of at most 255 x 32767 bytes, a row of at most
// 65536 pixels), so nothing the painter allocates can grow beyond that.
inline PcxHeaderRules PainterHeaderRules() {
    PcxHeaderRules rules;
    rules.colorSpaceCodes = true;
    rules.layouts = PcxLayoutSet::AnyPlanes;
    return rules;
}

// Checks a header with the painter's rules and fills `layout`; false when
// the painter cannot paint it.
bool PlanPcxPaint(const PcxHeader& header, PcxDecodeLayout* layout);

// Writes the colour index (0..15) of pixels 0 .. width - 1 of one decoded
// scan line (plane k at line + k x bytesPerLine) into indices[0 .. width).
// One plane: one bit a pixel, most significant bit first. Four planes: plane
// k gives bit k of the index. Other plane counts: every index 0.
void PaintRowIndices(const PcxDecodeLayout& layout, const uint8_t* line, uint8_t* indices);

}  // namespace kypcx
