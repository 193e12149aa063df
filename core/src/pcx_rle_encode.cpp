// Run-length encoder for PCX scan lines, into memory.
#include "kypcx/pcx_rle_encode.h"

namespace kypcx {

size_t EncodePcxRuns(const uint8_t* bytes, size_t length, uint8_t* out) {
    uint8_t* cursor = out;
    return EncodePcxRunsTo(bytes, length, [&cursor](uint8_t value, uint32_t count) {
        const size_t written = PutPcxRun(value, count, cursor);
        cursor += written;
        return written;
    });
}

}  // namespace kypcx
