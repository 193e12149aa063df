// Rows of pixels to PCX scan lines.
#include "kypcx/pcx_encode_planes.h"

#include <cstring>

#include "kypcx/pcx_format.h"
#include "pcx_byte_blocks.h"

namespace kypcx {

namespace {

// Where one colour channel sits in a 16- or 32-bit pixel, and how to widen
// it to 8 bits.
struct Channel {
    uint32_t mask = 0;
    uint32_t shift = 0;
    uint32_t bits = 0;

    explicit Channel(uint32_t m) : mask(m) {
        if (mask == 0) return;
        while (((mask >> shift) & 1) == 0) ++shift;
        while (shift + bits < 32 && ((mask >> (shift + bits)) & 1) != 0) ++bits;
    }

    uint8_t From(uint32_t pixel) const {
        if (bits == 0) return 0;
        const uint32_t value = (pixel & mask) >> shift;
        if (bits >= 8) return static_cast<uint8_t>(value >> (bits - 8));
        // Narrow channels repeat their bits, so full scale stays full scale
        // (5-bit 31 becomes 255).
        uint32_t wide = 0;
        uint32_t filled = 0;
        while (filled < 8) {
            wide = (wide << bits) | value;
            filled += bits;
        }
        return static_cast<uint8_t>(wide >> (filled - 8));
    }
};

#if defined(KYPCX_SSE2_BLOCKS)
// 32 pixels at a time: 96 bytes of blue-green-red in six registers go
// through five perfect shuffles (each register pair k, k + 3 interleaved
// byte by byte). A shuffle moves the byte at index p of the 96 to 2p mod 95,
// so five move 3i + c to 32 (3i + c) = 96i + 32c, which is i + 32c mod 95:
// channel c's 32 bytes in order, in registers 2c and 2c + 1. Returns the
// pixels done.
// One perfect shuffle of the 96 bytes held in v0..v5.
inline void PerfectShuffle(__m128i& v0, __m128i& v1, __m128i& v2, __m128i& v3, __m128i& v4, __m128i& v5) {
    const __m128i w0 = _mm_unpacklo_epi8(v0, v3), w1 = _mm_unpackhi_epi8(v0, v3);
    const __m128i w2 = _mm_unpacklo_epi8(v1, v4), w3 = _mm_unpackhi_epi8(v1, v4);
    const __m128i w4 = _mm_unpacklo_epi8(v2, v5), w5 = _mm_unpackhi_epi8(v2, v5);
    v0 = w0;
    v1 = w1;
    v2 = w2;
    v3 = w3;
    v4 = w4;
    v5 = w5;
}

size_t SplitBlocks(const uint8_t* row, size_t width, uint8_t* blue, uint8_t* green, uint8_t* red) {
    size_t x = 0;
    for (; x + 32 <= width; x += 32, row += 96) {
        __m128i v0 = blocks::Load(row), v1 = blocks::Load(row + 16), v2 = blocks::Load(row + 32);
        __m128i v3 = blocks::Load(row + 48), v4 = blocks::Load(row + 64), v5 = blocks::Load(row + 80);
        PerfectShuffle(v0, v1, v2, v3, v4, v5);
        PerfectShuffle(v0, v1, v2, v3, v4, v5);
        PerfectShuffle(v0, v1, v2, v3, v4, v5);
        PerfectShuffle(v0, v1, v2, v3, v4, v5);
        PerfectShuffle(v0, v1, v2, v3, v4, v5);
        blocks::Store(blue + x, v0);
        blocks::Store(blue + x + 16, v1);
        blocks::Store(green + x, v2);
        blocks::Store(green + x + 16, v3);
        blocks::Store(red + x, v4);
        blocks::Store(red + x + 16, v5);
    }
    return x;
}
#endif

void SplitTrueColor(const PcxRowLayout& layout, const uint8_t* row, uint8_t* line) {
    const size_t bpl = layout.bytesPerLine;
    uint8_t* red = line;
    uint8_t* green = line + bpl;
    uint8_t* blue = line + 2 * bpl;
    const size_t width = static_cast<size_t>(layout.width);
    switch (layout.kind) {
    case PcxRowKind::Bgr24: {
        size_t done = 0;
#if defined(KYPCX_SSE2_BLOCKS)
        done = SplitBlocks(row, width, blue, green, red);
        row += 3 * done;
#endif
        for (size_t x = done; x < width; ++x, row += 3) {
            blue[x] = row[0];
            green[x] = row[1];
            red[x] = row[2];
        }
        break;
    }
    case PcxRowKind::Masked16: {
        const Channel r(layout.masks[0]), g(layout.masks[1]), b(layout.masks[2]);
        for (size_t x = 0; x < width; ++x, row += 2) {
            const uint32_t pixel = uint32_t{row[0]} | (uint32_t{row[1]} << 8);
            red[x] = r.From(pixel);
            green[x] = g.From(pixel);
            blue[x] = b.From(pixel);
        }
        break;
    }
    default: {  // Masked32
        const Channel r(layout.masks[0]), g(layout.masks[1]), b(layout.masks[2]);
        for (size_t x = 0; x < width; ++x, row += 4) {
            const uint32_t pixel =
                uint32_t{row[0]} | (uint32_t{row[1]} << 8) | (uint32_t{row[2]} << 16) | (uint32_t{row[3]} << 24);
            red[x] = r.From(pixel);
            green[x] = g.From(pixel);
            blue[x] = b.From(pixel);
        }
        break;
    }
    }
}

// Four planes of 8 bits: red, green, blue and alpha.
void SplitBgra(const PcxRowLayout& layout, const uint8_t* row, uint8_t* line) {
    const size_t bpl = layout.bytesPerLine;
    const size_t width = static_cast<size_t>(layout.width);
    uint8_t* red = line;
    uint8_t* green = line + bpl;
    uint8_t* blue = line + 2 * bpl;
    uint8_t* alpha = line + 3 * bpl;
    for (size_t x = 0; x < width; ++x, row += 4) {
        blue[x] = row[0];
        green[x] = row[1];
        red[x] = row[2];
        alpha[x] = row[3];
    }
}

// pairBits[b], for a DIB byte b holding two 4-bit pixels (the left one
// high), has in its byte k the two pixels' bit k: the left pixel's as bit 1,
// the right one's as bit 0.
struct NibblePairBits {
    uint32_t value[256];
    NibblePairBits() {
        for (uint32_t b = 0; b < 256; ++b) {
            uint32_t v = 0;
            for (uint32_t k = 0; k < 4; ++k) v |= ((((b >> (4 + k)) & 1) << 1) | ((b >> k) & 1)) << (8 * k);
            value[b] = v;
        }
    }
};

const NibblePairBits kPairBits;

// Four planes of one bit: plane k holds bit k of each pixel's index, the
// leftmost pixel of a group of eight in the most significant bit.
void SplitNibbleGroup(const uint8_t* pair, size_t planeWidth, size_t group, uint8_t* line) {
    // Each byte lane gathers one plane's 8 bits; no lane overflows.
    const uint32_t planes = (kPairBits.value[pair[0]] << 6) | (kPairBits.value[pair[1]] << 4) |
                            (kPairBits.value[pair[2]] << 2) | kPairBits.value[pair[3]];
    for (unsigned k = 0; k < 4; ++k) line[k * planeWidth + group] = static_cast<uint8_t>(planes >> (8 * k));
}

void SplitNibbles(const PcxRowLayout& layout, const uint8_t* row, uint8_t* line) {
    const size_t planeWidth = layout.bytesPerLine;
    const size_t groups = (static_cast<size_t>(layout.width) + 7) / 8;
    // Groups of 8 pixels (4 row bytes) that lie inside what may be read; a
    // last group that reaches past it is read from a copy, zeros behind.
    const size_t whole = layout.rowBytes / 4 < groups ? static_cast<size_t>(layout.rowBytes / 4) : groups;
    for (size_t group = 0; group < whole; ++group) SplitNibbleGroup(row + 4 * group, planeWidth, group, line);
    if (whole < groups) {
        uint8_t tail[4] = {0, 0, 0, 0};
        std::memcpy(tail, row + 4 * whole, static_cast<size_t>(layout.rowBytes - 4 * whole));
        SplitNibbleGroup(tail, planeWidth, whole, line);
    }
}

// Colour indices, a byte a pixel: packed into one plane, or a bit of each
// in every plane.
void SplitIndices(const PcxRowLayout& layout, const uint8_t* row, uint8_t* line) {
    const size_t width = static_cast<size_t>(layout.width);
    const size_t bpl = layout.bytesPerLine;
    std::memset(line, 0, layout.lineSize());
    if (layout.planes == 1) {
        const uint32_t bits = layout.bitsPerPixel;
        const uint32_t mask = (1u << bits) - 1;
        for (size_t x = 0; x < width; ++x) {
            const size_t bit = x * bits;
            line[bit / 8] |= static_cast<uint8_t>((row[x] & mask) << (8 - bits - bit % 8));
        }
        return;
    }
    for (size_t x = 0; x < width; ++x) {
        const uint8_t b = static_cast<uint8_t>(0x80u >> (x % 8));
        for (uint32_t k = 0; k < layout.planes; ++k)
            if ((row[x] >> k) & 1) line[k * bpl + x / 8] |= b;
    }
}

// Zeroes the bytes of each plane from `used` to the plane's end.
void ZeroPlaneEnds(const PcxRowLayout& layout, size_t used, uint8_t* line) {
    const size_t planeWidth = layout.bytesPerLine;
    if (used >= planeWidth) return;
    for (uint32_t k = 0; k < layout.planes; ++k) std::memset(line + size_t(k) * planeWidth + used, 0, planeWidth - used);
}

}  // namespace

PcxRowLayout DibRowLayout(const DibLayout& layout) {
    PcxRowLayout rows;
    switch (layout.info.bitCount) {
    case 4: rows.kind = PcxRowKind::Nibbles; break;
    case 16: rows.kind = PcxRowKind::Masked16; break;
    case 24: rows.kind = PcxRowKind::Bgr24; break;
    case 32: rows.kind = PcxRowKind::Masked32; break;
    default: rows.kind = PcxRowKind::Copied; break;
    }
    rows.width = layout.width;
    rows.planes = static_cast<uint32_t>(layout.pcx.planes);
    rows.bytesPerLine = static_cast<uint32_t>(layout.pcx.bytesPerLine);
    rows.rowBytes = layout.rowStride;
    for (int c = 0; c < 3; ++c) rows.masks[c] = layout.channelMasks[c];
    return rows;
}

PcxRowLayout IndexRowLayout(int32_t width, uint32_t planes, uint32_t bitsPerPixel, uint32_t bytesPerLine) {
    PcxRowLayout rows;
    rows.kind = PcxRowKind::Indices;
    rows.width = width;
    rows.planes = planes;
    rows.bitsPerPixel = bitsPerPixel;
    rows.bytesPerLine = bytesPerLine;
    rows.rowBytes = width > 0 ? static_cast<uint64_t>(width) : 0;
    return rows;
}

void DibRowToBgra(const DibLayout& layout, const uint8_t* colorTable, const uint8_t* row, bool alphaInFourthByte,
                  uint8_t* bgra) {
    const size_t width = static_cast<size_t>(layout.width);
    const uint32_t bits = layout.info.bitCount;
    if (bits <= 8) {
        const uint32_t mask = (1u << bits) - 1;
        for (size_t x = 0; x < width; ++x, bgra += 4) {
            const size_t bit = x * bits;
            const uint32_t index = (row[bit / 8] >> (8 - bits - bit % 8)) & mask;
            if (index < layout.colorTableEntries) {
                std::memcpy(bgra, colorTable + 4 * size_t(index), 3);
            } else {
                bgra[0] = bgra[1] = bgra[2] = 0;
            }
            bgra[3] = 255;
        }
        return;
    }
    if (bits == 24) {
        for (size_t x = 0; x < width; ++x, bgra += 4, row += 3) {
            std::memcpy(bgra, row, 3);
            bgra[3] = 255;
        }
        return;
    }
    const Channel r(layout.channelMasks[0]), g(layout.channelMasks[1]), b(layout.channelMasks[2]);
    const bool alpha = alphaInFourthByte && bits == 32 && layout.info.compression == kDibBiRgb;
    for (size_t x = 0; x < width; ++x, bgra += 4) {
        uint32_t pixel = 0;
        if (bits == 16) {
            pixel = uint32_t{row[0]} | (uint32_t{row[1]} << 8);
            row += 2;
        } else {
            pixel = uint32_t{row[0]} | (uint32_t{row[1]} << 8) | (uint32_t{row[2]} << 16) | (uint32_t{row[3]} << 24);
            row += 4;
        }
        bgra[0] = b.From(pixel);
        bgra[1] = g.From(pixel);
        bgra[2] = r.From(pixel);
        bgra[3] = alpha ? static_cast<uint8_t>(pixel >> 24) : 255;
    }
}

PcxRowLayout BgrRowLayout(int32_t width, int32_t bytesPerLine) {
    PcxRowLayout rows;
    rows.kind = PcxRowKind::Bgr24;
    rows.width = width;
    rows.planes = 3;
    rows.bytesPerLine = static_cast<uint32_t>(bytesPerLine);
    rows.rowBytes = DibRowSize(24, width);
    return rows;
}

size_t AssemblePcxLine(const PcxRowLayout& layout, const uint8_t* row, uint8_t* line) {
    const size_t length = layout.lineSize();
    const size_t width = static_cast<size_t>(layout.width);
    switch (layout.kind) {
    case PcxRowKind::Copied: {
        const size_t copied = layout.rowBytes < length ? static_cast<size_t>(layout.rowBytes) : length;
        if (line != row) std::memcpy(line, row, copied);  // a row fetched into the line buffer is the line
        std::memset(line + copied, 0, length - copied);
        break;
    }
    case PcxRowKind::Nibbles:
        ZeroPlaneEnds(layout, (width + 7) / 8, line);
        SplitNibbles(layout, row, line);
        break;
    case PcxRowKind::Bgra32:
        ZeroPlaneEnds(layout, width, line);
        SplitBgra(layout, row, line);
        break;
    case PcxRowKind::Indices:
        SplitIndices(layout, row, line);
        break;
    default:
        ZeroPlaneEnds(layout, width, line);
        SplitTrueColor(layout, row, line);
        break;
    }
    return length;
}

}  // namespace kypcx
