// Header colours for every layout, and the CGA rule.
#include "kypcx/pcx_palette.h"

#include <cstring>

#include "kypcx/pcx_format.h"

namespace kypcx {

namespace {

// The CGA's 16 colours, red, green, blue.
constexpr uint8_t kCgaRgb[kCgaColors][3] = {
    {0x00, 0x00, 0x00}, {0x00, 0x00, 0xAA}, {0x00, 0xAA, 0x00}, {0x00, 0xAA, 0xAA},
    {0xAA, 0x00, 0x00}, {0xAA, 0x00, 0xAA}, {0xAA, 0x55, 0x00}, {0xAA, 0xAA, 0xAA},
    {0x55, 0x55, 0x55}, {0x55, 0x55, 0xFF}, {0x55, 0xFF, 0x55}, {0x55, 0xFF, 0xFF},
    {0xFF, 0x55, 0x55}, {0xFF, 0x55, 0xFF}, {0xFF, 0xFF, 0x55}, {0xFF, 0xFF, 0xFF},
};

constexpr uint8_t kCgaCyanMagentaWhite = 0x40;  // byte 19, bit 6 (clear: green, red, yellow)
constexpr uint8_t kCgaDim = 0x10;               // byte 19, bit 4 (clear: the bright forms)
constexpr uint32_t kCgaBright = 8;            // a colour's bright form, 8 numbers on

}  // namespace

bool HoldsCgaPaletteBytes(const PcxHeader& header) {
    if (header.planes != 1 || header.bitsPerPixel != 2) return false;
    const uint8_t* p = header.palette;
    const bool grey = p[0] == p[1] && p[1] == p[2];
    if (!grey || p[0] == 0xFF) return false;
    // Entries 2 and 3 (bytes 22 to 27) left empty.
    for (uint32_t i = 6; i < 12; ++i)
        if (p[i] != 0) return false;
    return true;
}

bool ReadsCgaPalette(const PcxHeader& header, PcxCgaReading cga) {
    return cga == PcxCgaReading::Always || (cga == PcxCgaReading::ByRule && HoldsCgaPaletteBytes(header));
}

void BuildCgaPalette(const PcxHeader& header, uint8_t* triples) {
    const uint8_t background = header.palette[0] >> 4;
    const uint8_t choice = header.palette[3];
    // Cyan, magenta, light grey; or green, red, brown: their bright forms
    // light cyan, light magenta, white; light green, light red, yellow.
    const uint32_t dimCyanSet[3] = {3, 5, 7};
    const uint32_t dimGreenSet[3] = {2, 4, 6};
    const uint32_t* set = (choice & kCgaCyanMagentaWhite) != 0 ? dimCyanSet : dimGreenSet;
    const uint32_t bright = (choice & kCgaDim) != 0 ? 0 : kCgaBright;
    std::memcpy(triples, kCgaRgb[background], 3);
    for (uint32_t i = 0; i < 3; ++i) std::memcpy(triples + 3 * (i + 1), kCgaRgb[set[i] + bright], 3);
}

uint32_t BuildHeaderColors(const PcxHeader& header, PcxLayoutSet layouts, PcxCgaReading cga, uint8_t* triples) {
    const uint32_t planes = header.planes;
    const uint32_t bits = header.bitsPerPixel;
    uint32_t fromHeader = 0;  // entries taken from the header as they stand
    if (planes == 1 && bits == 1) {
        BuildTwoColorPalette(header, triples);
        return 2;
    }
    if ((planes == 3 && bits == 8) || (layouts == PcxLayoutSet::Every && planes == 1 && (bits == 24 || bits == 32))) {
        BuildDefaultPalette256(triples);
        return kPaletteTrailerColors;
    }
    if (planes == 3 && bits == 1) fromHeader = 8;
    else if (planes == 4 && bits == 1) fromHeader = kHeaderPaletteColors;
    else if (planes == 2 && bits == 4 && layouts == PcxLayoutSet::Classic) fromHeader = 4;
    else if (layouts == PcxLayoutSet::Every) {
        if (planes == 2 && bits == 1) fromHeader = 4;
        else if (planes == 1 && bits == 4) fromHeader = kHeaderPaletteColors;
        else if (planes == 1 && bits == 2) {
            if (ReadsCgaPalette(header, cga)) {
                BuildCgaPalette(header, triples);
                return 4;
            }
            fromHeader = 4;
        }
    }
    std::memcpy(triples, header.palette, 3 * size_t{fromHeader});
    return fromHeader;
}

}  // namespace kypcx
