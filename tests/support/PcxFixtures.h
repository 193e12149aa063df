// PCX files for the tests, built from bytes: a header, coded scan lines and
// an optional 256-colour trailer.
#pragma once

#include <cstdint>
#include <vector>

#include "support/KyPcxTestSupport.h"

namespace kypcx_test {

struct PcxFixture {
    HeaderSpec header;
    std::vector<uint8_t> data;     // coded scan lines, as they follow the header
    std::vector<uint8_t> trailer;  // 768 palette bytes, written behind 0x0C when not empty

    std::vector<uint8_t> Bytes() const;
};

// 256 palette triples with entry i = (r(i), g(i), b(i)) for a simple rule.
std::vector<uint8_t> TrailerPalette();
// The 16 header-palette entries the tests use: entry i = (16i, 255 - 16i, i).
std::vector<uint8_t> SixteenColorPalette();

// Literal coding of raw bytes below 0xC0 (each byte stands for itself).
std::vector<uint8_t> Literal(const std::vector<uint8_t>& raw);
// A run of `count` (1..63) copies of `value`.
std::vector<uint8_t> RunOf(uint8_t count, uint8_t value);

// Small images of each layout that the decoder tests share.
namespace fixtures {
// 1 bit, 10 x 2 at (1, 1); greys (16) and (239) by the two-colour rule;
// row 0 alternates 1, 0, ...; row 1 is all 1.
PcxFixture MonoGreys();
// 16 colours, 9 x 2: pixel x of row 0 is x (15 for the ninth); row 1 is 0.
PcxFixture SixteenColors();
// 256 colours, 5 x 3, one padding byte a line, trailer palette: rows
// {1,2,3,4,5}, {0xC8 x 5}, {7 x 5} (the last from a run past the line end).
PcxFixture TwoFiftySix();
// 24 bits, 10 x 2 at x = 10..19: row 0 pixel x = (x, 10 + x, 20 + x); row 1
// all (0x30, 0x40, 0x50).
PcxFixture TrueColor();
}  // namespace fixtures

}  // namespace kypcx_test
