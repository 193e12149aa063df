// The checks that make a header's sizes safe to decode.
#include "kypcx/pcx_decode.h"

#include "kypcx/pcx_format.h"

namespace kypcx {

namespace {

// The pixel layout of an accepted header, its DIB's bits per pixel and the
// DIB's colour-table entries.
struct PixelShape {
    PcxPixels pixels;
    int32_t bitCount;
    uint32_t colors;
};

PixelShape ShapeOf(uint32_t planes, uint32_t bits) {
    if (planes == 1) {
        switch (bits) {
        case 1: return {PcxPixels::Mono, 1, 2};
        case 2: return {PcxPixels::Packed2, 4, 4};
        case 4: return {PcxPixels::Packed4, 4, 16};
        case 8: return {PcxPixels::Indexed8, 8, 256};
        case 24: return {PcxPixels::PackedBgr, 24, 0};
        case 32: return {PcxPixels::PackedBgrx, 24, 0};
        default: break;
        }
    } else if (bits == 1 && planes <= 4) {
        // One table entry per colour: 4, 8 or 16.
        return {PcxPixels::Planar, 4, 1u << planes};
    } else if (bits == 8 && planes == 3) {
        return {PcxPixels::PlanarRgb, 24, 0};
    } else if (bits == 8 && planes == 4) {
        return {PcxPixels::PlanarRgba, 32, 0};
    }
    return {PcxPixels::PaintOnly, 0, 0};
}

}  // namespace

Status PlanPcxDecode(const PcxHeader& header, const PcxHeaderRules& rules, PcxDecodeLayout* layout) {
    const PcxGeometry g = GetPcxGeometry(header);
    if (g.width < 1 || g.height < 1 || header.bytesPerLine < 0) return Status::UndecodableLayout;
    const PixelShape shape = rules.layouts == PcxLayoutSet::AnyPlanes ? PixelShape{PcxPixels::PaintOnly, 0, 0}
                                                                       : ShapeOf(header.planes, header.bitsPerPixel);
    // The painter reads one bit of every pixel from each plane.
    const uint32_t bitsPerPlanePixel = shape.pixels == PcxPixels::PaintOnly ? 1 : header.bitsPerPixel;
    const uint64_t bitsPerPlaneRow = uint64_t(g.width) * bitsPerPlanePixel;
    const uint64_t planeBytesUsed = (bitsPerPlaneRow + 7) / 8;
    if (planeBytesUsed > g.bytesPerLine) return Status::UndecodableLayout;

    const uint64_t rowSize = DibRowSize(shape.bitCount, g.width);
    layout->width = g.width;
    layout->height = g.height;
    layout->bitCount = shape.bitCount;
    layout->planes = header.planes;
    layout->bitsPerPixel = header.bitsPerPixel;
    layout->bytesPerLine = g.bytesPerLine;
    layout->encodedLineSize = g.encodedLineSize;
    layout->planeBytesUsed = static_cast<uint32_t>(planeBytesUsed);
    layout->rowSize = static_cast<uint32_t>(rowSize);
    layout->imageSize = rowSize * uint64_t(g.height);
    layout->colors = shape.colors;
    layout->pixels = shape.pixels;
    layout->coding = rules.storedLines && !rules.anyEncodingByte && header.encoding == kPcxStoredEncoding
                         ? PcxLineCoding::Stored
                         : PcxLineCoding::RunLength;
    return Status::Ok;
}

bool IsPlausibleImageSize(const PcxDecodeLayout& layout, uint64_t dataBytes) {
    if (layout.imageSize <= kAlwaysAllowedImageBytes) return true;
    // Every two coded bytes decode to at most 63; compare in the decoded
    // size of the file's scan lines, which padding can make larger than the DIB.
    const uint64_t decodedNeeded = uint64_t(layout.encodedLineSize) * uint64_t(layout.height);
    const uint64_t decodable = (dataBytes / 2 + 1) * kMaxRunLength;
    return decodedNeeded / kTruncationAllowance <= decodable;
}

uint64_t PcxLineReserve(const PcxDecodeLayout& layout) {
    return uint64_t(layout.planes) * layout.rowSize * 2;
}

}  // namespace kypcx
