// Reading and checking a DIB block for the encoders.
#include "kypcx/dib_layout.h"

#include <cstring>

#include "kypcx/pcx_format.h"

namespace kypcx {

namespace {

uint16_t Read16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t Read32(const uint8_t* p) {
    return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}

// A mask is usable when its set bits are one contiguous stretch (or none).
bool IsContiguousMask(uint32_t mask) {
    if (mask == 0) return true;
    while ((mask & 1) == 0) mask >>= 1;
    return (mask & (mask + 1)) == 0;
}

bool IsLaidOutBitCount(uint16_t bitCount) {
    switch (bitCount) {
    case 1: case 4: case 8: case 16: case 24: case 32: return true;
    default: return false;
    }
}

}  // namespace

bool ReadDibInfo(const uint8_t* block, size_t size, DibInfo* info) {
    if (size < 4) return false;
    DibInfo d;
    d.headerSize = Read32(block);
    if (d.headerSize == kDibCoreHeaderSize) {
        if (size < kDibCoreHeaderSize) return false;
        d.width = Read16(block + 4);
        d.height = static_cast<int16_t>(Read16(block + 6));
        d.planes = Read16(block + 8);
        d.bitCount = Read16(block + 10);
        *info = d;
        return true;
    }
    if (d.headerSize < kDibInfoHeaderSize || d.headerSize > size) return false;
    d.width = static_cast<int32_t>(Read32(block + 4));
    d.height = static_cast<int32_t>(Read32(block + 8));
    d.planes = Read16(block + 12);
    d.bitCount = Read16(block + 14);
    d.compression = Read32(block + 16);
    d.xPelsPerMeter = static_cast<int32_t>(Read32(block + 24));
    d.yPelsPerMeter = static_cast<int32_t>(Read32(block + 28));
    d.colorsUsed = Read32(block + 32);
    *info = d;
    return true;
}

uint32_t DibColorCount(const DibInfo& info) {
    if (info.headerSize != kDibCoreHeaderSize && info.colorsUsed != 0) return info.colorsUsed;
    switch (info.bitCount) {
    case 1: return 2;
    case 4: return 16;
    case 8: return 256;
    default: return 0;
    }
}

uint64_t DibColorTableSize(const DibInfo& info) {
    const uint64_t entrySize = info.headerSize == kDibCoreHeaderSize ? 3 : 4;
    return uint64_t{DibColorCount(info)} * entrySize;
}

PcxPlaneLayout DibPcxPlaneLayout(const DibInfo& info) {
    // Signed arithmetic on the stored values, as the header builder defines
    // it; only a checked DIB (ReadDibLayout) gives a meaningful result.
    const int64_t width = info.width;
    const int64_t planesField = info.planes & 0xFF;
    PcxPlaneLayout p;
    if (info.bitCount > 8) {
        p.planes = 3;
        p.bitsPerPixel = 8;
        p.bytesPerLine = static_cast<int32_t>(((width * 8 + 15) / 16) * 2);
    } else if (info.bitCount == 4) {
        p.planes = 4;
        p.bitsPerPixel = static_cast<int32_t>(planesField);
        p.bytesPerLine = static_cast<int32_t>((p.bitsPerPixel * width + 7) / 8);
    } else {
        p.planes = static_cast<int32_t>(planesField);
        p.bitsPerPixel = info.bitCount & 0xFF;
        p.bytesPerLine = static_cast<int32_t>((p.bitsPerPixel * width + 7) / 8);
    }
    return p;
}

Status ReadDibLayout(const uint8_t* block, size_t size, DibLayout* layout) {
    DibLayout l;
    if (block == nullptr || !ReadDibInfo(block, size, &l.info)) return Status::NoBitmap;
    const DibInfo& info = l.info;
    if (info.headerSize < kDibInfoHeaderSize) return Status::NoBitmap;
    if (info.planes != 1) return Status::NoBitmap;
    if (!IsLaidOutBitCount(info.bitCount)) return Status::UnwritableDibFormat;

    const bool plainPixels = info.compression == kDibBiRgb || IsColorSpaceCode(info.compression);
    const bool bitfields = info.compression == kDibBiBitfields && (info.bitCount == 16 || info.bitCount == 32);
    if (!plainPixels && !bitfields) return Status::UnwritableDibFormat;

    if (info.width <= 0 || info.width > kMaxPcxDimension) return Status::NoBitmap;
    const int64_t height = info.height;
    if (height == 0 || height > kMaxPcxDimension || -height > kMaxPcxDimension) return Status::NoBitmap;
    l.width = info.width;
    l.height = static_cast<int32_t>(height < 0 ? -height : height);
    l.topDown = height < 0;

    // Bit-field masks lie inside a V4/V5 header, or in the 12 bytes after a
    // 40-byte one, ahead of any colour table.
    uint64_t masksAfterHeader = 0;
    if (bitfields) {
        const uint64_t maskOffset = kDibInfoHeaderSize;
        if (info.headerSize == kDibInfoHeaderSize) masksAfterHeader = kDibBitfieldMasksSize;
        if (maskOffset + kDibBitfieldMasksSize > size) return Status::NoBitmap;
        for (int c = 0; c < 3; ++c) l.channelMasks[c] = Read32(block + maskOffset + 4 * c);
        for (uint32_t mask : l.channelMasks)
            if (!IsContiguousMask(mask)) return Status::UnwritableDibFormat;
    } else if (info.bitCount == 16) {
        l.channelMasks[0] = 0x7C00;  // 5-5-5, the layout of an uncompressed 16-bit DIB
        l.channelMasks[1] = 0x03E0;
        l.channelMasks[2] = 0x001F;
    } else if (info.bitCount == 32) {
        l.channelMasks[0] = 0x00FF0000;
        l.channelMasks[1] = 0x0000FF00;
        l.channelMasks[2] = 0x000000FF;
    }

    l.colorTableOffset = uint64_t{info.headerSize} + masksAfterHeader;
    const uint32_t colorCount = DibColorCount(info);
    l.pixelOffset = l.colorTableOffset + DibColorTableSize(info);
    l.rowStride = DibRowSize(info.bitCount, info.width);
    const uint64_t rowsEnd = l.pixelOffset + l.rowStride * static_cast<uint64_t>(l.height);
    if (rowsEnd > size) return Status::NoBitmap;
    l.colorTableEntries = colorCount;

    l.pcx = DibPcxPlaneLayout(info);
    if (l.pcx.bytesPerLine <= 0 || l.pcx.bytesPerLine > kMaxPcxBytesPerLine) return Status::NoBitmap;
    l.encodedLineSize = static_cast<uint32_t>(l.pcx.planes * l.pcx.bytesPerLine);
    *layout = l;
    return Status::Ok;
}

}  // namespace kypcx
