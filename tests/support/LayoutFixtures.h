// PCX files of every layout, built pixel by pixel: an image's pixels (colour
// indices, or packed colours for the direct-colour layouts), its header
// colours or trailer, and the file that holds it, run-length coded or with
// its lines stored, one padding byte behind each plane of a line.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

namespace kypcx_test {

// An image of a layout: each pixel's value (a colour index, or a packed
// 0xAARRGGBB for the direct-colour layouts) and the colours the header or
// trailer hold.
struct LayoutImage {
    uint8_t planes;
    uint8_t bits;
    int width;
    int height;
    std::vector<uint32_t> pixels;         // row by row from the top
    std::vector<uint8_t> headerPalette;   // 48 bytes
    std::vector<uint8_t> trailer;         // 768 bytes for 8-bit images
};

constexpr int kLayoutWidth = 13;
constexpr int kLayoutHeight = 5;

// An image of `planes` x `bits` whose pixels take many values, with 16
// distinct header colours and, for 8 bits in one plane, a trailer.
LayoutImage MakeLayoutImage(uint8_t planes, uint8_t bits, int width = kLayoutWidth, int height = kLayoutHeight);

// Bytes of one plane of a scan line, as long as the image needs.
uint32_t LayoutPlaneBytes(const LayoutImage& m);

// The PCX file of the image: lines run-length coded (encoding byte
// `encoding`) or stored (encoding 0), 150 x 75 dpi.
std::vector<uint8_t> LayoutFile(const LayoutImage& m, bool stored, uint8_t encoding = 1);

// Every layout the layout readers take, with the DIB it decodes to.
struct LayoutCase {
    const char* name;
    uint8_t planes;
    uint8_t bits;
    WORD dibBits;
    DWORD tableEntries;
};
extern const LayoutCase kLayoutCases[11];

}  // namespace kypcx_test
