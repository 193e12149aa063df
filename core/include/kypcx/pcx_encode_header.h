// The 128-byte header the writer writes, computed from a DIB's info header,
// a device bitmap's record plus what the display reports, or a picture's
// size and pixel format. The Windows side asks the display and collects
// colours; everything else is here.
// Portable: no Windows headers.
#pragma once

#include <cstdint>

#include "KyPcxTypes.h"
#include "kypcx/dib_layout.h"
#include "kypcx/pcx_encode_planes.h"
#include "kypcx/status.h"

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

// `count` colour triples (red, green, blue) from a colour table of
// `entries` 4-byte entries (blue, green, red, reserved); triples the table
// does not hold are black.
void ColorTableTriples(const uint8_t* colorTable, uint32_t entries, uint32_t count, uint8_t* triples);

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

// How a device bitmap's lines, fetched in the device's own layout, are
// written: as they are, planes x widthBytes bytes.
PcxRowLayout DeviceRowLayout(const BitmapFields& bitmap);

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

// Pixel formats a picture's rows can come in, each with the layout it is
// written in (the layouts the DIB writer gives the same pixels, and four
// planes of 8 bits where there is alpha).
enum class PcxPixelFormat : uint8_t {
    Indexed1,  // 1 bit a pixel, 8 to a byte: 1 plane x 1 bit, 2 colours in the header
    Indexed4,  // 4 bits, 2 to a byte, the left one high: 4 planes x 1 bit, 16 colours in the header
    Indexed8,  // a byte a pixel: 1 plane x 8 bits, 256 colours in the trailer
    Bgr24,     // blue, green, red bytes: 3 planes x 8 bits
    Bgra32,    // blue, green, red, alpha bytes: 4 planes x 8 bits, alpha the fourth
};

// A picture described by its own numbers rather than by a Windows object.
struct PcxPicture {
    int32_t width = 0;
    int32_t height = 0;
    PcxPixelFormat format = PcxPixelFormat::Bgr24;
    int16_t dpiX = 0;  // dots per inch, 0 when not known
    int16_t dpiY = 0;
    const uint8_t* colors = nullptr;  // red, green, blue triples of an indexed picture
    uint32_t colorCount = 0;
};

// Fills every field of `header` for `picture`, and `rows` for rows of
// exactly its pixels (no padding is read). The header palette holds the
// picture's first 2 or 16 colours, black where it has fewer. Refuses a size
// the header's fields cannot hold: UndecodableLayout for a width or height
// below 1, ImageTooLarge beyond 32,768 pixels or 32,767 bytes a plane.
Status FillPicturePcxHeader(const PcxPicture& picture, PcxHeader* header, PcxRowLayout* rows);

}  // namespace kypcx
