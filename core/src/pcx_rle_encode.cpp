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

namespace {

// Room a whole block may need: two code bytes per input byte, and a block
// store of literals starting anywhere in that.
constexpr size_t kBlockRoom = 3 * kBlockSize;

// Codes one block at bytes[in] whose runs end inside it, from its masks:
// `equal` (byte i equals byte i + 1) and `stop` (that, or byte i needs a
// count byte). Literal stretches are stored a block at a time; a run's
// length is its equal pairs plus one. Returns the bytes of input coded: 16,
// or fewer when a run reaches the block's end (its length is then measured
// by the caller).
inline unsigned CodeBlock(const uint8_t* bytes, uint32_t equal, uint32_t stop, uint8_t* out, size_t* written) {
    unsigned at = 0;
    size_t put = *written;
    while (at < kBlockSize) {
        const uint32_t ahead = stop >> at;
        if (ahead == 0) {
            blocks::Store(out + put, blocks::Load(bytes + at));
            put += kBlockSize - at;
            at = kBlockSize;
            break;
        }
        // Stored even when there are none: what lies past them is overwritten.
        const unsigned literals = blocks::LowestBit(ahead);
        blocks::Store(out + put, blocks::Load(bytes + at));
        put += literals;
        at += literals;
        const unsigned pairs = blocks::LowestBit(~(equal >> at));
        if (at + pairs >= kBlockSize) break;
        const uint8_t value = bytes[at];
        const unsigned count = pairs + 1;
        // A lone byte below 0xC0 is its own code; else a count byte and the
        // value. Chosen by mask rather than branch: the data decides it.
        const unsigned alone = static_cast<unsigned>(count == 1) & static_cast<unsigned>(value < kRunMarker);
        const uint8_t keep = static_cast<uint8_t>(0u - alone);
        out[put] = static_cast<uint8_t>((value & keep) | ((kRunMarker | count) & ~keep));
        out[put + 1] = value;
        put += 2 - alone;
        at += count;
    }
    *written = put;
    return at;
}

// Four blocks at a time: a span of 64 bytes whose runs and literal
// stretches are found from 64-bit masks, so that the loop over them ends
// (and its branch is mispredicted) once a span rather than once a block.
constexpr size_t kSpan = 4 * kBlockSize;
// Literals are stored two blocks at a time at least: the short stretches
// between runs then cost no loop whose end is mispredicted.
constexpr size_t kLiteralStore = 2 * kBlockSize;
// Room a whole span may need: two code bytes per input byte, and a store of
// literals starting anywhere in that.
constexpr size_t kSpanRoom = 2 * kSpan + kLiteralStore;

inline unsigned LowestBit64(uint64_t mask) { return static_cast<unsigned>(__builtin_ctzll(mask)); }

// Stores bytes[0, n) at out by whole blocks, two at least: bytes past n are
// written too (up to 31), and overwritten by what follows.
inline void StoreLiterals(uint8_t* out, const uint8_t* bytes, size_t n) {
    blocks::Store(out, blocks::Load(bytes));
    blocks::Store(out + kBlockSize, blocks::Load(bytes + kBlockSize));
    for (size_t k = kLiteralStore; k < n; k += kBlockSize) blocks::Store(out + k, blocks::Load(bytes + k));
}

// Codes the span at bytes (96 bytes readable: each byte is compared with its
// successor, and literals are loaded two blocks at a time) into out, which
// has kSpanRoom bytes. Returns the bytes of input coded: 64, or fewer when a run
// reaches the span's end or is longer than one code holds (its length is
// then measured by the caller). *written grows by the bytes stored.
inline size_t CodeSpan(const uint8_t* bytes, uint8_t* out, size_t* written) {
    uint64_t equal = 0;
    uint64_t stop = 0;
    for (unsigned k = 0; k < 4; ++k) {
        const blocks::Block here = blocks::Load(bytes + kBlockSize * k);
        const uint32_t e = blocks::EqualMask(here, blocks::Load(bytes + kBlockSize * k + 1));
        equal |= uint64_t{e} << (kBlockSize * k);
        stop |= uint64_t{e | blocks::RunCodeMask(here)} << (kBlockSize * k);
    }
    size_t at = 0;
    size_t put = 0;
    while (at < kSpan) {
        const uint64_t ahead = stop >> at;
        if (ahead == 0) {
            StoreLiterals(out + put, bytes + at, kSpan - at);
            put += kSpan - at;
            at = kSpan;
            break;
        }
        const unsigned literals = LowestBit64(ahead);
        StoreLiterals(out + put, bytes + at, literals);
        put += literals;
        at += literals;
        // Equal pairs from `at` on; all 64 when the whole span and the byte
        // after it are one value.
        const uint64_t unequal = ~(equal >> at);
        const unsigned pairs = unequal == 0 ? unsigned{kSpan} : LowestBit64(unequal);
        if (at + pairs >= kSpan || pairs >= kMaxRunLength) break;
        const uint8_t value = bytes[at];
        const unsigned count = pairs + 1;
        // As in CodeBlock: a lone byte below 0xC0 is its own code.
        const unsigned alone = static_cast<unsigned>(count == 1) & static_cast<unsigned>(value < kRunMarker);
        const uint8_t keep = static_cast<uint8_t>(0u - alone);
        out[put] = static_cast<uint8_t>((value & keep) | ((kRunMarker | count) & ~keep));
        out[put + 1] = value;
        put += 2 - alone;
        at += count;
    }
    *written += put;
    return at;
}

}  // namespace

size_t EncodePcxRunsBounded(const uint8_t* bytes, size_t length, size_t* pos, uint8_t* out, size_t room) {
    size_t in = *pos;
    size_t written = 0;
    while (in < length) {
        if (in + kSpan + kLiteralStore <= length && room - written >= kSpanRoom) {
            const size_t coded = CodeSpan(bytes + in, out + written, &written);
            in += coded;
            if (coded == kSpan) continue;
            // A run that reaches past the span, or a long one: measured,
            // coded on its own.
            const uint32_t count = PcxRunLengthAt(bytes, length, in);
            written += PutPcxRun(bytes[in], count, out + written);
            in += count;
            continue;
        }
        // Two blocks of input are there (a block is read from anywhere in
        // the first, and each byte is compared with its successor), and the
        // room holds the most a block can need.
        if (in + 2 * kBlockSize <= length && room - written >= kBlockRoom) {
            const blocks::Block here = blocks::Load(bytes + in);
            const uint32_t equal = blocks::EqualMask(here, blocks::Load(bytes + in + 1));
            const uint32_t stop = equal | blocks::RunCodeMask(here);
            if (stop == 0) {
                blocks::Store(out + written, here);
                in += kBlockSize;
                written += kBlockSize;
                continue;
            }
            const unsigned coded = CodeBlock(bytes + in, equal, stop, out, &written);
            in += coded;
            if (coded == kBlockSize) continue;
            // A run that reaches past the block: measured, coded on its own.
            const uint32_t count = PcxRunLengthAt(bytes, length, in);
            written += PutPcxRun(bytes[in], count, out + written);
            in += count;
            continue;
        }
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
