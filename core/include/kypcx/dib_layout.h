// What the DIB encoders need to know about a DIB block before they read a
// pixel: its info-header fields, where its colour table and rows lie, and the
// PCX layout it is written in. Reading is bounded by the block's size, so a
// DIB whose header claims more than the block holds is refused up front.
// Portable: works on the block's raw little-endian bytes.
#pragma once

#include <cstddef>
#include <cstdint>

#include "KyPcxTypes.h"
#include "kypcx/status.h"

namespace kypcx {

constexpr uint32_t kDibCoreHeaderSize = 12;  // BITMAPCOREHEADER: 3-byte colour entries
constexpr uint32_t kDibInfoHeaderSize = 40;  // BITMAPINFOHEADER: 4-byte colour entries
constexpr uint32_t kDibBiRgb = 0;
constexpr uint32_t kDibBiBitfields = 3;
constexpr uint32_t kDibBitfieldMasksSize = 12;  // red, green and blue masks, 4 bytes each
constexpr uint32_t kFirstColorSpace = 10;    // non-RGB DIBs carry 10..17 in biCompression
constexpr uint32_t kLastColorSpace = 17;
// The header's 16-bit signed fields bound what a PCX image can describe.
constexpr int32_t kMaxPcxDimension = 32768;
constexpr int32_t kMaxPcxBytesPerLine = 32767;

inline bool IsColorSpaceCode(int64_t code) { return code >= kFirstColorSpace && code <= kLastColorSpace; }

// The info-header fields, as stored (a core header's fields widened).
struct DibInfo {
    uint32_t headerSize = 0;
    int32_t width = 0;
    int32_t height = 0;  // negative: rows stored top-down
    uint16_t planes = 0;
    uint16_t bitCount = 0;
    uint32_t compression = 0;
    int32_t xPelsPerMeter = 0;
    int32_t yPelsPerMeter = 0;
    uint32_t colorsUsed = 0;
};

// Reads the info header (40 bytes or more) or core header (12 bytes) at the
// start of `block`; false if `size` cannot hold the header it names.
bool ReadDibInfo(const uint8_t* block, size_t size, DibInfo* info);

// Colour-table entries: biClrUsed when set (never for a core header), else
// 2, 16 or 256 for 1, 4 or 8 bits, else 0.
uint32_t DibColorCount(const DibInfo& info);
// The table's size in bytes: 3 per entry for a core header, 4 otherwise.
uint64_t DibColorTableSize(const DibInfo& info);

// How a DIB is laid out as PCX scan lines: 8 bits in 3 planes for more than 8
// bits per pixel, 1 bit in 4 planes for 4 bits, else the DIB's own depth in
// one plane. Computed from the info header alone, as the header builder does.
struct PcxPlaneLayout {
    int32_t planes = 0;
    int32_t bitsPerPixel = 0;
    int32_t bytesPerLine = 0;
};
PcxPlaneLayout DibPcxPlaneLayout(const DibInfo& info);

// A checked DIB: everything here lies inside the block it was read from.
struct DibLayout {
    DibInfo info;
    int32_t width = 0;
    int32_t height = 0;              // rows, whatever the storage order
    bool topDown = false;
    uint64_t colorTableOffset = 0;   // from the start of the block
    uint32_t colorTableEntries = 0;  // 4-byte entries present there
    uint64_t pixelOffset = 0;
    uint64_t rowStride = 0;
    uint32_t channelMasks[3] = {0, 0, 0};  // red, green, blue of 16- and 32-bit pixels
    PcxPlaneLayout pcx;
    uint32_t encodedLineSize = 0;    // planes x bytes per line
};

// Checks a DIB block of `size` bytes and describes it. Returns Ok, or:
//  NoBitmap for a block that is not a usable DIB: header cut short or not
//    an info header, planes not 1, width not positive, height 0, rows
//    beyond the block, or a size the PCX header cannot hold;
//  UnwritableDibFormat for a well-formed DIB whose pixels the writer does
//    not lay out: a bit count other than 1, 4, 8, 16, 24, 32, a compressed
//    DIB, or bit-field masks that are not contiguous.
// biCompression BI_RGB and the colour-space codes 10..17 mean plain pixels;
// BI_BITFIELDS is read for 16 and 32 bits.
Status ReadDibLayout(const uint8_t* block, size_t size, DibLayout* layout);

// The bytes of the DIB row that holds image line `lineFromTop` (0 = top).
inline const uint8_t* DibRowForLine(const DibLayout& layout, const uint8_t* block, int32_t lineFromTop) {
    const int32_t stored = layout.topDown ? lineFromTop : layout.height - 1 - lineFromTop;
    return block + layout.pixelOffset + static_cast<uint64_t>(stored) * layout.rowStride;
}

}  // namespace kypcx
