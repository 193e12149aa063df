// Header fields for the PCX images the writer writes.
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

void ColorTableTriples(const uint8_t* colorTable, uint32_t entries, uint32_t count, uint8_t* triples) {
    const uint32_t held = entries < count ? entries : count;
    for (uint32_t i = 0; i < held; ++i) {
        const uint8_t* quad = colorTable + 4 * i;  // blue, green, red, reserved
        triples[3 * i] = quad[2];
        triples[3 * i + 1] = quad[1];
        triples[3 * i + 2] = quad[0];
    }
    std::memset(triples + 3 * held, 0, 3 * size_t(count - held));
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
    ColorTableTriples(colorTable, tableEntries, colors, header->palette);
}

bool WritesBitmapAsRgbPlanes(const BitmapFields& bitmap) {
    return uint32_t{bitmap.planes} * uint32_t{bitmap.bitsPixel} > 8;
}

int32_t RgbPlaneBytes(int32_t width) { return static_cast<int32_t>(((int64_t{width} * 8 + 15) / 16) * 2); }

PcxRowLayout DeviceRowLayout(const BitmapFields& bitmap) {
    PcxRowLayout rows;
    rows.width = bitmap.width;
    rows.planes = bitmap.planes;
    rows.bytesPerLine = static_cast<uint32_t>(bitmap.widthBytes);
    rows.rowBytes = rows.lineSize();
    return rows;
}

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

Status FillPicturePcxHeader(const PcxPicture& picture, PcxHeader* header, PcxRowLayout* rows) {
    if (picture.width < 1 || picture.height < 1) return Status::UndecodableLayout;
    if (picture.width > kMaxPcxDimension || picture.height > kMaxPcxDimension) return Status::ImageTooLarge;
    const int64_t width = picture.width;
    PcxRowLayout r;
    r.width = picture.width;
    uint32_t bitsPerPixel = 8;
    switch (picture.format) {
    case PcxPixelFormat::Indexed1:
        bitsPerPixel = 1;
        r.bytesPerLine = static_cast<uint32_t>((width + 7) / 8);
        r.rowBytes = r.bytesPerLine;
        break;
    case PcxPixelFormat::Indexed4:
        bitsPerPixel = 1;
        r.kind = PcxRowKind::Nibbles;
        r.planes = 4;
        r.bytesPerLine = static_cast<uint32_t>((width + 7) / 8);
        r.rowBytes = static_cast<uint64_t>((width + 1) / 2);
        break;
    case PcxPixelFormat::Indexed8:
        r.bytesPerLine = static_cast<uint32_t>(width);
        r.rowBytes = r.bytesPerLine;
        break;
    case PcxPixelFormat::Bgr24:
    case PcxPixelFormat::Bgra32:
        // A plane a byte of each pixel, alpha the fourth.
        r.kind = picture.format == PcxPixelFormat::Bgr24 ? PcxRowKind::Bgr24 : PcxRowKind::Bgra32;
        r.planes = picture.format == PcxPixelFormat::Bgr24 ? 3 : 4;
        r.bytesPerLine = static_cast<uint32_t>(RgbPlaneBytes(picture.width));
        r.rowBytes = r.planes * static_cast<uint64_t>(width);
        break;
    }
    if (r.bytesPerLine > static_cast<uint32_t>(kMaxPcxBytesPerLine)) return Status::ImageTooLarge;

    FillCommonFields(header);
    header->bitsPerPixel = static_cast<uint8_t>(bitsPerPixel);
    header->planes = static_cast<uint8_t>(r.planes);
    header->xMax = Low16(width - 1);
    header->yMax = Low16(int64_t{picture.height} - 1);
    header->bytesPerLine = Low16(r.bytesPerLine);
    header->paletteInfo = bitsPerPixel == 8 && r.planes >= 3 ? 1 : 0;  // colour, as the DIB writer says
    header->horizontalDpi = picture.dpiX;
    header->verticalDpi = picture.dpiY;
    uint8_t triples[3 * kHeaderPaletteColors] = {};
    uint32_t colors = HeaderPaletteColors(r.planes, bitsPerPixel);
    if (colors > kHeaderPaletteColors) colors = kHeaderPaletteColors;
    const uint32_t given = picture.colors == nullptr ? 0 : picture.colorCount;
    if (given != 0) std::memcpy(triples, picture.colors, 3 * size_t(given < colors ? given : colors));
    SetHeaderPalette(header, triples, colors);
    *rows = r;
    return Status::Ok;
}

}  // namespace kypcx
