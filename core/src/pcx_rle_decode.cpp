// Run-length decoding of PCX scan lines, bounded on both sides.
#include <cstring>

#include "kypcx/pcx_decode.h"
#include "kypcx/pcx_format.h"

namespace kypcx {

size_t DecodePcxRuns(const uint8_t* src, size_t srcSize, size_t* srcPos, uint8_t* line, size_t lineSize,
                     size_t produced) {
    size_t pos = *srcPos;
    while (produced < lineSize && pos < srcSize) {
        // Literal bytes come in stretches in detailed images: copy a stretch at once.
        size_t literals = 0;
        const size_t room = lineSize - produced;
        const size_t limit = srcSize - pos < room ? srcSize - pos : room;
        while (literals < limit && !IsRunCode(src[pos + literals])) ++literals;
        if (literals != 0) {
            std::memcpy(line + produced, src + pos, literals);
            produced += literals;
            pos += literals;
            continue;
        }
        if (pos + 1 >= srcSize) break;  // the value byte has not arrived yet
        const size_t count = src[pos] & kRunCountMask;
        const uint8_t value = src[pos + 1];
        pos += 2;
        // A run past the line's end is cut; its surplus is discarded.
        const size_t n = count < lineSize - produced ? count : lineSize - produced;
        std::memset(line + produced, value, n);
        produced += n;
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
