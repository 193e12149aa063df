// The PCX header check, the values derived from a header, and the palette rules.
#include "kypcx/pcx_format.h"

#include <cmath>
#include <cstring>

namespace kypcx {

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__,
              "PcxHeader is filled by copying little-endian file bytes");

void LoadPcxHeader(const uint8_t* bytes, PcxHeader* header) {
    std::memcpy(header, bytes, kPcxHeaderSize);
}

int32_t PelsPerMeterFromDpi(int32_t dpi) {
    return static_cast<int32_t>(std::llround(static_cast<double>(dpi) * kInchesPerMeter));
}

bool IsAcceptedPcxVersion(uint8_t version) {
    return version == 0 || version == 2 || version == 3 || version == 4 || version == 5;
}

bool IsDecodablePcxLayout(uint8_t planes, uint8_t bitsPerPixel, PcxLayoutSet layouts) {
    switch (layouts) {
    case PcxLayoutSet::AnyPlanes: return planes != 0;
    case PcxLayoutSet::Every:
        switch (planes) {
        case 1: return bitsPerPixel == 1 || bitsPerPixel == 2 || bitsPerPixel == 4 || bitsPerPixel == 8 ||
                       bitsPerPixel == 24 || bitsPerPixel == 32;
        case 2: return bitsPerPixel == 1;
        case 3: return bitsPerPixel == 1 || bitsPerPixel == 8;
        case 4: return bitsPerPixel == 1 || bitsPerPixel == 8;
        default: return false;
        }
    case PcxLayoutSet::Classic: break;
    }
    switch (planes) {
    case 1: return bitsPerPixel == 1 || bitsPerPixel == 8;
    case 3: return bitsPerPixel == 8;
    case 4: return bitsPerPixel == 1;
    default: return false;
    }
}

const char* PcxLayoutName(uint8_t planes, uint8_t bitsPerPixel) {
    struct Named {
        uint8_t planes;
        uint8_t bits;
        const char* name;
    };
    static const Named kNames[] = {
        {1, 1, "monochrome (1 plane x 1 bit)"},
        {1, 2, "4 colours (1 plane x 2 bits)"},
        {1, 4, "16 colours (1 plane x 4 bits)"},
        {2, 1, "4 colours (2 planes x 1 bit)"},
        {3, 1, "8 colours (3 planes x 1 bit)"},
        {4, 1, "16 colours (4 planes x 1 bit)"},
        {1, 8, "256 colours (1 plane x 8 bits)"},
        {3, 8, "true colour (3 planes x 8 bits)"},
        {1, 24, "true colour (1 plane x 24 bits)"},
        {1, 32, "true colour (1 plane x 32 bits, fourth byte unused)"},
        {4, 8, "true colour and alpha (4 planes x 8 bits)"},
    };
    for (const Named& n : kNames)
        if (n.planes == planes && n.bits == bitsPerPixel) return n.name;
    return "not decodable";
}

bool IsAcceptedEncodingByte(uint8_t encoding, const PcxHeaderRules& rules) {
    if (rules.anyEncodingByte || encoding == kPcxRleEncoding) return true;
    if (rules.storedLines && encoding == kPcxStoredEncoding) return true;
    return rules.colorSpaceCodes && encoding >= kFirstColorSpaceCode && encoding <= kLastColorSpaceCode;
}

Status CheckPcxHeader(const PcxHeader& header, const PcxHeaderRules& rules) {
    if (!IsAcceptedPcxVersion(header.version)) return Status::UnknownVersion;
    if (!IsAcceptedEncodingByte(header.encoding, rules)) return Status::UnacceptedEncoding;
    if (!IsDecodablePcxLayout(header.planes, header.bitsPerPixel, rules.layouts)) return Status::UndecodableLayout;
    return Status::Ok;
}

bool FindPaletteTrailerSlot(uint64_t start, uint64_t end, uint64_t* markerOffset) {
    if (end < start || end - start < uint64_t{kPcxHeaderSize} + kPaletteTrailerSize) return false;
    *markerOffset = end - kPaletteTrailerSize;
    return true;
}

uint64_t DibRowSize(int64_t bitCount, int64_t width) {
    if (bitCount <= 0 || width <= 0) return 0;
    return static_cast<uint64_t>((bitCount * width + 31) / 32) * 4;
}

PcxGeometry GetPcxGeometry(const PcxHeader& header) {
    PcxGeometry g;
    g.width = int32_t{header.xMax} - int32_t{header.xMin} + 1;
    g.height = int32_t{header.yMax} - int32_t{header.yMin} + 1;
    g.bitCount = int32_t{header.bitsPerPixel} * int32_t{header.planes};
    g.bytesPerLine = static_cast<uint16_t>(header.bytesPerLine);
    g.encodedLineSize = uint32_t{header.planes} * g.bytesPerLine;
    g.dibRowSize = DibRowSize(g.bitCount, g.width);
    return g;
}

void BuildTwoColorPalette(const PcxHeader& header, uint8_t* triples) {
    const uint8_t a = header.palette[0];
    const uint8_t b = header.palette[3];
    const bool greys = (a ^ b) == 0xFF;
    const uint8_t c0 = greys ? a : 0;
    const uint8_t c1 = greys ? b : 255;
    std::memset(triples, c0, 3);
    std::memset(triples + 3, c1, 3);
}

void BuildDefaultPalette256(uint8_t* triples) {
    for (uint32_t i = 0; i < kPaletteTrailerColors; ++i) {
        triples[3 * i + 0] = static_cast<uint8_t>((i % 8) * 32);
        triples[3 * i + 1] = static_cast<uint8_t>(((i / 8) % 8) * 32);
        triples[3 * i + 2] = static_cast<uint8_t>((i / 64) * 64);
    }
}

void BuildGreyPalette256(uint8_t* triples) {
    for (uint32_t i = 0; i < kPaletteTrailerColors; ++i) std::memset(triples + 3 * i, static_cast<int>(i), 3);
}

}  // namespace kypcx
