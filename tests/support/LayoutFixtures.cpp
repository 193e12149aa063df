// Building images and files of every PCX layout.
#include "support/LayoutFixtures.h"

#include "support/KyPcxTestSupport.h"
#include "support/PcxFixtures.h"

namespace kypcx_test {

namespace {

using Bytes = std::vector<uint8_t>;

Bytes DistinctColors() {
    Bytes p(48);
    for (int i = 0; i < 16; ++i) {
        p[3 * i] = uint8_t(17 * i);
        p[3 * i + 1] = uint8_t(250 - 13 * i);
        p[3 * i + 2] = uint8_t(40 + 9 * i);
    }
    return p;
}

// One scan line's planes: packed pixels, one bit of each index per plane, or
// one colour channel per plane; padding behind each plane.
Bytes ScanLine(const LayoutImage& m, int y, uint32_t bytesPerLine) {
    Bytes line(size_t(m.planes) * bytesPerLine, 0xC7);  // padding no reader may show
    for (uint32_t k = 0; k < m.planes; ++k) {
        uint8_t* plane = line.data() + k * bytesPerLine;
        for (uint32_t b = 0; b < LayoutPlaneBytes(m); ++b) plane[b] = 0;
        for (int x = 0; x < m.width; ++x) {
            const uint32_t v = m.pixels[size_t(y) * m.width + x];
            if (m.bits == 24) {  // blue, green, red a pixel
                plane[3 * x] = uint8_t(v);
                plane[3 * x + 1] = uint8_t(v >> 8);
                plane[3 * x + 2] = uint8_t(v >> 16);
            } else if (m.bits == 32) {  // blue, green, red and a byte no reader may show
                plane[4 * x] = uint8_t(v);
                plane[4 * x + 1] = uint8_t(v >> 8);
                plane[4 * x + 2] = uint8_t(v >> 16);
                plane[4 * x + 3] = uint8_t(0x5A + x);
            } else if (m.bits == 8 && m.planes >= 3) {  // red, green, blue, alpha planes
                const int shift[4] = {16, 8, 0, 24};
                plane[x] = uint8_t(v >> shift[k]);
            } else if (m.planes == 1) {  // packed, leftmost pixel in the top bits
                const uint32_t bit = uint32_t(x) * m.bits;
                plane[bit / 8] |= uint8_t(v << (8 - m.bits - bit % 8));
            } else {  // plane k holds bit k of the index
                if ((v >> k) & 1) plane[x / 8] |= uint8_t(0x80 >> (x % 8));
            }
        }
    }
    return line;
}

// Run-length codes a line: repeated bytes as runs, values of 0xC0 and above
// through a count byte.
Bytes Code(const Bytes& line) {
    Bytes out;
    for (size_t i = 0; i < line.size();) {
        size_t n = 1;
        while (i + n < line.size() && n < 63 && line[i + n] == line[i]) ++n;
        if (n > 1 || line[i] >= 0xC0) {
            out.push_back(uint8_t(0xC0 | n));
        }
        out.push_back(line[i]);
        i += n;
    }
    return out;
}

}  // namespace

LayoutImage MakeLayoutImage(uint8_t planes, uint8_t bits, int width, int height) {
    LayoutImage m{planes, bits, width, height, {}, DistinctColors(), {}};
    const bool direct = (planes == 3 || planes == 4) && bits == 8 ? true : bits == 24 || bits == 32;
    const uint32_t colors = direct ? 0 : 1u << (planes * bits);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            if (direct) {
                const uint32_t alpha = planes == 4 ? uint32_t(255 - 40 * y) & 0xFF : 0xFF;
                m.pixels.push_back(alpha << 24 | (uint32_t(20 * x) & 0xFF) << 16 |
                                   (uint32_t(200 - 30 * y) & 0xFF) << 8 | (uint32_t(x * y * 3 + 0xC1) & 0xFF));
            } else {
                m.pixels.push_back(uint32_t(x * 7 + y * 3) % colors);
            }
        }
    }
    if (planes == 1 && bits == 8) m.trailer = TrailerPalette();
    return m;
}

uint32_t LayoutPlaneBytes(const LayoutImage& m) { return (uint32_t(m.width) * m.bits + 7) / 8; }

Bytes LayoutFile(const LayoutImage& m, bool stored, uint8_t encoding) {
    const uint32_t bytesPerLine = LayoutPlaneBytes(m) + 1;  // one padding byte a plane
    PcxFixture f;
    f.header.encoding = stored ? 0 : encoding;
    f.header.planes = m.planes;
    f.header.bitsPerPixel = m.bits;
    f.header.xMax = int16_t(m.width - 1);
    f.header.yMax = int16_t(m.height - 1);
    f.header.bytesPerLine = int16_t(bytesPerLine);
    f.header.hDpi = 150;
    f.header.vDpi = 75;
    f.header.palette = m.headerPalette;
    for (int y = 0; y < m.height; ++y)
        Append(f.data, stored ? ScanLine(m, y, bytesPerLine) : Code(ScanLine(m, y, bytesPerLine)));
    f.trailer = m.trailer;
    return f.Bytes();
}

const LayoutCase kLayoutCases[11] = {
    {"mono_1x1", 1, 1, 1, 2},        {"cga_1x2", 1, 2, 4, 4},        {"packed16_1x4", 1, 4, 4, 16},
    {"planar4_2x1", 2, 1, 4, 4},     {"planar8_3x1", 3, 1, 4, 8},    {"planar16_4x1", 4, 1, 4, 16},
    {"indexed_1x8", 1, 8, 8, 256},   {"rgb_3x8", 3, 8, 24, 0},       {"bgr_1x24", 1, 24, 24, 0},
    {"rgba_4x8", 4, 8, 32, 0},       {"bgrx_1x32", 1, 32, 24, 0},
};

}  // namespace kypcx_test
