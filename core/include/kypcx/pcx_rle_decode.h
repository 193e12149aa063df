// Run-length decoding of PCX scan lines, bounded on both sides.
// Portable: no Windows headers.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kypcx {

// Run-length decodes from src[*srcPos, srcSize) into line[produced,
// lineSize) until the line is full or the input ends, and returns how many
// bytes the line then holds. A run that reaches past the line's end is cut
// there; a run of count 0 adds nothing; a count byte whose value byte lies
// beyond srcSize is left unread. Never reads or writes outside the ranges;
// line bytes past the returned count may have been written over (whole
// 16-byte blocks are stored), so a caller that keeps a cut line completes
// it itself, as the decoders do with zeros.
size_t DecodePcxRuns(const uint8_t* src, size_t srcSize, size_t* srcPos, uint8_t* line, size_t lineSize,
                     size_t produced);

// Like DecodePcxRuns for a whole line, but a run that would reach past the
// line's end is an error: returns false and leaves *srcPos at that run.
// Used by the in-memory decoder, which treats such data as corrupt.
bool DecodePcxRunsStrict(const uint8_t* src, size_t srcSize, size_t* srcPos, uint8_t* line, size_t lineSize,
                         size_t* produced);

}  // namespace kypcx
