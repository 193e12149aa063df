// Run-length encoder for PCX scan lines.
#include "kypcx/pcx_rle_encode.h"

#include "kypcx/pcx_format.h"

namespace kypcx {

namespace {

inline uint8_t* PutRun(uint8_t* out, uint8_t value, uint32_t count) {
    if (count == 1 && value < kRunMarker) {
        *out++ = value;
    } else {
        *out++ = static_cast<uint8_t>(kRunMarker | count);
        *out++ = value;
    }
    return out;
}

}  // namespace

size_t EncodePcxRuns(const uint8_t* bytes, size_t length, uint8_t* out) {
    if (length == 0) return 0;
    uint8_t* const start = out;
    uint8_t value = bytes[0];
    uint32_t count = 1;
    for (size_t i = 1; i < length; ++i) {
        const uint8_t b = bytes[i];
        if (b == value) {
            // A full run is written at once; the run value stays, so a further
            // equal byte begins a new run of it.
            if (++count == kMaxRunLength) {
                out = PutRun(out, value, count);
                count = 0;
            }
        } else {
            if (count != 0) out = PutRun(out, value, count);
            value = b;
            count = 1;
        }
    }
    if (count != 0) out = PutRun(out, value, count);
    return static_cast<size_t>(out - start);
}

}  // namespace kypcx
