// Turning the planes of one decoded PCX scan line into a DIB row.
// Portable: no Windows headers.
#pragma once

#include <cstdint>

namespace kypcx {

struct PcxDecodeLayout;

// Converts the planes of one decoded scan line (plane k at
// planes + k x bytesPerLine) into one DIB row of layout.rowSize bytes.
// Reads only planeBytesUsed bytes of each plane; padding bytes of the row
// are zero.
void AssemblePcxRow(const PcxDecodeLayout& layout, const uint8_t* planes, uint8_t* row);

}  // namespace kypcx
