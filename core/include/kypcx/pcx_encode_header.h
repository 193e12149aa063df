// The 128-byte header an encoder writes, computed from a DIB's info header or
// a device bitmap's record plus what the display reports. The Windows side
// asks the display and collects colours; everything else is here.
// Portable: no Windows headers.
#pragma once

#include <cstdint>

#include "KyPcxTypes.h"
#include "kypcx/dib_layout.h"

namespace kypcx {

// What the header takes from the display.
struct DisplayMetrics {
    int32_t dpiX = 0;    // logical pixels per inch
    int32_t dpiY = 0;
    int32_t width = 0;   // screen size in pixels
    int32_t height = 0;
};

// A device bitmap's record, as GetObject gives it.
struct BitmapFields {
    int32_t width = 0;
    int32_t height = 0;
    int32_t widthBytes = 0;
    uint16_t planes = 0;
    uint16_t bitsPixel = 0;
};

// Dots per inch from pixels per metre: the value as a single-precision float,
// widened, divided by 39.37 and rounded to the nearest whole number (3,780
// and 3,779 give 96), so that a resolution survives a load and a save; the
// display's value when the DIB gives none.
int16_t DpiFromPelsPerMeter(int32_t pelsPerMeter, int32_t displayDpi);

// The most bytes an image with this header and `lineCount` lines can take
// when written: the header, every line coded at worst (each byte as a count
// and a value), and the 256-colour trailer of an 8-bit single-plane image.
uint64_t MaxEncodedPcxImageSize(const PcxHeader& header, uint32_t lineCount);

// Fills every field of `header` for a DIB; the header palette gets the first
// 2^n colour-table entries (n = bits x planes, below 8; at most 16), from
// `colorTable` (4-byte blue, green, red, reserved entries, `tableEntries` of
// them). Entries the table does not hold are black. A top-down DIB
// (negative height) is described by its row count.
void FillDibPcxHeader(const DibInfo& info, const DisplayMetrics& display, const uint8_t* colorTable,
                      uint32_t tableEntries, PcxHeader* header);

// Whether a device bitmap is written as three planes of red, green and blue
// bytes instead of in its device's own layout: a bitmap of more than 8 bits
// a pixel (16, 24 or 32, as every display of today gives). Its device layout
// (one plane of 16 or 32 bits) is one no reader takes, so its pixels are
// taken device-independently, as 24-bit colours.
bool WritesBitmapAsRgbPlanes(const BitmapFields& bitmap);

// Bytes of each plane of a line of `width` pixels in three planes of 8 bits:
// the width rounded up to an even number.
int32_t RgbPlaneBytes(int32_t width);

// Fills every field of `header` for a device bitmap: in the device's own
// layout for 8 bits a pixel or fewer, otherwise as three planes of 8 bits
// (palette information 1, no palette). The header palette is left zero for
// the caller to collect.
void FillBitmapPcxHeader(const BitmapFields& bitmap, const DisplayMetrics& display, PcxHeader* header);

// How many colours a header palette of planes x bits per pixel asks for: 2^n
// when n is below 8, else 0.
uint32_t HeaderPaletteColors(uint32_t planes, uint32_t bitsPerPixel);

// Stores `count` (at most 16) colour triples in the header palette.
void SetHeaderPalette(PcxHeader* header, const uint8_t* triples, uint32_t count);

}  // namespace kypcx
