// The rectangle checks and the bit copy of kypcx/pixel_rect.h: every offset
// and length of a row against a bit-by-bit copy, and the checks' answers at
// the edges where the arithmetic could wrap.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "kypcx/pixel_rect.h"

namespace {

using kypcx::PixelRect;
using kypcx::PixelRectCheck;

bool BitAt(const std::vector<uint8_t>& bytes, uint64_t bit) { return (bytes[bit / 8] >> (7 - bit % 8)) & 1; }

TEST(CopyPixelBits, EveryOffsetAndLengthMatchesABitByBitCopy) {
    std::vector<uint8_t> row(9);
    for (size_t i = 0; i < row.size(); ++i) row[i] = uint8_t(0x5A ^ (i * 37));
    const uint64_t rowBits = row.size() * 8;
    for (uint64_t offset = 0; offset < rowBits; ++offset) {
        for (uint64_t count = 1; offset + count <= rowBits; ++count) {
            // The copy may read only the bytes its bits lie in: the rest of a
            // copy of the row is cut off.
            const uint64_t lastByte = (offset + count - 1) / 8;
            std::vector<uint8_t> src(row.begin(), row.begin() + lastByte + 1);
            const size_t outBytes = size_t((count + 7) / 8);
            std::vector<uint8_t> dst(outBytes + 1, 0xEE);
            kypcx::CopyPixelBits(src.data(), offset, count, dst.data());
            for (uint64_t b = 0; b < outBytes * 8; ++b)
                ASSERT_EQ(b < count ? BitAt(row, offset + b) : false, BitAt(dst, b))
                    << "offset " << offset << " count " << count << " bit " << b;
            ASSERT_EQ(0xEE, dst[outBytes]) << "wrote past its bytes";
        }
    }
}

struct RectCase {
    const char* name;
    PixelRect rect;
    uint32_t bitsPerPixel;
    uint32_t stride;
    uint32_t bufferSize;
    PixelRectCheck expected;
};

TEST(CheckPixelRect, AnswersAtTheEdges) {
    // An image of 10 x 4 pixels.
    const RectCase cases[] = {
        {"whole_24_bit", {0, 0, 10, 4}, 24, 30, 120, PixelRectCheck::Fits},
        {"last_row_needs_only_its_bytes", {0, 0, 10, 4}, 24, 32, 3 * 32 + 30, PixelRectCheck::Fits},
        {"one_byte_short", {0, 0, 10, 4}, 24, 32, 3 * 32 + 29, PixelRectCheck::BufferTooSmall},
        {"stride_short", {0, 0, 10, 4}, 24, 29, 1000, PixelRectCheck::StrideTooSmall},
        {"one_bit_rows_round_up", {3, 1, 7, 3}, 1, 1, 3, PixelRectCheck::Fits},
        {"one_bit_nine_pixels", {1, 0, 9, 1}, 1, 1, 100, PixelRectCheck::StrideTooSmall},
        {"right_edge", {1, 0, 10, 1}, 8, 10, 10, PixelRectCheck::OutsideImage},
        {"bottom_edge", {0, 1, 1, 4}, 8, 10, 100, PixelRectCheck::OutsideImage},
        {"negative_x", {-1, 0, 1, 1}, 8, 10, 100, PixelRectCheck::OutsideImage},
        {"negative_height", {0, 0, 1, -1}, 8, 10, 100, PixelRectCheck::OutsideImage},
        {"wrapping_position", {INT32_MAX, 0, INT32_MAX, 1}, 8, 10, 100, PixelRectCheck::OutsideImage},
        {"no_pixels", {10, 4, 0, 0}, 32, 0, 0, PixelRectCheck::Fits},
        {"huge_stride_times_rows", {0, 0, 10, 4}, 32, 0xFFFFFFFFu, 0xFFFFFFFFu, PixelRectCheck::BufferTooSmall},
    };
    for (const RectCase& c : cases)
        EXPECT_EQ(c.expected, kypcx::CheckPixelRect(c.rect, 10, 4, c.bitsPerPixel, c.stride, c.bufferSize)) << c.name;
}

}  // namespace
