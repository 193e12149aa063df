// Building PCX fixture files from bytes.
#include "support/PcxFixtures.h"

namespace kypcx_test {

std::vector<uint8_t> PcxFixture::Bytes() const {
    std::vector<uint8_t> bytes = MakeHeader(header);
    Append(bytes, data);
    if (!trailer.empty()) {
        bytes.push_back(0x0C);
        Append(bytes, trailer);
    }
    return bytes;
}

std::vector<uint8_t> TrailerPalette() {
    std::vector<uint8_t> p(768);
    for (int i = 0; i < 256; ++i) {
        p[3 * i] = static_cast<uint8_t>(i);
        p[3 * i + 1] = static_cast<uint8_t>(255 - i);
        p[3 * i + 2] = static_cast<uint8_t>(i / 2);
    }
    return p;
}

std::vector<uint8_t> SixteenColorPalette() {
    std::vector<uint8_t> p(48);
    for (int i = 0; i < 16; ++i) {
        p[3 * i] = static_cast<uint8_t>(16 * i);
        p[3 * i + 1] = static_cast<uint8_t>(255 - 16 * i);
        p[3 * i + 2] = static_cast<uint8_t>(i);
    }
    return p;
}

std::vector<uint8_t> Literal(const std::vector<uint8_t>& raw) { return raw; }

std::vector<uint8_t> RunOf(uint8_t count, uint8_t value) {
    return {static_cast<uint8_t>(0xC0 | count), value};
}

namespace fixtures {

// 1 bit, 10 x 2 at (1, 1), greys by the two-colour rule.
PcxFixture MonoGreys() {
    PcxFixture f;
    f.header.bitsPerPixel = 1;
    f.header.planes = 1;
    f.header.xMin = 1;
    f.header.yMin = 1;
    f.header.xMax = 10;
    f.header.yMax = 2;
    f.header.bytesPerLine = 2;
    f.header.palette = {0x10, 0x77, 0x77, 0xEF, 0x11, 0x11};
    f.data = {0xAA, 0x80, 0xC1, 0xFF, 0xC1, 0xC0};  // 1010101010, then all ones
    return f;
}

// 16 colours, 9 x 2: pixel x of row 0 is x (15 for the ninth); row 1 is one
// run of zeros across all four planes.
PcxFixture SixteenColors() {
    PcxFixture f;
    f.header.bitsPerPixel = 1;
    f.header.planes = 4;
    f.header.xMax = 8;
    f.header.yMax = 1;
    f.header.bytesPerLine = 2;
    f.header.palette = SixteenColorPalette();
    f.data = {0x55, 0x80, 0x33, 0x80, 0x0F, 0x80, 0x00, 0x80};
    Append(f.data, RunOf(8, 0));
    return f;
}

// 256 colours, 5 x 3 with one padding byte per line; the last line is a run
// that overshoots the line's end.
PcxFixture TwoFiftySix() {
    PcxFixture f;
    f.header.bitsPerPixel = 8;
    f.header.planes = 1;
    f.header.xMax = 4;
    f.header.yMax = 2;
    f.header.bytesPerLine = 6;
    f.header.hDpi = 300;
    f.header.vDpi = 72;
    f.data = {1, 2, 3, 4, 5, 99};
    Append(f.data, RunOf(6, 0xC8));
    Append(f.data, RunOf(8, 7));
    f.trailer = TrailerPalette();
    return f;
}

// 24 bits, 10 x 2 at x = 10..19.
PcxFixture TrueColor() {
    PcxFixture f;
    f.header.bitsPerPixel = 8;
    f.header.planes = 3;
    f.header.xMin = 10;
    f.header.xMax = 19;
    f.header.yMax = 1;
    f.header.bytesPerLine = 10;
    for (uint8_t plane = 0; plane < 3; ++plane)
        for (uint8_t x = 0; x < 10; ++x) f.data.push_back(static_cast<uint8_t>(plane * 10 + x));
    Append(f.data, RunOf(10, 0x30));
    Append(f.data, RunOf(10, 0x40));
    Append(f.data, RunOf(10, 0x50));
    return f;
}

}  // namespace fixtures

}  // namespace kypcx_test
