// 16-byte blocks for the run-length coders' fast loops: load and store a
// block, find the bytes that need a count byte, find neighbours that are
// equal, and fill a block with one value. With SSE2 (every x86 processor a
// supported Windows runs on has it) these are single instructions; elsewhere,
// or when KYPCX_PORTABLE_BLOCKS is defined (to test the fallback), they are
// two 64-bit words. Masks have bit i set for byte i of the block.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__) && !defined(KYPCX_PORTABLE_BLOCKS)
#include <emmintrin.h>
#define KYPCX_SSE2_BLOCKS 1
#endif

namespace kypcx {
namespace blocks {

constexpr size_t kBlockSize = 16;

// Index of the lowest set bit of a non-zero mask.
inline unsigned LowestBit(uint32_t mask) { return static_cast<unsigned>(__builtin_ctz(mask)); }

#if defined(KYPCX_SSE2_BLOCKS)

using Block = __m128i;

inline Block Load(const uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
inline void Store(uint8_t* p, Block b) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), b); }
inline Block Splat(uint8_t value) { return _mm_set1_epi8(static_cast<char>(value)); }

// Bytes of 0xC0 and above: count bytes when decoding, values that need one
// when encoding.
inline uint32_t RunCodeMask(Block b) {
    const __m128i marker = _mm_set1_epi8(static_cast<char>(0xC0));
    return static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_and_si128(b, marker), marker)));
}

// Bytes equal in both blocks.
inline uint32_t EqualMask(Block a, Block b) { return static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(a, b))); }

#else

struct Block {
    uint64_t low;
    uint64_t high;
};

inline Block Load(const uint8_t* p) {
    Block b;
    std::memcpy(&b.low, p, 8);
    std::memcpy(&b.high, p + 8, 8);
    return b;
}
inline void Store(uint8_t* p, Block b) {
    std::memcpy(p, &b.low, 8);
    std::memcpy(p + 8, &b.high, 8);
}
inline Block Splat(uint8_t value) {
    const uint64_t word = value * uint64_t{0x0101010101010101};
    return Block{word, word};
}

// The high bit of every byte of a word, gathered into 8 mask bits (the host
// is little-endian, so byte 0 of the block is the word's low byte).
inline uint32_t GatherHighBits(uint64_t highBits) {
    return static_cast<uint32_t>(((highBits >> 7) * uint64_t{0x0102040810204080}) >> 56);
}

inline uint64_t RunCodeBits(uint64_t word) { return word & (word << 1) & uint64_t{0x8080808080808080}; }
inline uint32_t RunCodeMask(Block b) {
    return GatherHighBits(RunCodeBits(b.low)) | (GatherHighBits(RunCodeBits(b.high)) << 8);
}

// A byte of x ^ y is zero exactly where the words agree; the classic test
// for zero bytes, exact here because the carry trick is only used per byte.
inline uint64_t ZeroByteBits(uint64_t word) {
    const uint64_t low7 = uint64_t{0x7F7F7F7F7F7F7F7F};
    return ~(((word & low7) + low7) | word | low7);
}
inline uint32_t EqualMask(Block a, Block b) {
    return GatherHighBits(ZeroByteBits(a.low ^ b.low)) | (GatherHighBits(ZeroByteBits(a.high ^ b.high)) << 8);
}

#endif

}  // namespace blocks
}  // namespace kypcx
