// Run-length encoder for PCX scan lines, into memory.
//
// Most of a natural image's scan line is literal bytes: values below 0xC0
// that differ from the next byte. The coder compares a block of 16 bytes
// with the block one byte further on; where no byte equals its successor and
// none needs a count byte, the block is copied whole. The first byte that
// does either starts a run, which is measured (16 bytes at a time for long
// ones) and coded on its own.
#include "kypcx/pcx_rle_encode.h"

#include "pcx_byte_blocks.h"

namespace kypcx {

using blocks::kBlockSize;

uint32_t PcxRunLengthAt(const uint8_t* bytes, size_t length, size_t pos) {
    const uint8_t value = bytes[pos];
    const size_t left = length - pos;
    const size_t limit = left < kMaxRunLength ? left : kMaxRunLength;
    size_t count = 1;
    const blocks::Block fill = blocks::Splat(value);
    while (count + kBlockSize <= limit) {
        const uint32_t equal = blocks::EqualMask(blocks::Load(bytes + pos + count), fill);
        if (equal != 0xFFFF) return static_cast<uint32_t>(count + blocks::LowestBit(~equal));
        count += kBlockSize;
    }
    while (count < limit && bytes[pos + count] == value) ++count;
    return static_cast<uint32_t>(count);
}

size_t EncodePcxRunsBounded(const uint8_t* bytes, size_t length, size_t* pos, uint8_t* out, size_t room) {
    size_t in = *pos;
    size_t written = 0;
    while (in < length) {
        // Literal blocks: each byte compared with the one after it, so the
        // block's 16 bytes and one more must be there.
        while (in + kBlockSize + 1 <= length && room - written >= kBlockSize) {
            const blocks::Block here = blocks::Load(bytes + in);
            const uint32_t stop =
                blocks::EqualMask(here, blocks::Load(bytes + in + 1)) | blocks::RunCodeMask(here);
            blocks::Store(out + written, here);
            if (stop == 0) {
                in += kBlockSize;
                written += kBlockSize;
                continue;
            }
            const size_t literals = blocks::LowestBit(stop);
            in += literals;
            written += literals;
            break;
        }
        if (in == length) break;
        const uint32_t count = PcxRunLengthAt(bytes, length, in);
        const uint8_t value = bytes[in];
        const size_t codes = (count == 1 && value < kRunMarker) ? 1 : 2;
        if (room - written < codes) break;
        written += PutPcxRun(value, count, out + written);
        in += count;
    }
    *pos = in;
    return written;
}

size_t EncodePcxRuns(const uint8_t* bytes, size_t length, uint8_t* out) {
    size_t pos = 0;
    return EncodePcxRunsBounded(bytes, length, &pos, out, MaxEncodedSize(length));
}

}  // namespace kypcx
