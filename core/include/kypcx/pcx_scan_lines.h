// The one scan-line loop of every PCX reader: coded bytes come from a feed
// (a span of memory, or a file read ahead in blocks) and one scan line at a
// time is expanded into a plane buffer by the one run-length decoder, or
// copied where lines are stored as they are. What differs between readers
// is said by their options: how lines are stored, and what a run that
// crosses a line's end means. Portable: no Windows headers.
#pragma once

#include <cstddef>
#include <cstdint>

#include "kypcx/pcx_decode.h"

namespace kypcx {

// A window onto the coded bytes: data[position, size) are held and not yet
// decoded. A feed that cannot bring more bytes is exhausted.
class PcxByteFeed {
public:
    const uint8_t* data = nullptr;
    size_t size = 0;
    size_t position = 0;
    bool exhausted = false;

    // Brings more bytes behind the unread ones (the window may move: `data`
    // and `position` change), or marks the feed exhausted when none are left.
    // False when the bytes cannot be read.
    virtual bool Refill() = 0;

protected:
    ~PcxByteFeed() = default;
};

// A span of memory: every byte is held from the start.
class PcxMemoryFeed final : public PcxByteFeed {
public:
    PcxMemoryFeed(const uint8_t* bytes, size_t length) {
        data = bytes;
        size = length;
        exhausted = true;
    }
    bool Refill() override { return true; }
};

// How a reader's lines are read.
struct PcxScanLineRules {
    PcxLineCoding coding = PcxLineCoding::RunLength;
    PcxRunPolicy runs = PcxRunPolicy::CutAtLineEnd;
};

enum class PcxLineStatus {
    Complete,   // the line holds all its bytes
    Truncated,  // the data ran out inside the line; its rest is zero
    Empty,      // the data ran out before the line began
    ReadError,  // the feed could not bring more bytes
    Corrupt,    // a run crosses the line's end where the rules refuse that
};

// Reads one scan line of `lineSize` bytes into `line`, refilling the feed
// whenever the held bytes run out inside the line.
PcxLineStatus DecodePcxScanLine(PcxByteFeed& feed, const PcxScanLineRules& rules, uint8_t* line, size_t lineSize);

}  // namespace kypcx
