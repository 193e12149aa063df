// The scan-line loop both file decoders run: set up the plane and read-ahead
// buffers, then for each row from the top (height - 1) down to 0 decode one
// coded line, assemble it into the row the decoder chose, and hand it to the
// decoder's own per-row step.
#pragma once

#include <windows.h>

#include "frame/HandleGuards.h"
#include "kypcx/pcx_decode.h"
#include "pcx/decode/PcxReadBuffer.h"

// How the loop ended.
struct PcxLoopResult {
    LONG rowsDecoded = 0;  // rows handed to the per-row step
    LONG lastRow = -1;     // number of the last such row (lowest so far)
};

// Buffers for one decode, released on every path.
class PcxScanLineSource {
public:
    PcxScanLineSource() = default;
    PcxScanLineSource(const PcxScanLineSource&) = delete;
    PcxScanLineSource& operator=(const PcxScanLineSource&) = delete;

    // The file must be positioned at the image data; imageDataBytes bounds
    // what is read. Sets code 6 (plane buffer) or 12 (read-ahead buffer) and
    // returns false on failure.
    bool Open(const kypcx::PcxDecodeLayout& layout, ULONGLONG imageDataBytes, PcxErrorCode* code);

    // Decodes the next line into `row`. Returns its status.
    PcxLineStatus NextRow(HANDLE file, BYTE* row, PcxErrorCode* code) {
        const PcxLineStatus status = DecodePcxScanLine(&buffer_, file, planes_, layout_.encodedLineSize, code);
        if (status == PcxLineStatus::Complete || status == PcxLineStatus::Truncated)
            kypcx::AssemblePcxRow(layout_, planes_, row);
        return status;
    }

private:
    kypcx::PcxDecodeLayout layout_;
    ScopedGlobal planeBlock_;
    ScopedGlobalLock planeLock_;
    BYTE* planes_ = nullptr;
    PcxReadBuffer buffer_{};
    ScopedPcxReadBuffer readBlock_;
};

// Runs the loop. rowFor(r) gives the destination of row r; afterRow(r,
// rowsSoFar, row) is the decoder's step and returns false to stop (it sets
// its own code). A failed refill sets code 10. Data that runs out is not an
// error: the loop stops after the last row that got any data.
template <typename RowFor, typename AfterRow>
PcxLoopResult RunPcxScanLineLoop(HANDLE file, const kypcx::PcxDecodeLayout& layout, PcxScanLineSource& source,
                                 PcxErrorCode* code, RowFor rowFor, AfterRow afterRow) {
    PcxLoopResult result;
    for (LONG r = layout.height - 1; r >= 0 && *code == PCX_OK; --r) {
        BYTE* row = rowFor(r);
        const PcxLineStatus status = source.NextRow(file, row, code);
        if (status == PcxLineStatus::ReadError || status == PcxLineStatus::Empty) break;
        ++result.rowsDecoded;
        result.lastRow = r;
        if (!afterRow(r, result.rowsDecoded, row)) break;
        if (status == PcxLineStatus::Truncated) break;
    }
    return result;
}
