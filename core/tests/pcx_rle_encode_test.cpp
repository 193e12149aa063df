// The run-length encoder's exact codes.
#include <gtest/gtest.h>

#include <vector>

#include "kypcx/pcx_rle_encode.h"

namespace {

std::vector<uint8_t> Encode(const std::vector<uint8_t>& in) {
    std::vector<uint8_t> out(kypcx::MaxEncodedSize(in.size()));
    out.resize(kypcx::EncodePcxRuns(in.data(), in.size(), out.data()));
    return out;
}

std::vector<uint8_t> Repeat(uint8_t v, size_t n) { return std::vector<uint8_t>(n, v); }

struct EncodeCase {
    const char* name;
    std::vector<uint8_t> in;
    std::vector<uint8_t> expected;
};

TEST(EncodePcxRuns, ProducesTheFormatsCodes) {
    const EncodeCase cases[] = {
        {"63 equal", Repeat(0x41, 63), {0xFF, 0x41}},
        {"64 equal", Repeat(0x41, 64), {0xFF, 0x41, 0x41}},
        {"65 equal", Repeat(0x41, 65), {0xFF, 0x41, 0xC2, 0x41}},
        {"126 equal", Repeat(0x00, 126), {0xFF, 0x00, 0xFF, 0x00}},
        {"64 of 0xC5", Repeat(0xC5, 64), {0xFF, 0xC5, 0xC1, 0xC5}},
        {"alternating copied", {1, 2, 1, 2, 0xBF}, {1, 2, 1, 2, 0xBF}},
        {"single 0xC0", {0xC0}, {0xC1, 0xC0}},
        {"single 0x3F", {0x3F}, {0x3F}},
        {"two equal low bytes", {0x10, 0x10}, {0xC2, 0x10}},
        {"mixed", {0xFF, 7, 7, 7, 8}, {0xC1, 0xFF, 0xC3, 7, 8}},
    };
    for (const EncodeCase& c : cases) EXPECT_EQ(c.expected, Encode(c.in)) << c.name;
}

TEST(EncodePcxRuns, NoRunCarriesBetweenCalls) {
    std::vector<uint8_t> line(100);
    for (size_t i = 0; i < line.size(); ++i) line[i] = static_cast<uint8_t>(i / 7);
    EXPECT_EQ(Encode(line), Encode(line));
    EXPECT_EQ((std::vector<uint8_t>{0xC3, 9}), Encode(Repeat(9, 3)));
}

}  // namespace
