// Run-length decoding of PCX scan lines, bounded on both sides.
#include <cstring>

#include "kypcx/pcx_decode.h"
#include "kypcx/pcx_format.h"

namespace kypcx {

size_t DecodePcxRuns(const uint8_t* src, size_t srcSize, size_t* srcPos, uint8_t* line, size_t lineSize,
                     size_t produced) {
    size_t pos = *srcPos;
    while (produced < lineSize && pos < srcSize) {
        const uint8_t b = src[pos];
        if (!IsRunCode(b)) {
            line[produced++] = b;
            ++pos;
            continue;
        }
        if (pos + 1 >= srcSize) break;  // the value byte has not arrived yet
        const uint8_t value = src[pos + 1];
        pos += 2;
        // A run past the line's end is cut; its surplus is discarded.
        size_t n = b & kRunCountMask;
        if (n > lineSize - produced) n = lineSize - produced;
        uint8_t* out = line + produced;
        produced += n;
        if (n > 16) {
            std::memset(out, value, n);
        } else {
            while (n-- != 0) *out++ = value;
        }
    }
    *srcPos = pos;
    return produced;
}

bool DecodePcxRunsStrict(const uint8_t* src, size_t srcSize, size_t* srcPos, uint8_t* line, size_t lineSize,
                         size_t* produced) {
    size_t pos = *srcPos;
    size_t done = *produced;
    bool ok = true;
    while (done < lineSize && pos < srcSize) {
        const uint8_t b = src[pos];
        if (!IsRunCode(b)) {
            line[done++] = b;
            ++pos;
            continue;
        }
        if (pos + 1 >= srcSize) break;
        const size_t count = b & kRunCountMask;
        if (count > lineSize - done) {
            ok = false;
            break;
        }
        std::memset(line + done, src[pos + 1], count);
        done += count;
        pos += 2;
    }
    *srcPos = pos;
    *produced = done;
    return ok;
}

}  // namespace kypcx
