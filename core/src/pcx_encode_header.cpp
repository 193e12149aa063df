// Header fields for the PCX images the encoders write.
#include "kypcx/pcx_encode_header.h"

#include <cmath>
#include <cstring>

#include "kypcx/pcx_format.h"

namespace kypcx {

namespace {

// The header's 16-bit fields keep the low 16 bits of wider values.
int16_t Low16(int64_t value) { return static_cast<int16_t>(static_cast<uint16_t>(value & 0xFFFF)); }

void FillCommonFields(PcxHeader* header) {
    std::memset(header, 0, sizeof *header);
    header->manufacturer = kPcxManufacturer;
    header->version = kPcxWrittenVersion;
    header->encoding = kPcxRleEncoding;
}

}  // namespace

int16_t DpiFromPelsPerMeter(int32_t pelsPerMeter, int32_t displayDpi) {
    if (pelsPerMeter == 0) return Low16(displayDpi);
    const double dpi = static_cast<double>(static_cast<float>(pelsPerMeter)) / kInchesPerMeter;
    return Low16(std::llround(dpi));
}

uint64_t MaxEncodedPcxImageSize(const PcxHeader& header, uint32_t lineCount) {
    const uint64_t lineBytes = uint64_t{header.planes} * static_cast<uint16_t>(header.bytesPerLine);
    const uint64_t trailer = header.planes == 1 && header.bitsPerPixel == 8 ? kPaletteTrailerSize : 0;
    return kPcxHeaderSize + 2 * lineBytes * lineCount + trailer;
}

uint32_t HeaderPaletteColors(uint32_t planes, uint32_t bitsPerPixel) {
    const uint32_t n = (planes * bitsPerPixel) & 0xFF;
    return n < 8 ? (1u << n) : 0;
}

void SetHeaderPalette(PcxHeader* header, const uint8_t* triples, uint32_t count) {
    if (count > kHeaderPaletteColors) count = kHeaderPaletteColors;
    std::memcpy(header->palette, triples, 3 * count);
}

void FillDibPcxHeader(const DibInfo& info, const DisplayMetrics& display, const uint8_t* colorTable,
                      uint32_t tableEntries, PcxHeader* header) {
    FillCommonFields(header);
    const PcxPlaneLayout layout = DibPcxPlaneLayout(info);
    const int64_t rows = info.height < 0 ? -int64_t{info.height} : int64_t{info.height};
    header->bitsPerPixel = static_cast<uint8_t>(layout.bitsPerPixel);
    header->planes = static_cast<uint8_t>(layout.planes);
    header->xMax = Low16(int64_t{info.width} - 1);
    header->yMax = Low16(rows - 1);
    header->bytesPerLine = Low16(layout.bytesPerLine);
    header->paletteInfo = info.bitCount > 8 ? 1 : 0;
    header->horizontalScreenSize = Low16(display.width);
    header->verticalScreenSize = Low16(display.height);
    header->horizontalDpi = DpiFromPelsPerMeter(info.xPelsPerMeter, display.dpiX);
    header->verticalDpi = DpiFromPelsPerMeter(info.yPelsPerMeter, display.dpiY);

    uint32_t colors = HeaderPaletteColors(header->planes, header->bitsPerPixel);
    if (colors > kHeaderPaletteColors) colors = kHeaderPaletteColors;
    if (colors > tableEntries) colors = tableEntries;
    for (uint32_t i = 0; i < colors; ++i) {
        const uint8_t* quad = colorTable + 4 * i;  // blue, green, red, reserved
        header->palette[3 * i] = quad[2];
        header->palette[3 * i + 1] = quad[1];
        header->palette[3 * i + 2] = quad[0];
    }
}

bool WritesBitmapAsRgbPlanes(const BitmapFields& bitmap) {
    return uint32_t{bitmap.planes} * uint32_t{bitmap.bitsPixel} > 8;
}

int32_t RgbPlaneBytes(int32_t width) { return static_cast<int32_t>(((int64_t{width} * 8 + 15) / 16) * 2); }

void FillBitmapPcxHeader(const BitmapFields& bitmap, const DisplayMetrics& display, PcxHeader* header) {
    FillCommonFields(header);
    if (WritesBitmapAsRgbPlanes(bitmap)) {
        header->bitsPerPixel = 8;
        header->planes = 3;
        header->bytesPerLine = Low16(RgbPlaneBytes(bitmap.width));
        header->paletteInfo = 1;
    } else {
        header->bitsPerPixel = static_cast<uint8_t>(bitmap.bitsPixel & 0xFF);
        header->planes = static_cast<uint8_t>(bitmap.planes & 0xFF);
        header->bytesPerLine = Low16(bitmap.widthBytes);
    }
    header->xMax = Low16(int64_t{Low16(bitmap.width)} - 1);
    header->yMax = Low16(int64_t{Low16(bitmap.height)} - 1);
    header->horizontalDpi = Low16(display.dpiX);
    header->verticalDpi = Low16(display.dpiY);
    header->horizontalScreenSize = Low16(display.width);
    header->verticalScreenSize = Low16(display.height);
}

}  // namespace kypcx
