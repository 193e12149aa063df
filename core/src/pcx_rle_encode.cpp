// Run-length encoder for PCX scan lines, into memory.
//
// Most of a natural image's scan line is literal bytes: values below 0xC0
// that differ from the next byte, between short runs. The coder compares
// blocks of 16 bytes with the blocks one byte further on, four blocks at a
// time, and finds in the masks where runs and bytes that need a count byte
// stand; the literal stretches between them are copied a block at a time. A
// run that reaches past the bytes looked at is measured (16 bytes at a time
// for long ones) and coded on its own.
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

// The coder's steps: a span of four blocks where the input and the room
// allow, so that the loop over a span's runs ends (and its branch is
// mispredicted) once every 64 bytes; a single block near the end of either.
constexpr unsigned kSpanBlocks = 4;

// Literal stretches are stored a block at a time, two at least in a span:
// the short stretches between runs then cost no loop whose end is
// mispredicted.
template <unsigned kBlocks>
constexpr size_t kLiteralStore = (kBlocks < 2 ? kBlocks : 2) * kBlockSize;

// Input a step reads: its blocks, and a literal store from anywhere in them
// (which also covers each byte's comparison with its successor).
template <unsigned kBlocks>
constexpr size_t kStepInput = kBlocks * kBlockSize + kLiteralStore<kBlocks>;

// Room a step may need: two code bytes per input byte, and a literal store
// starting anywhere in that.
template <unsigned kBlocks>
constexpr size_t kStepRoom = 2 * kBlocks * kBlockSize + kLiteralStore<kBlocks>;

inline unsigned LowestBit64(uint64_t mask) { return static_cast<unsigned>(__builtin_ctzll(mask)); }

// Stores bytes[0, n) at out by whole blocks, kLiteralStore bytes at least:
// bytes past n are written too, and overwritten by what follows.
template <unsigned kBlocks>
inline void StoreLiterals(uint8_t* out, const uint8_t* bytes, size_t n) {
    for (size_t k = 0; k < kLiteralStore<kBlocks>; k += kBlockSize) blocks::Store(out + k, blocks::Load(bytes + k));
    for (size_t k = kLiteralStore<kBlocks>; k < n; k += kBlockSize) blocks::Store(out + k, blocks::Load(bytes + k));
}

// Codes the kBlocks blocks at bytes into out (kStepInput bytes readable,
// kStepRoom bytes of room), from their masks: `equal` (byte i equals byte
// i + 1) and `stop` (that, or byte i needs a count byte). A run's length is
// its equal pairs plus one. Returns the bytes of input coded: all of them,
// or fewer when a run reaches the step's end or is longer than one code
// holds (its length is then measured by the caller); adds the bytes stored
// to *written.
template <unsigned kBlocks>
size_t CodeStep(const uint8_t* bytes, uint8_t* out, size_t* written) {
    constexpr size_t kLength = kBlocks * kBlockSize;
    uint64_t equal = 0;
    uint64_t stop = 0;
    for (unsigned k = 0; k < kBlocks; ++k) {
        const blocks::Block here = blocks::Load(bytes + kBlockSize * k);
        const uint32_t e = blocks::EqualMask(here, blocks::Load(bytes + kBlockSize * k + 1));
        equal |= uint64_t{e} << (kBlockSize * k);
        stop |= uint64_t{e | blocks::RunCodeMask(here)} << (kBlockSize * k);
    }
    size_t at = 0;
    size_t put = 0;
    while (at < kLength) {
        const uint64_t ahead = stop >> at;
        if (ahead == 0) {
            StoreLiterals<kBlocks>(out + put, bytes + at, kLength - at);
            put += kLength - at;
            at = kLength;
            break;
        }
        const unsigned literals = LowestBit64(ahead);
        StoreLiterals<kBlocks>(out + put, bytes + at, literals);
        put += literals;
        at += literals;
        // Equal pairs from `at` on; all of them when the whole span and the
        // byte after it are one value.
        const uint64_t unequal = ~(equal >> at);
        const unsigned pairs = unequal == 0 ? unsigned{kLength} : LowestBit64(unequal);
        if (at + pairs >= kLength || pairs >= kMaxRunLength) break;
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
    *written += put;
    return at;
}

}  // namespace

size_t EncodePcxRunsBounded(const uint8_t* bytes, size_t length, size_t* pos, uint8_t* out, size_t room) {
    size_t in = *pos;
    size_t written = 0;
    while (in < length) {
        size_t coded = 0;
        size_t stepLength = 0;
        if (in + kStepInput<kSpanBlocks> <= length && room - written >= kStepRoom<kSpanBlocks>) {
            coded = CodeStep<kSpanBlocks>(bytes + in, out + written, &written);
            stepLength = kSpanBlocks * kBlockSize;
        } else if (in + kStepInput<1> <= length && room - written >= kStepRoom<1>) {
            coded = CodeStep<1>(bytes + in, out + written, &written);
            stepLength = kBlockSize;
        } else {
            // Near the end of the input or of the room: run by run, while
            // each run's codes fit.
            const uint32_t count = PcxRunLengthAt(bytes, length, in);
            const uint8_t value = bytes[in];
            const size_t codes = (count == 1 && value < kRunMarker) ? 1 : 2;
            if (room - written < codes) break;
            written += PutPcxRun(value, count, out + written);
            in += count;
            continue;
        }
        in += coded;
        if (coded == stepLength) continue;
        // A run that reaches past the step, or a long one: measured, coded
        // on its own (the room a step needs holds its codes too).
        const uint32_t count = PcxRunLengthAt(bytes, length, in);
        written += PutPcxRun(bytes[in], count, out + written);
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
