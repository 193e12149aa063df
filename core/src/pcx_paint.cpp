// The painter's header acceptance and its scan-line-to-colour-index step.
#include "kypcx/pcx_paint.h"

#include <cstring>

#include "kypcx/dib_layout.h"
#include "kypcx/pcx_format.h"

namespace kypcx {

bool PlanPcxPaint(const PcxHeader& header, PcxPaintLayout* layout) {
    if (!IsAcceptedPcxVersion(header.version) || (header.encoding != kPcxRleEncoding && !IsColorSpaceCode(header.encoding))) return false;
    const int32_t width = int32_t{header.xMax} - int32_t{header.xMin} + 1;
    const int32_t height = int32_t{header.yMax} - int32_t{header.yMin} + 1;
    if (width < 1 || height < 1 || header.planes == 0 || header.bytesPerLine < 1) return false;
    // Each plane holds at least one bit of every pixel.
    if (int64_t{header.bytesPerLine} * 8 < width) return false;
    layout->width = width;
    layout->height = height;
    layout->planes = header.planes;
    layout->bytesPerLine = static_cast<uint32_t>(header.bytesPerLine);
    layout->encodedLineSize = layout->planes * layout->bytesPerLine;
    return true;
}

void PaintRowIndices(const PcxPaintLayout& layout, const uint8_t* line, uint8_t* indices) {
    const uint32_t width = static_cast<uint32_t>(layout.width);
    if (layout.planes != 1 && layout.planes != 4) {
        std::memset(indices, 0, width);
        return;
    }
    for (uint32_t x = 0; x < width; ++x) {
        const uint32_t byte = x / 8;
        const uint8_t mask = static_cast<uint8_t>(0x80 >> (x % 8));
        uint8_t index = 0;
        for (uint32_t plane = 0; plane < layout.planes; ++plane)
            if (line[plane * layout.bytesPerLine + byte] & mask) index |= static_cast<uint8_t>(1u << plane);
        indices[x] = index;
    }
}

}  // namespace kypcx
