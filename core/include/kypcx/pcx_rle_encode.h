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

// The plain run loop: splits `length` (>= 1) bytes into runs and hands each
// to `writeRun(value, count)`, which returns the bytes it wrote or 0 on
// failure. Returns the total written, or 0 as soon as one run fails (the rest
// of the stretch is then not offered). The block coder below must give the
// same codes; the tests and the fuzz target hold it to this loop.
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

// The run that starts at bytes[pos] (pos < length): its length, 1 to 63,
// ending at the first different byte, at 63, or at the end of the stretch.
// The loop above starts every run this way, so a stretch may be coded in
// pieces that end at run boundaries with the same codes as in one go.
uint32_t PcxRunLengthAt(const uint8_t* bytes, size_t length, size_t pos);

// Codes the runs of bytes[*pos, length) into out[0, room), run after run,
// and stops at the stretch's end or before the first run whose codes do not
// fit in what is left of `room`. Advances *pos past the runs coded (always to
// a run boundary, where the next call resumes) and returns the bytes
// written. Literal stretches are found and copied 16 bytes at a time; the
// codes are those of EncodePcxRunsTo with PutPcxRun.
size_t EncodePcxRunsBounded(const uint8_t* bytes, size_t length, size_t* pos, uint8_t* out, size_t room);

// Encodes `length` (>= 1) bytes into `out`, which must hold
// MaxEncodedSize(length) bytes. Returns the number of bytes written.
size_t EncodePcxRuns(const uint8_t* bytes, size_t length, uint8_t* out);

}  // namespace kypcx
