// The painter's header acceptance and its scan-line-to-colour-index step.
#include "kypcx/pcx_paint.h"

#include <cstring>

#include "kypcx/pcx_format.h"

namespace kypcx {

bool PlanPcxPaint(const PcxHeader& header, PcxDecodeLayout* layout) {
    const PcxHeaderRules rules = PainterHeaderRules();
    return CheckPcxHeader(header, rules) == Status::Ok && PlanPcxDecode(header, rules, layout) == Status::Ok;
}

void PaintRowIndices(const PcxDecodeLayout& layout, const uint8_t* line, uint8_t* indices) {
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
