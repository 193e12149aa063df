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
std::vector<uint8_t> SixteenColourPalette();

// Literal coding of raw bytes below 0xC0 (each byte stands for itself).
std::vector<uint8_t> Literal(const std::vector<uint8_t>& raw);
// A run of `count` (1..63) copies of `value`.
std::vector<uint8_t> RunOf(uint8_t count, uint8_t value);

}  // namespace kypcx_test
