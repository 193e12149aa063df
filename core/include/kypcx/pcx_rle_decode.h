// Run-length decoding of PCX scan lines, bounded on both sides.
// Portable: no Windows headers.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kypcx {

// What a run that reaches past the end of its line means.
enum class PcxRunPolicy : uint8_t {
    CutAtLineEnd,    // the run is cut there and its surplus discarded (the file decoders, the painter)
    RefuseCrossing,  // the data is corrupt (the in-memory bitmap decoder)
};

// The one run-length decoder: decodes from src[*srcPos, srcSize) into
// line[*produced, lineSize) until the line is full or the input ends, and
// advances both positions. A run of count 0 adds nothing; a count byte whose
// value byte lies beyond srcSize is left unread. Under RefuseCrossing a run
// that would reach past the line's end is left unread and false returned;
// otherwise the result is true. Never reads or writes outside the ranges;
// line bytes past *produced may have been written over (whole 16-byte blocks
// are stored), so a caller that keeps a cut line completes it itself, as the
// decoders do with zeros.
bool DecodePcxRuns(const uint8_t* src, size_t srcSize, size_t* srcPos, uint8_t* line, size_t lineSize,
                   size_t* produced, PcxRunPolicy policy = PcxRunPolicy::CutAtLineEnd);

}  // namespace kypcx
