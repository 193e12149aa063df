// Run-length coding of one stretch of scan-line bytes into PCX codes.
// The codes are part of the file format other readers rely on, so the rules
// are fixed: runs of at most 63, a run never carried from one call into the
// next, and every value of 0xC0 or above written behind a count byte.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kypcx {

// The most bytes EncodePcxRuns can produce for `length` input bytes.
constexpr size_t MaxEncodedSize(size_t length) { return 2 * length; }

// Encodes `length` (>= 1) bytes into `out`, which must hold
// MaxEncodedSize(length) bytes. Returns the number of bytes written.
size_t EncodePcxRuns(const uint8_t* bytes, size_t length, uint8_t* out);

}  // namespace kypcx
