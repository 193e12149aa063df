// Converting the planes of one decoded scan line into a DIB row.
#include <cstring>

#include "kypcx/pcx_decode.h"
#include "pcx_byte_blocks.h"

namespace kypcx {

namespace {

// spread[b] places the 8 pixels of a plane byte b (left pixel in bit 7) as
// the low bits of the 8 nibbles of a little-endian 32-bit word laid out as a
// 4-bit DIB row: pixel 0 in the high nibble of byte 0, pixel 1 in its low
// nibble, pixel 2 in the high nibble of byte 1, and so on.
struct NibbleSpread {
    uint32_t value[256];
    NibbleSpread() {
        for (uint32_t b = 0; b < 256; ++b) {
            uint32_t v = 0;
            for (uint32_t i = 0; i < 8; ++i)
                if (b & (0x80u >> i)) v |= 1u << (8 * (i / 2) + (i % 2 == 0 ? 4 : 0));
            value[b] = v;
        }
    }
};

const NibbleSpread kSpread;

#if defined(KYPCX_SSE2_BLOCKS)
// Exchanges the bits of each 32-bit lane at the positions in `mask` with
// those `delta` places above them.
template <int delta>
inline __m128i SwapBits(__m128i x, uint32_t mask) {
    const __m128i t = _mm_and_si128(_mm_xor_si128(_mm_srli_epi32(x, delta), x), _mm_set1_epi32(static_cast<int>(mask)));
    return _mm_xor_si128(_mm_xor_si128(x, t), _mm_slli_epi32(t, delta));
}

// Four pixels-by-planes words at once: a lane holds plane k's byte in its
// byte k, so bit 8k + (7 - x) is plane k of pixel x; the row wants that bit
// at 8(x / 2) + 4(1 - x % 2) + k. Numbering the bits of a position as
// fields (1 - x % 2 : 1 bit, 3 - x / 2 : 2 bits, k : 2 bits), from the
// lowest, the move is to (k, 1 - x % 2, 3 - x / 2): the two upper fields
// are exchanged, then the lowest two rotated, four exchanges of position
// bits in all; reversing the lane's bytes then turns 3 - x / 2 into x / 2.
inline __m128i PlanesToNibbles(__m128i x) {
    x = SwapBits<6>(x, 0x00CC00CCu);   // position bits 1 and 3
    x = SwapBits<12>(x, 0x0000F0F0u);  // position bits 2 and 4
    x = SwapBits<1>(x, 0x22222222u);   // position bits 0 and 1
    x = SwapBits<2>(x, 0x0C0C0C0Cu);   // position bits 1 and 2
    x = _mm_shufflehi_epi16(_mm_shufflelo_epi16(x, _MM_SHUFFLE(2, 3, 0, 1)), _MM_SHUFFLE(2, 3, 0, 1));
    return _mm_or_si128(_mm_slli_epi16(x, 8), _mm_srli_epi16(x, 8));
}

// 16 bytes of each plane (128 pixels) at a time into 64 row bytes. Returns
// the plane bytes done.
uint32_t AssembleFourPlaneBlocks(const uint8_t* p0, const uint8_t* p1, const uint8_t* p2, const uint8_t* p3,
                                 uint32_t planeBytes, uint8_t* row) {
    uint32_t g = 0;
    for (; g + blocks::kBlockSize <= planeBytes; g += blocks::kBlockSize) {
        const __m128i b0 = blocks::Load(p0 + g), b1 = blocks::Load(p1 + g);
        const __m128i b2 = blocks::Load(p2 + g), b3 = blocks::Load(p3 + g);
        const __m128i low01 = _mm_unpacklo_epi8(b0, b1), high01 = _mm_unpackhi_epi8(b0, b1);
        const __m128i low23 = _mm_unpacklo_epi8(b2, b3), high23 = _mm_unpackhi_epi8(b2, b3);
        uint8_t* out = row + 4 * size_t(g);
        blocks::Store(out, PlanesToNibbles(_mm_unpacklo_epi16(low01, low23)));
        blocks::Store(out + 16, PlanesToNibbles(_mm_unpackhi_epi16(low01, low23)));
        blocks::Store(out + 32, PlanesToNibbles(_mm_unpacklo_epi16(high01, high23)));
        blocks::Store(out + 48, PlanesToNibbles(_mm_unpackhi_epi16(high01, high23)));
    }
    return g;
}
#endif

// Planes beyond the image's (2 or 3 planes of 1 bit) read as zeros: the
// pixel's index simply has no bits there.
const uint8_t kNoPlane[kMaxPlaneBytes + blocks::kBlockSize] = {};

// 2, 3 or 4 planes of 1 bit into a 4-bit row: plane k gives bit k of each
// pixel's index.
void AssembleOneBitPlanes(const PcxDecodeLayout& layout, const uint8_t* planes, uint8_t* row) {
    const uint8_t* p[4];
    for (uint32_t k = 0; k < 4; ++k) p[k] = k < layout.planes ? planes + k * size_t(layout.bytesPerLine) : kNoPlane;
    // planeBytesUsed = ceil(width / 8); four row bytes per plane byte.
    uint32_t g = 0;
#if defined(KYPCX_SSE2_BLOCKS)
    g = AssembleFourPlaneBlocks(p[0], p[1], p[2], p[3], layout.planeBytesUsed, row);
#endif
    for (; g < layout.planeBytesUsed; ++g) {
        const uint32_t v = kSpread.value[p[0][g]] | (kSpread.value[p[1][g]] << 1) | (kSpread.value[p[2][g]] << 2) |
                           (kSpread.value[p[3][g]] << 3);
        std::memcpy(row + 4 * size_t(g), &v, 4);  // the host is little-endian
    }
}

// twoBitPixels[b]: the four 2-bit pixels of byte b (leftmost in the top bits)
// as the two bytes of a 4-bit row, in memory order.
struct TwoBitSpread {
    uint16_t value[256];
    TwoBitSpread() {
        for (uint32_t b = 0; b < 256; ++b) {
            const uint32_t first = ((b >> 6) & 3) << 4 | ((b >> 4) & 3);
            const uint32_t second = ((b >> 2) & 3) << 4 | (b & 3);
            value[b] = static_cast<uint16_t>(first | second << 8);
        }
    }
};

const TwoBitSpread kTwoBitSpread;

// One plane of 2-bit pixels into a 4-bit row: each plane byte gives two row
// bytes.
void AssembleTwoBitPixels(const PcxDecodeLayout& layout, const uint8_t* plane, uint8_t* row) {
    for (uint32_t g = 0; g < layout.planeBytesUsed; ++g) std::memcpy(row + 2 * size_t(g), &kTwoBitSpread.value[plane[g]], 2);
}

#if defined(KYPCX_SSE2_BLOCKS)
// 16 pixels at a time: bytes of blue and green paired, red beside a zero,
// the pairs widened to 32-bit pixels blue-green-red-0, each 64-bit lane's
// two pixels packed into its low 6 bytes, and the lanes stored 6 bytes apart
// as 8-byte stores, so the last store reaches 2 bytes past the 16th pixel.
// Returns the pixels done.
size_t InterleaveBlocks(const uint8_t* red, const uint8_t* green, const uint8_t* blue, size_t width, uint8_t* row) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i firstPixel = _mm_set_epi32(0, 0x00FFFFFF, 0, 0x00FFFFFF);
    size_t x = 0;
    for (; x + blocks::kBlockSize + 1 <= width; x += blocks::kBlockSize) {
        const __m128i r = blocks::Load(red + x);
        const __m128i g = blocks::Load(green + x);
        const __m128i b = blocks::Load(blue + x);
        const __m128i bgLow = _mm_unpacklo_epi8(b, g);
        const __m128i bgHigh = _mm_unpackhi_epi8(b, g);
        const __m128i r0Low = _mm_unpacklo_epi8(r, zero);
        const __m128i r0High = _mm_unpackhi_epi8(r, zero);
        const __m128i pixels[4] = {_mm_unpacklo_epi16(bgLow, r0Low), _mm_unpackhi_epi16(bgLow, r0Low),
                                   _mm_unpacklo_epi16(bgHigh, r0High), _mm_unpackhi_epi16(bgHigh, r0High)};
        uint8_t* out = row + 3 * x;
        for (const __m128i& p : pixels) {
            const __m128i packed =
                _mm_or_si128(_mm_and_si128(p, firstPixel), _mm_slli_epi64(_mm_srli_epi64(p, 32), 24));
            _mm_storel_epi64(reinterpret_cast<__m128i*>(out), packed);
            _mm_storel_epi64(reinterpret_cast<__m128i*>(out + 6), _mm_srli_si128(packed, 8));
            out += 12;
        }
    }
    return x;
}
#endif

void AssembleThreePlanes(const PcxDecodeLayout& layout, const uint8_t* planes, uint8_t* row) {
    const uint8_t* red = planes;
    const uint8_t* green = planes + layout.bytesPerLine;
    const uint8_t* blue = planes + 2 * size_t(layout.bytesPerLine);
    const size_t width = static_cast<uint32_t>(layout.width);
    size_t x = 0;
#if defined(KYPCX_SSE2_BLOCKS)
    x = InterleaveBlocks(red, green, blue, width, row);
#endif
    for (; x < width; ++x) {
        row[3 * x + 0] = blue[x];
        row[3 * x + 1] = green[x];
        row[3 * x + 2] = red[x];
    }
}

#if defined(KYPCX_SSE2_BLOCKS)
// 16 pixels at a time: blue with green and red with alpha paired byte by
// byte, the pairs joined into 32-bit pixels blue-green-red-alpha. Returns
// the pixels done.
size_t InterleaveFourBlocks(const uint8_t* red, const uint8_t* green, const uint8_t* blue, const uint8_t* alpha,
                            size_t width, uint8_t* row) {
    size_t x = 0;
    for (; x + blocks::kBlockSize <= width; x += blocks::kBlockSize) {
        const __m128i r = blocks::Load(red + x), g = blocks::Load(green + x);
        const __m128i b = blocks::Load(blue + x), a = blocks::Load(alpha + x);
        const __m128i bgLow = _mm_unpacklo_epi8(b, g), bgHigh = _mm_unpackhi_epi8(b, g);
        const __m128i raLow = _mm_unpacklo_epi8(r, a), raHigh = _mm_unpackhi_epi8(r, a);
        uint8_t* out = row + 4 * x;
        blocks::Store(out, _mm_unpacklo_epi16(bgLow, raLow));
        blocks::Store(out + 16, _mm_unpackhi_epi16(bgLow, raLow));
        blocks::Store(out + 32, _mm_unpacklo_epi16(bgHigh, raHigh));
        blocks::Store(out + 48, _mm_unpackhi_epi16(bgHigh, raHigh));
    }
    return x;
}
#endif

// Red, green, blue and alpha planes into a 32-bit row of blue, green, red,
// alpha.
void AssembleFourBytePlanes(const PcxDecodeLayout& layout, const uint8_t* planes, uint8_t* row) {
    const uint8_t* red = planes;
    const uint8_t* green = planes + layout.bytesPerLine;
    const uint8_t* blue = planes + 2 * size_t(layout.bytesPerLine);
    const uint8_t* alpha = planes + 3 * size_t(layout.bytesPerLine);
    const size_t width = static_cast<uint32_t>(layout.width);
    size_t x = 0;
#if defined(KYPCX_SSE2_BLOCKS)
    x = InterleaveFourBlocks(red, green, blue, alpha, width, row);
#endif
    for (; x < width; ++x) {
        row[4 * x + 0] = blue[x];
        row[4 * x + 1] = green[x];
        row[4 * x + 2] = red[x];
        row[4 * x + 3] = alpha[x];
    }
}

// Pixels of blue, green, red and an unused byte into a 24-bit row: the
// fourth byte of each is dropped.
void AssembleFourBytePixels(const PcxDecodeLayout& layout, const uint8_t* plane, uint8_t* row) {
    const size_t width = static_cast<uint32_t>(layout.width);
    for (size_t x = 0; x < width; ++x) {
        row[3 * x + 0] = plane[4 * x + 0];
        row[3 * x + 1] = plane[4 * x + 1];
        row[3 * x + 2] = plane[4 * x + 2];
    }
}

}  // namespace

