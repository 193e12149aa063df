// Run-length decoding of PCX scan lines, bounded on both sides.
//
// Both decoders run a fast loop while the input holds more than a block and
// the line has room for a block of literal bytes plus the longest run: a
// block of input is stored into the line whole, the bytes before its first
// count byte are taken as literals, and a run is stored in 16-byte blocks
// (the stores past the run's end land inside the line and are overwritten by
// what follows it). Near either end the byte-at-a-time loop finishes, so the
// bounds are those of the plain loop: nothing is read at or after srcSize,
// nothing written at or after lineSize.
#include <cstring>

#include "kypcx/pcx_decode.h"
#include "kypcx/pcx_format.h"
#include "pcx_byte_blocks.h"

namespace kypcx {

namespace {

using blocks::kBlockSize;

// Input the fast loop needs ahead: a block, and a run's value byte after a
// count byte in its last place.
constexpr size_t kFastInput = kBlockSize + 1;
// Line room the fast loop needs: up to 15 literal bytes, then a run of up to
// 63 stored in four blocks.
constexpr size_t kFastRoom = (kBlockSize - 1) + 4 * kBlockSize;

// Stores `count` (at most 63) copies of value at out, in whole blocks: the
// caller guarantees 64 bytes of room.
inline void FillRun(uint8_t* out, uint8_t value, size_t count) {
    const blocks::Block fill = blocks::Splat(value);
    blocks::Store(out, fill);
    if (count > kBlockSize) {
        blocks::Store(out + kBlockSize, fill);
        blocks::Store(out + 2 * kBlockSize, fill);
        blocks::Store(out + 3 * kBlockSize, fill);
    }
}

// The fast loop shared by both decoders. A run here always fits: the room
// left after the literals is at least 64.
inline void DecodeFast(const uint8_t* src, size_t srcSize, size_t* srcPos, uint8_t* line, size_t lineSize,
                       size_t* produced) {
    size_t pos = *srcPos;
    size_t done = *produced;
    while (pos + kFastInput <= srcSize && done + kFastRoom <= lineSize) {
        const blocks::Block chunk = blocks::Load(src + pos);
        blocks::Store(line + done, chunk);
        const uint32_t codes = blocks::RunCodeMask(chunk);
        if (codes == 0) {
            pos += kBlockSize;
            done += kBlockSize;
            continue;
        }
        const size_t literals = blocks::LowestBit(codes);
        pos += literals;
        done += literals;
        const size_t count = src[pos] & kRunCountMask;
        FillRun(line + done, src[pos + 1], count);
        pos += 2;
        done += count;
    }
    *srcPos = pos;
    *produced = done;
}

}  // namespace

size_t DecodePcxRuns(const uint8_t* src, size_t srcSize, size_t* srcPos, uint8_t* line, size_t lineSize,
                     size_t produced) {
    size_t pos = *srcPos;
    DecodeFast(src, srcSize, &pos, line, lineSize, &produced);
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
    DecodeFast(src, srcSize, &pos, line, lineSize, &done);
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
