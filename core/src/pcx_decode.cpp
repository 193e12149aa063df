// The checks that make a header's sizes safe to decode.
#include "kypcx/pcx_decode.h"

#include "kypcx/pcx_format.h"

namespace kypcx {

PcxErrorCode PlanPcxDecode(const PcxHeader& header, PcxDecodeLayout* layout) {
    const PcxGeometry g = GetPcxGeometry(header);
    if (g.width < 1 || g.height < 1 || header.bytesPerLine < 0) return PCX_ERR_HARDWARE_DEPENDENT;
    const uint64_t bitsPerPlaneRow = uint64_t(g.width) * header.bitsPerPixel;
    const uint64_t planeBytesUsed = (bitsPerPlaneRow + 7) / 8;
    if (planeBytesUsed > g.bytesPerLine) return PCX_ERR_HARDWARE_DEPENDENT;

    layout->width = g.width;
    layout->height = g.height;
    layout->bitCount = g.bitCount;
    layout->planes = header.planes;
    layout->bitsPerPixel = header.bitsPerPixel;
    layout->bytesPerLine = g.bytesPerLine;
    layout->encodedLineSize = g.encodedLineSize;
    layout->planeBytesUsed = static_cast<uint32_t>(planeBytesUsed);
    layout->rowSize = static_cast<uint32_t>(g.dibRowSize);
    layout->imageSize = g.dibRowSize * uint64_t(g.height);
    return PCX_OK;
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
