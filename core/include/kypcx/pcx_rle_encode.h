// Run-length coding of one stretch of scan-line bytes into PCX codes.
// The codes are part of the file format other readers rely on, so the rules
// are fixed: runs of at most 63, a run never carried from one call into the
// next, and every value of 0xC0 or above written behind a count byte.
#pragma once

#include <cstddef>
#include <cstdint>

#include "kypcx/pcx_format.h"

namespace kypcx {

// The most bytes EncodePcxRuns can produce for `length` input bytes.
constexpr size_t MaxEncodedSize(size_t length) { return 2 * length; }

// The code bytes of one run (`count` 1 to 63) into `out` (room for 2): the
// value alone when it is a single byte below 0xC0, else a count byte and the
// value. Returns how many bytes it stored, 0 for a count of 0.
inline size_t PutPcxRun(uint8_t value, uint32_t count, uint8_t* out) {
    if (count == 0) return 0;
    if (count == 1 && value < kRunMarker) {
        out[0] = value;
        return 1;
    }
    out[0] = static_cast<uint8_t>(kRunMarker | count);
    out[1] = value;
    return 2;
}

// Splits `length` (>= 1) bytes into runs and hands each to
// `writeRun(value, count)`, which returns the bytes it wrote or 0 on failure.
// Returns the total written, or 0 as soon as one run fails (the rest of the
// stretch is then not offered). Both the in-memory encoder and the file
// writer's line encoder are this one loop, so their codes cannot differ.
template <typename RunWriter>
size_t EncodePcxRunsTo(const uint8_t* bytes, size_t length, RunWriter&& writeRun) {
    if (length == 0) return 0;
    size_t total = 0;
    uint8_t value = bytes[0];
    uint32_t count = 1;
    for (size_t i = 1; i < length; ++i) {
        const uint8_t b = bytes[i];
        if (b == value) {
            // A full run is written at once; the run value stays, so a further
            // equal byte begins a new run of it.
            if (++count == kMaxRunLength) {
                const size_t written = writeRun(value, count);
                if (written == 0) return 0;
                total += written;
                count = 0;
            }
        } else {
            if (count != 0) {
                const size_t written = writeRun(value, count);
                if (written == 0) return 0;
                total += written;
            }
            value = b;
            count = 1;
        }
    }
    if (count != 0) {
        const size_t written = writeRun(value, count);
        if (written == 0) return 0;
        total += written;
    }
    return total;
}

// Encodes `length` (>= 1) bytes into `out`, which must hold
// MaxEncodedSize(length) bytes. Returns the number of bytes written.
size_t EncodePcxRuns(const uint8_t* bytes, size_t length, uint8_t* out);

}  // namespace kypcx
