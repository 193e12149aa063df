// Converting the planes of one decoded scan line into a DIB row.
#include <cstring>

#include "kypcx/pcx_decode.h"

namespace kypcx {

namespace {

// spread[b] puts bit 7 - i of b into the low bit of nibble i, counted from
// the most significant nibble: the 8 pixels of a plane byte, left pixel
// first, as they sit in four bytes of a 4-bit DIB row read as big-endian.
struct NibbleSpread {
    uint32_t value[256];
    NibbleSpread() {
        for (uint32_t b = 0; b < 256; ++b) {
            uint32_t v = 0;
            for (uint32_t i = 0; i < 8; ++i)
                if (b & (0x80u >> i)) v |= 1u << (28 - 4 * i);
            value[b] = v;
        }
    }
};

const NibbleSpread kSpread;

void AssembleFourPlanes(const PcxDecodeLayout& layout, const uint8_t* planes, uint8_t* row) {
    const uint8_t* p0 = planes;
    const uint8_t* p1 = planes + layout.bytesPerLine;
    const uint8_t* p2 = planes + 2 * size_t(layout.bytesPerLine);
    const uint8_t* p3 = planes + 3 * size_t(layout.bytesPerLine);
    // planeBytesUsed = ceil(width / 8); four row bytes per plane byte.
    for (uint32_t g = 0; g < layout.planeBytesUsed; ++g) {
        const uint32_t v = kSpread.value[p0[g]] | (kSpread.value[p1[g]] << 1) | (kSpread.value[p2[g]] << 2) |
                           (kSpread.value[p3[g]] << 3);
        row[4 * g + 0] = static_cast<uint8_t>(v >> 24);
        row[4 * g + 1] = static_cast<uint8_t>(v >> 16);
        row[4 * g + 2] = static_cast<uint8_t>(v >> 8);
        row[4 * g + 3] = static_cast<uint8_t>(v);
    }
}

void AssembleThreePlanes(const PcxDecodeLayout& layout, const uint8_t* planes, uint8_t* row) {
    const uint8_t* red = planes;
    const uint8_t* green = planes + layout.bytesPerLine;
    const uint8_t* blue = planes + 2 * size_t(layout.bytesPerLine);
    const uint32_t width = static_cast<uint32_t>(layout.width);
    for (uint32_t x = 0; x < width; ++x) {
        row[3 * x + 0] = blue[x];
        row[3 * x + 1] = green[x];
        row[3 * x + 2] = red[x];
    }
}

}  // namespace

void AssemblePcxRow(const PcxDecodeLayout& layout, const uint8_t* planes, uint8_t* row) {
    size_t written;
    if (layout.planes == 1) {
        written = layout.planeBytesUsed;
        std::memcpy(row, planes, written);
    } else if (layout.planes == 3) {
        AssembleThreePlanes(layout, planes, row);
        written = 3 * size_t(static_cast<uint32_t>(layout.width));
    } else {
        AssembleFourPlanes(layout, planes, row);
        written = 4 * size_t(layout.planeBytesUsed);
    }
    if (written < layout.rowSize) std::memset(row + written, 0, layout.rowSize - written);
}

}  // namespace kypcx
