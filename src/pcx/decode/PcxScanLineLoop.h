// The one scan-line loop of every decoder: for each row from the top
// (height - 1) down to 0, read one scan line from the image's feed into the
// plane buffer and hand it to the decoder's own per-row step, which turns it
// into pixels where it wants them. What a reader does differently is in its
// rules: how lines are stored, what a run crossing a line's end means, and
// whether a line the data cuts short is kept.
#pragma once

#include <windows.h>

#include "frame/HandleGuards.h"
#include "kypcx/pcx_decode.h"
#include "kypcx/pcx_scan_lines.h"
#include "pcx/decode/PcxImageSource.h"

// How a reader reads its lines.
struct PcxLoopRules {
    kypcx::PcxScanLineRules lines;
    // Whether a line the data cuts short is handed over (its rest zero) as
    // the last row, or dropped.
    bool keepCutLine = true;
};

// How the loop ended.
struct PcxLoopResult {
    LONG rowsDecoded = 0;  // rows handed to the per-row step
    LONG lastRow = -1;     // number of the last such row (lowest so far)
};

// The plane buffer and the feed of one decode, released on every path.
class PcxScanLineSource {
public:
    PcxScanLineSource() = default;
    PcxScanLineSource(const PcxScanLineSource&) = delete;
    PcxScanLineSource& operator=(const PcxScanLineSource&) = delete;

    // Opens the image's coded lines: `dataBytes` bytes from just behind its
    // header. The plane buffer is `planes` when given (encodedLineSize bytes
    // and kPlaneSlack more, the caller's), else one of its own. Sets code 6
    // (plane buffer), 12 (read-ahead buffer) or 18 (the data's position
    // cannot be reached) and returns false on failure.
    bool Open(PcxImageSource& source, const kypcx::PcxDecodeLayout& layout, ULONGLONG dataBytes, PcxErrorCode* code,
              BYTE* planes = nullptr);

    // Reads the next line into the plane buffer.
    kypcx::PcxLineStatus NextLine(const kypcx::PcxScanLineRules& rules) {
        return kypcx::DecodePcxScanLine(*feed_, rules, planes_, layout_.encodedLineSize);
    }
    const BYTE* planes() const { return planes_; }

private:
    kypcx::PcxDecodeLayout layout_;
    ScopedGlobal planeBlock_;
    ScopedGlobalLock planeLock_;
    BYTE* planes_ = nullptr;
    kypcx::PcxByteFeed* feed_ = nullptr;
};

// Runs the loop. afterLine(r, rowsSoFar, planes) is the decoder's step for
// row r and returns false to stop (it sets its own code). A feed that cannot
// be read sets code 10; a run refused as crossing its line's end, code 3.
// Data that runs out is not an error: the loop stops after the last row that
// got any data (or before a cut line, where the rules drop it).
template <typename AfterLine>
PcxLoopResult RunPcxScanLineLoop(PcxScanLineSource& source, const PcxLoopRules& rules, LONG height,
                                 PcxErrorCode* code, AfterLine afterLine) {
    PcxLoopResult result;
    for (LONG r = height - 1; r >= 0 && *code == PCX_OK; --r) {
        const kypcx::PcxLineStatus status = source.NextLine(rules.lines);
        if (status == kypcx::PcxLineStatus::ReadError) {
            *code = PCX_ERR_PALETTE_READ;
            break;
        }
        if (status == kypcx::PcxLineStatus::Corrupt) {
            *code = PCX_ERR_VERSION;
            break;
        }
        if (status == kypcx::PcxLineStatus::Empty) break;
        const bool cut = status == kypcx::PcxLineStatus::Truncated;
        if (cut && !rules.keepCutLine) break;
        ++result.rowsDecoded;
        result.lastRow = r;
        if (!afterLine(r, result.rowsDecoded, source.planes())) break;
        if (cut) break;
    }
    return result;
}
