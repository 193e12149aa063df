// Run-length decoding of PCX scan lines, bounded on both sides.
//
// The decoder runs a fast loop while the input holds two more blocks and
// the line has room for a block of literal bytes plus the longest run: the
// count bytes of a 16-byte block of input are found at once, each stretch of
// literals between them is stored as a whole block, and a run is stored in
// 16-byte blocks (the stores past a stretch's or a run's end land inside the
// line and are overwritten by what follows). Near either end the byte-at-a-time loop finishes, so the
// bounds are those of the plain loop: nothing is read at or after srcSize,
// nothing written at or after lineSize.
#include <cstring>

#include "kypcx/pcx_decode.h"
#include "kypcx/pcx_format.h"
#include "pcx_byte_blocks.h"

namespace kypcx {

namespace {

using blocks::kBlockSize;

// Input the fast loop needs ahead: a block, then literal blocks loaded from
// any place inside it (and a run's value byte after a count byte in its last
// place).
constexpr size_t kFastInput = 2 * kBlockSize;
// Line room the fast loop needs before each step: up to 15 literal bytes
// stored as a block, then a run of up to 16 stored as one block. A longer
// run is stored in four blocks, and only where those 64 bytes fit.
constexpr size_t kFastRoom = (kBlockSize - 1) + kBlockSize;
constexpr size_t kLongRunRoom = 4 * kBlockSize;

// The fast loop of the decoder, whatever the policy (it never crosses a line's end). One 16-byte block of input is
// scanned for count bytes once; every code inside it is then taken from
// that mask (a run's value byte is skipped by clearing its bit, as it may
// look like a count byte), so that finding the next code does not wait for
// a load at the position the previous one left. Each stretch of literals is
// stored as a whole block, the next run or stretch overwriting its surplus.
// Every store lands inside the line: before each step there is room for a
// block of literals and then a block of a short run; a long run is taken
// here only where its four blocks fit, else it is left at its count byte to
// the byte-at-a-time loop.
inline void DecodeFast(const uint8_t* src, size_t srcSize, size_t* srcPos, uint8_t* line, size_t lineSize,
                       size_t* produced) {
    size_t pos = *srcPos;
    size_t done = *produced;
    while (pos + kFastInput <= srcSize && done + kFastRoom <= lineSize) {
        const uint8_t* block = src + pos;
        uint32_t codes = blocks::RunCodeMask(blocks::Load(block));
        size_t at = 0;  // bytes of the block taken so far
        bool roomLeft = true;
        while (codes != 0) {
            const size_t code = blocks::LowestBit(codes);
            blocks::Store(line + done, blocks::Load(block + at));  // the literals block[at, code)
            done += code - at;
            const size_t count = block[code] & kRunCountMask;
            const blocks::Block fill = blocks::Splat(block[code + 1]);
            blocks::Store(line + done, fill);
            if (count > kBlockSize) {
                if (done + kLongRunRoom > lineSize) {  // left to the byte-at-a-time loop
                    *srcPos = pos + code;
                    *produced = done;
                    return;
                }
                blocks::Store(line + done + kBlockSize, fill);
                blocks::Store(line + done + 2 * kBlockSize, fill);
                blocks::Store(line + done + 3 * kBlockSize, fill);
            }
            done += count;
            at = code + 2;  // at most 17: the value byte may be the one after the block
            codes &= ~uint32_t{0} << at;
            if (done + kFastRoom > lineSize) {
                roomLeft = false;
                break;
            }
        }
        if (roomLeft && at < kBlockSize) {  // the rest of the block is literals
            blocks::Store(line + done, blocks::Load(block + at));
            done += kBlockSize - at;
            at = kBlockSize;
        }
        pos += at;
    }
    *srcPos = pos;
    *produced = done;
}

}  // namespace

bool DecodePcxRuns(const uint8_t* src, size_t srcSize, size_t* srcPos, uint8_t* line, size_t lineSize,
                   size_t* produced, PcxRunPolicy policy) {
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
        if (pos + 1 >= srcSize) break;  // the value byte has not arrived yet
        size_t count = b & kRunCountMask;
        if (count > lineSize - done) {
            if (policy == PcxRunPolicy::RefuseCrossing) {
                ok = false;
                break;
            }
            count = lineSize - done;  // the surplus is discarded
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