void AssemblePcxRow(const PcxDecodeLayout& layout, const uint8_t* planes, uint8_t* row) {
    size_t written = 0;
    switch (layout.pixels) {
    case PcxPixels::Mono:
    case PcxPixels::Packed4:
    case PcxPixels::Indexed8:
    case PcxPixels::PackedBgr:
        // Already a DIB row's layout: copied as it is.
        written = layout.planeBytesUsed;
        std::memcpy(row, planes, written);
        break;
    case PcxPixels::PackedBgrx:
        AssembleFourBytePixels(layout, planes, row);
        written = 3 * size_t(static_cast<uint32_t>(layout.width));
        break;
    case PcxPixels::Packed2:
        AssembleTwoBitPixels(layout, planes, row);
        written = 2 * size_t(layout.planeBytesUsed);
        break;
    case PcxPixels::Planar:
        AssembleOneBitPlanes(layout, planes, row);
        written = 4 * size_t(layout.planeBytesUsed);
        break;
    case PcxPixels::PlanarRgb:
        AssembleThreePlanes(layout, planes, row);
        written = 3 * size_t(static_cast<uint32_t>(layout.width));
        break;
    case PcxPixels::PlanarRgba:
        AssembleFourBytePlanes(layout, planes, row);
        written = 4 * size_t(static_cast<uint32_t>(layout.width));
        break;
    case PcxPixels::PaintOnly:
        break;
    }
    if (written < layout.rowSize) std::memset(row + written, 0, layout.rowSize - written);
}

}  // namespace kypcx
