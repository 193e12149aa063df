// One scan line from a feed: run-length decoded or copied, refilled as needed.
#include "kypcx/pcx_scan_lines.h"

#include <cstring>

namespace kypcx {

PcxLineStatus DecodePcxScanLine(PcxByteFeed& feed, const PcxScanLineRules& rules, uint8_t* line, size_t lineSize) {
    size_t produced = 0;
    for (;;) {
        if (rules.coding == PcxLineCoding::RunLength) {
            if (!DecodePcxRuns(feed.data, feed.size, &feed.position, line, lineSize, &produced, rules.runs))
                return PcxLineStatus::Corrupt;
        } else {
            size_t take = feed.size - feed.position;
            if (take > lineSize - produced) take = lineSize - produced;
            if (take != 0) std::memcpy(line + produced, feed.data + feed.position, take);
            feed.position += take;
            produced += take;
        }
        if (produced == lineSize) return PcxLineStatus::Complete;
        // The held bytes ran out inside the line (a padded or oddly coded
        // line can need more than a refill keeps ready): read on, or stop.
        if (feed.exhausted) break;
        if (!feed.Refill()) return PcxLineStatus::ReadError;
    }
    if (produced == 0) return PcxLineStatus::Empty;
    std::memset(line + produced, 0, lineSize - produced);
    return PcxLineStatus::Truncated;
}

}  // namespace kypcx
