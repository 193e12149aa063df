// The encoders' portable parts: run codes through a run writer, DIB blocks
// checked against their size, header fields, and DIB rows split into planes.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "kypcx/dib_layout.h"
#include "kypcx/pcx_encode_header.h"
#include "kypcx/pcx_encode_planes.h"
#include "kypcx/pcx_format.h"
#include "kypcx/pcx_rle_encode.h"

namespace {

using namespace kypcx;

// A DIB block: 40-byte info header, colour table, then rows.
struct DibSpec {
    int32_t width = 1;
    int32_t height = 1;
    uint16_t planes = 1;
    uint16_t bitCount = 8;
    uint32_t compression = 0;
    int32_t xPelsPerMeter = 0;
    int32_t yPelsPerMeter = 0;
    uint32_t colorsUsed = 0;
    uint32_t headerSize = 40;
};

void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}
void Put16(std::vector<uint8_t>& b, size_t at, uint16_t v) {
    b[at] = static_cast<uint8_t>(v);
    b[at + 1] = static_cast<uint8_t>(v >> 8);
}

std::vector<uint8_t> InfoHeader(const DibSpec& s) {
    std::vector<uint8_t> b(s.headerSize, 0);
    Put32(b, 0, s.headerSize);
    Put32(b, 4, static_cast<uint32_t>(s.width));
    Put32(b, 8, static_cast<uint32_t>(s.height));
    Put16(b, 12, s.planes);
    Put16(b, 14, s.bitCount);
    Put32(b, 16, s.compression);
    Put32(b, 24, static_cast<uint32_t>(s.xPelsPerMeter));
    Put32(b, 28, static_cast<uint32_t>(s.yPelsPerMeter));
    Put32(b, 32, s.colorsUsed);
    return b;
}

// Header, `tableBytes` bytes of colour table (or masks), and rows of zeros;
// `trim` bytes cut off the end.
std::vector<uint8_t> DibBlock(const DibSpec& s, size_t tableBytes, size_t trim = 0) {
    std::vector<uint8_t> b = InfoHeader(s);
    const int64_t rows = s.height < 0 ? -int64_t{s.height} : s.height;
    const size_t stride = static_cast<size_t>(DibRowSize(s.bitCount, s.width));
    b.resize(b.size() + tableBytes + stride * static_cast<size_t>(rows) - trim, 0);
    return b;
}

TEST(PcxRunWriter, StopsAtTheFirstFailedRun) {
    const std::vector<uint8_t> line = {1, 1, 2, 3, 3, 3};
    std::vector<std::pair<uint8_t, uint32_t>> runs;
    EXPECT_EQ(5u, EncodePcxRunsTo(line.data(), line.size(), [&](uint8_t v, uint32_t c) -> size_t {
                  runs.emplace_back(v, c);
                  uint8_t out[2];
                  return PutPcxRun(v, c, out);
              }));
    EXPECT_EQ((std::vector<std::pair<uint8_t, uint32_t>>{{1, 2}, {2, 1}, {3, 3}}), runs);

    int calls = 0;
    EXPECT_EQ(0u, EncodePcxRunsTo(line.data(), line.size(), [&](uint8_t, uint32_t) -> size_t {
                  return ++calls == 2 ? 0 : 1;
              }));
    EXPECT_EQ(2, calls) << "no run is offered after a failed one";
}

TEST(PcxRunWriter, PutsOneRunsCodes) {
    uint8_t out[2] = {0xEE, 0xEE};
    EXPECT_EQ(0u, PutPcxRun(5, 0, out));
    EXPECT_EQ(1u, PutPcxRun(0xBF, 1, out));
    EXPECT_EQ(0xBF, out[0]);
    EXPECT_EQ(2u, PutPcxRun(0xC0, 1, out));
    EXPECT_EQ(0xC1, out[0]);
    EXPECT_EQ(0xC0, out[1]);
    EXPECT_EQ(2u, PutPcxRun(7, 63, out));
    EXPECT_EQ(0xFF, out[0]);
}

TEST(DibColorTable, CountsAndSizes) {
    struct Case {
        uint32_t headerSize;
        uint16_t bitCount;
        uint32_t colorsUsed;
        uint32_t count;
        uint64_t size;
    };
    const Case cases[] = {
        {40, 1, 0, 2, 8},     {40, 4, 0, 16, 64},  {40, 8, 0, 256, 1024}, {40, 8, 17, 17, 68},
        {40, 24, 0, 0, 0},    {40, 24, 5, 5, 20},  {40, 16, 0, 0, 0},     {12, 8, 0, 256, 768},
        {12, 1, 0, 2, 6},     {124, 4, 3, 3, 12},  {40, 2, 0, 0, 0},
    };
    for (const Case& c : cases) {
        DibInfo info;
        info.headerSize = c.headerSize;
        info.bitCount = c.bitCount;
        info.colorsUsed = c.colorsUsed;
        EXPECT_EQ(c.count, DibColorCount(info)) << c.headerSize << "/" << c.bitCount << "/" << c.colorsUsed;
        EXPECT_EQ(c.size, DibColorTableSize(info)) << c.headerSize << "/" << c.bitCount << "/" << c.colorsUsed;
    }
}

TEST(DibLayoutCheck, AcceptsWellFormedDibsAndLocatesTheirParts) {
    DibSpec s;
    s.width = 5;
    s.height = 3;
    s.bitCount = 8;
    std::vector<uint8_t> block = DibBlock(s, 1024);
    DibLayout l;
    ASSERT_EQ(Status::Ok, ReadDibLayout(block.data(), block.size(), &l));
    EXPECT_EQ(40u, l.colorTableOffset);
    EXPECT_EQ(256u, l.colorTableEntries);
    EXPECT_EQ(40u + 1024u, l.pixelOffset);
    EXPECT_EQ(8u, l.rowStride);
    EXPECT_EQ(5, l.pcx.bytesPerLine);
    EXPECT_EQ(5u, l.encodedLineSize);
    EXPECT_EQ(block.data() + 40 + 1024 + 16, DibRowForLine(l, block.data(), 0)) << "bottom-up: top line stored last";

    s.height = -3;
    block = DibBlock(s, 1024);
    ASSERT_EQ(Status::Ok, ReadDibLayout(block.data(), block.size(), &l));
    EXPECT_TRUE(l.topDown);
    EXPECT_EQ(3, l.height);
    EXPECT_EQ(block.data() + 40 + 1024, DibRowForLine(l, block.data(), 0)) << "top-down: top line stored first";

    // Bit-field masks after a 40-byte header come before the rows.
    DibSpec f;
    f.width = 3;
    f.bitCount = 16;
    f.compression = kDibBiBitfields;
    block = DibBlock(f, 12);
    Put32(block, 40, 0xF800);
    Put32(block, 44, 0x07E0);
    Put32(block, 48, 0x001F);
    ASSERT_EQ(Status::Ok, ReadDibLayout(block.data(), block.size(), &l));
    EXPECT_EQ(52u, l.pixelOffset);
    EXPECT_EQ(0xF800u, l.channelMasks[0]);
    EXPECT_EQ(3, l.pcx.planes);
    EXPECT_EQ(4, l.pcx.bytesPerLine);

    // The colour table lies behind the header and the masks, whatever the
    // header's kind: masks inside a V4 or V5 header take no room of their own.
    struct TableCase {
        uint32_t headerSize;
        uint16_t bitCount;
        uint32_t compression;
        uint32_t colorsUsed;
        uint64_t tableOffset;
    };
    const TableCase tables[] = {
        {40, 8, kDibBiRgb, 0, 40},        {108, 8, kDibBiRgb, 0, 108},      {124, 4, kDibBiRgb, 0, 124},
        {40, 16, kDibBiBitfields, 2, 52}, {108, 16, kDibBiBitfields, 2, 108}, {124, 32, kDibBiBitfields, 3, 124},
    };
    for (const TableCase& t : tables) {
        DibSpec k;
        k.headerSize = t.headerSize;
        k.bitCount = t.bitCount;
        k.compression = t.compression;
        k.colorsUsed = t.colorsUsed;
        const size_t masks = t.headerSize == 40 && t.compression == kDibBiBitfields ? 12 : 0;
        const size_t tableBytes = 4 * size_t{t.colorsUsed != 0 ? t.colorsUsed : (1u << t.bitCount)};
        block = DibBlock(k, masks + tableBytes);
        if (t.compression == kDibBiBitfields) {
            Put32(block, 40, 0x00FF0000);
            Put32(block, 44, 0x0000FF00);
            Put32(block, 48, 0x000000FF);
        }
        const std::string name = std::to_string(t.headerSize) + "/" + std::to_string(t.bitCount);
        ASSERT_EQ(Status::Ok, ReadDibLayout(block.data(), block.size(), &l)) << name;
        EXPECT_EQ(t.tableOffset, l.colorTableOffset) << name;
        EXPECT_EQ(t.tableOffset + tableBytes, l.pixelOffset) << name;
    }
}

TEST(DibLayoutCheck, RefusesWhatItCannotWriteSafely) {
    struct Case {
        const char* name;
        DibSpec spec;
        size_t tableBytes;
        size_t trim;
        Status expected;
    };
    auto spec = [](int32_t w, int32_t h, uint16_t bits, uint32_t compression = 0, uint16_t planes = 1,
                   uint32_t headerSize = 40, uint32_t used = 0) {
        DibSpec s;
        s.width = w;
        s.height = h;
        s.bitCount = bits;
        s.compression = compression;
        s.planes = planes;
        s.headerSize = headerSize;
        s.colorsUsed = used;
        return s;
    };
    const Case cases[] = {
        {"rows cut short by one byte", spec(5, 3, 8), 1024, 1, Status::NoBitmap},
        {"colour table missing", spec(5, 3, 8), 0, 0, Status::NoBitmap},
        {"huge biClrUsed", spec(5, 3, 8, 0, 1, 40, 0x40000000), 1024, 0, Status::NoBitmap},
        {"width 0", spec(0, 3, 8), 1024, 0, Status::NoBitmap},
        {"negative width", spec(-4, 3, 8), 1024, 0, Status::NoBitmap},
        {"height 0", spec(4, 0, 8), 1024, 0, Status::NoBitmap},
        {"two planes", spec(4, 2, 8, 0, 2), 1024, 0, Status::NoBitmap},
        {"width beyond the header", spec(40000, 1, 1), 8, 0, Status::NoBitmap},
        {"bytes per line beyond the header", spec(32767, 1, 24), 0, 0, Status::NoBitmap},
        {"height beyond the header", spec(1, 40000, 1), 8, 0, Status::NoBitmap},
        {"2 bits per pixel", spec(4, 2, 2), 16, 0, Status::UnwritableDibFormat},
        {"0 bits per pixel", spec(4, 2, 0), 0, 0, Status::UnwritableDibFormat},
        {"run-length 8", spec(4, 2, 8, 1), 1024, 0, Status::UnwritableDibFormat},
        {"run-length 4", spec(4, 2, 4, 2), 64, 0, Status::UnwritableDibFormat},
        {"bit fields on 8 bits", spec(4, 2, 8, 3), 1024, 0, Status::UnwritableDibFormat},
        {"compression 18", spec(4, 2, 24, 18), 0, 0, Status::UnwritableDibFormat},
        {"core header", spec(4, 2, 8, 0, 1, 12), 768, 0, Status::NoBitmap},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> block = c.spec.headerSize == 12 ? std::vector<uint8_t>(12 + 768 + 8, 0)
                                                             : DibBlock(c.spec, c.tableBytes, c.trim);
        if (c.spec.headerSize == 12) {
            Put32(block, 0, 12);
            Put16(block, 4, 4);
            Put16(block, 6, 2);
            Put16(block, 8, 1);
            Put16(block, 10, 8);
        }
        DibLayout l;
        EXPECT_EQ(c.expected, ReadDibLayout(block.data(), block.size(), &l)) << c.name;
    }
    // A block shorter than the header it names.
    std::vector<uint8_t> header = InfoHeader(DibSpec{});
    DibLayout l;
    EXPECT_EQ(Status::NoBitmap, ReadDibLayout(header.data(), 39, &l));
    EXPECT_EQ(Status::NoBitmap, ReadDibLayout(header.data(), 3, &l));
    EXPECT_EQ(Status::NoBitmap, ReadDibLayout(nullptr, 0, &l));
    // Masks that are not one stretch of bits.
    DibSpec f;
    f.bitCount = 32;
    f.compression = kDibBiBitfields;
    std::vector<uint8_t> block = DibBlock(f, 12);
    Put32(block, 40, 0x00FF00F0);
    EXPECT_EQ(Status::UnwritableDibFormat, ReadDibLayout(block.data(), block.size(), &l));
    // Masks promised after the header but not there.
    block = InfoHeader(f);
    EXPECT_EQ(Status::NoBitmap, ReadDibLayout(block.data(), block.size(), &l));
}

PcxHeader HeaderFor(const DibSpec& s, const std::vector<uint8_t>& table = {}) {
    std::vector<uint8_t> info = InfoHeader(s);
    DibInfo d;
    EXPECT_TRUE(ReadDibInfo(info.data(), info.size(), &d));
    DisplayMetrics display;
    display.dpiX = 96;
    display.dpiY = 120;
    display.width = 1280;
    display.height = 1024;
    PcxHeader h;
    std::memset(&h, 0xEE, sizeof h);
    FillDibPcxHeader(d, display, table.data(), static_cast<uint32_t>(table.size() / 4), &h);
    return h;
}

TEST(DibPcxHeader, FieldsForEveryDepth) {
    struct Case {
        uint16_t bitCount;
        int32_t width;
        uint8_t bitsPerPixel, planes;
        int16_t bytesPerLine, paletteInfo;
    };
    const Case cases[] = {
        {1, 20, 1, 1, 3, 0},  {1, 1, 1, 1, 1, 0},   {4, 20, 1, 4, 3, 0},  {4, 9, 1, 4, 2, 0},
        {8, 5, 8, 1, 5, 0},   {16, 5, 8, 3, 6, 1},  {24, 5, 8, 3, 6, 1},  {24, 4, 8, 3, 4, 1},
        {32, 7, 8, 3, 8, 1},
    };
    for (const Case& c : cases) {
        DibSpec s;
        s.bitCount = c.bitCount;
        s.width = c.width;
        s.height = 10;
        const PcxHeader h = HeaderFor(s);
        const std::string name = std::to_string(c.bitCount) + " bits, width " + std::to_string(c.width);
        EXPECT_EQ(0x0A, h.manufacturer) << name;
        EXPECT_EQ(5, h.version) << name;
        EXPECT_EQ(1, h.encoding) << name;
        EXPECT_EQ(c.bitsPerPixel, h.bitsPerPixel) << name;
        EXPECT_EQ(c.planes, h.planes) << name;
        EXPECT_EQ(c.bytesPerLine, h.bytesPerLine) << name;
        EXPECT_EQ(c.paletteInfo, h.paletteInfo) << name;
        EXPECT_EQ(0, h.xMin) << name;
        EXPECT_EQ(0, h.yMin) << name;
        EXPECT_EQ(c.width - 1, h.xMax) << name;
        EXPECT_EQ(9, h.yMax) << name;
        EXPECT_EQ(96, h.horizontalDpi) << name;
        EXPECT_EQ(120, h.verticalDpi) << name;
        EXPECT_EQ(1280, h.horizontalScreenSize) << name;
        EXPECT_EQ(1024, h.verticalScreenSize) << name;
        EXPECT_EQ(0, h.reserved) << name;
        for (uint8_t b : h.filler) ASSERT_EQ(0, b) << name;
    }
    DibSpec topDown;
    topDown.height = -7;
    EXPECT_EQ(6, HeaderFor(topDown).yMax) << "a top-down DIB is described by its row count";
}

TEST(DibPcxHeader, ResolutionAndPalette) {
    EXPECT_EQ(96, DpiFromPelsPerMeter(3780, 72));
    EXPECT_EQ(72, DpiFromPelsPerMeter(0, 72));
    EXPECT_EQ(300, DpiFromPelsPerMeter(11811, 72));
    EXPECT_EQ(-96, DpiFromPelsPerMeter(-3780, 72));
    EXPECT_EQ(96, DpiFromPelsPerMeter(3779, 72)) << "95.99 rounds to 96";
    // Every resolution a header can hold comes back from a DIB unchanged.
    for (int32_t dpi = -32768; dpi <= 32767; ++dpi) {
        if (dpi == 0) continue;  // no resolution: the display's
        ASSERT_EQ(dpi, DpiFromPelsPerMeter(PelsPerMeterFromDpi(dpi), 72)) << dpi << " dpi";
    }
    EXPECT_EQ(3780, PelsPerMeterFromDpi(96));
    EXPECT_EQ(2835, PelsPerMeterFromDpi(72));

    DibSpec s;
    s.bitCount = 4;
    s.width = 20;
    s.xPelsPerMeter = 3780;
    std::vector<uint8_t> table(4 * 16);
    for (size_t i = 0; i < 16; ++i) {
        table[4 * i] = static_cast<uint8_t>(i);          // blue
        table[4 * i + 1] = static_cast<uint8_t>(16 + i);  // green
        table[4 * i + 2] = static_cast<uint8_t>(32 + i);  // red
        table[4 * i + 3] = 0x77;
    }
    PcxHeader h = HeaderFor(s, table);
    EXPECT_EQ(96, h.horizontalDpi);
    EXPECT_EQ(120, h.verticalDpi) << "no vertical resolution: the display's";
    for (size_t i = 0; i < 16; ++i) {
        EXPECT_EQ(32 + i, h.palette[3 * i]) << i;
        EXPECT_EQ(16 + i, h.palette[3 * i + 1]) << i;
        EXPECT_EQ(i, h.palette[3 * i + 2]) << i;
    }
    // A short table: the entries it lacks are black.
    table.resize(4 * 3);
    h = HeaderFor(s, table);
    EXPECT_EQ(34, h.palette[6]);
    for (size_t i = 9; i < 48; ++i) EXPECT_EQ(0, h.palette[i]) << i;
    // A 1-bit DIB takes two entries, an 8-bit one none.
    s.bitCount = 1;
    table.assign(8, 0xAB);
    h = HeaderFor(s, table);
    EXPECT_EQ(0xAB, h.palette[5]);
    EXPECT_EQ(0, h.palette[6]);
    s.bitCount = 8;
    table.assign(1024, 0xAB);
    h = HeaderFor(s, table);
    for (uint8_t b : h.palette) ASSERT_EQ(0, b);
}

int32_t DeviceLineBytesForTest(int32_t width, int32_t bits) { return (width * bits + 15) / 16 * 2; }

TEST(BitmapPcxHeader, DeviceLayoutUpTo8BitsRgbPlanesAbove) {
    BitmapFields b;
    b.width = 20;
    b.height = 10;
    b.widthBytes = 4;
    b.planes = 1;
    b.bitsPixel = 1;
    DisplayMetrics d;
    d.dpiX = 96;
    d.dpiY = 96;
    d.width = 800;
    d.height = 600;
    PcxHeader h;
    std::memset(&h, 0xEE, sizeof h);
    FillBitmapPcxHeader(b, d, &h);
    EXPECT_EQ(1, h.bitsPerPixel);
    EXPECT_EQ(1, h.planes);
    EXPECT_EQ(4, h.bytesPerLine);
    EXPECT_EQ(19, h.xMax);
    EXPECT_EQ(9, h.yMax);
    EXPECT_EQ(0, h.paletteInfo);
    EXPECT_EQ(800, h.horizontalScreenSize);
    for (uint8_t v : h.palette) ASSERT_EQ(0, v);
    b.bitsPixel = 8;
    b.widthBytes = 20;
    FillBitmapPcxHeader(b, d, &h);
    EXPECT_EQ(8, h.bitsPerPixel);
    EXPECT_EQ(1, h.planes);
    EXPECT_EQ(20, h.bytesPerLine);

    // Deeper bitmaps: three planes of 8 bits, an even plane width, palette
    // information 1, no palette; resolution and screen size as before.
    for (uint16_t bits : {16, 24, 32}) {
        b.width = 21;
        b.bitsPixel = bits;
        b.widthBytes = DeviceLineBytesForTest(21, bits);
        std::memset(&h, 0xEE, sizeof h);
        FillBitmapPcxHeader(b, d, &h);
        EXPECT_TRUE(WritesBitmapAsRgbPlanes(b)) << bits;
        EXPECT_EQ(8, h.bitsPerPixel) << bits;
        EXPECT_EQ(3, h.planes) << bits;
        EXPECT_EQ(22, h.bytesPerLine) << bits;
        EXPECT_EQ(1, h.paletteInfo) << bits;
        EXPECT_EQ(20, h.xMax) << bits;
        EXPECT_EQ(96, h.horizontalDpi) << bits;
        EXPECT_EQ(600, h.verticalScreenSize) << bits;
        for (uint8_t v : h.palette) ASSERT_EQ(0, v);
    }
    b.bitsPixel = 8;
    EXPECT_FALSE(WritesBitmapAsRgbPlanes(b));

    EXPECT_EQ(2u, HeaderPaletteColors(1, 1));
    EXPECT_EQ(16u, HeaderPaletteColors(1, 4));
    EXPECT_EQ(16u, HeaderPaletteColors(4, 1));
    EXPECT_EQ(128u, HeaderPaletteColors(1, 7));
    EXPECT_EQ(0u, HeaderPaletteColors(1, 8));
    EXPECT_EQ(0u, HeaderPaletteColors(1, 32));
}

std::vector<uint8_t> Line(const DibSpec& s, const std::vector<uint8_t>& row, size_t tableBytes = 0,
                          const std::vector<uint32_t>& masks = {}) {
    std::vector<uint8_t> block = InfoHeader(s);
    for (uint32_t m : masks) {
        block.resize(block.size() + 4);
        Put32(block, block.size() - 4, m);
    }
    block.resize(block.size() + tableBytes, 0);
    block.insert(block.end(), row.begin(), row.end());
    DibLayout l;
    EXPECT_EQ(Status::Ok, ReadDibLayout(block.data(), block.size(), &l));
    std::vector<uint8_t> line(l.encodedLineSize, 0xEE);
    EXPECT_EQ(line.size(), AssemblePcxLine(l, block.data() + l.pixelOffset, line.data()));
    return line;
}

TEST(PcxLineAssembly, SplitsAndCopiesRows) {
    DibSpec s;
    s.bitCount = 24;
    s.width = 3;
    // (blue, green, red) = (1,2,3), (4,5,6), (7,8,9), then row padding.
    EXPECT_EQ((std::vector<uint8_t>{3, 6, 9, 0, 2, 5, 8, 0, 1, 4, 7, 0}),
              Line(s, {1, 2, 3, 4, 5, 6, 7, 8, 9, 0xAA, 0xAA, 0xAA}));

    s.bitCount = 4;
    s.width = 8;
    EXPECT_EQ((std::vector<uint8_t>{0x55, 0x33, 0x0F, 0x00}), Line(s, {0x01, 0x23, 0x45, 0x67}, 64));
    s.width = 9;  // the second group's padding nibbles are taken as stored
    EXPECT_EQ((std::vector<uint8_t>{0x00, 0xC0, 0x00, 0xC0, 0x00, 0x80, 0x00, 0xC0}),
              Line(s, {0x00, 0x00, 0x00, 0x00, 0xFB, 0x00, 0x00, 0x00}, 64));

    s.bitCount = 1;
    s.width = 20;
    EXPECT_EQ((std::vector<uint8_t>{0x81, 0x42, 0x2F}), Line(s, {0x81, 0x42, 0x2F, 0x99}, 8));

    s.bitCount = 8;
    s.width = 5;
    EXPECT_EQ((std::vector<uint8_t>{9, 8, 7, 6, 5}), Line(s, {9, 8, 7, 6, 5, 0xAA, 0xAA, 0xAA}, 1024));

    // 16 bits, 5-5-5: full scale stays full scale.
    s.bitCount = 16;
    s.width = 2;
    EXPECT_EQ((std::vector<uint8_t>{0xFF, 0x00, 0x00, 0x00, 0x00, 0x84}),
              Line(s, {0x00, 0x7C, 0x10, 0x00}));

    // 32 bits: blue, green, red, unused.
    s.bitCount = 32;
    s.width = 1;
    EXPECT_EQ((std::vector<uint8_t>{30, 0, 20, 0, 10, 0}), Line(s, {10, 20, 30, 0xFF}));

    // 32 bits with masks: red in the low byte.
    s.compression = kDibBiBitfields;
    EXPECT_EQ((std::vector<uint8_t>{10, 0, 20, 0, 30, 0}),
              Line(s, {10, 20, 30, 0xFF}, 0, {0x000000FF, 0x0000FF00, 0x00FF0000}));
    // 16 bits 5-6-5.
    s.bitCount = 16;
    s.width = 1;
    EXPECT_EQ((std::vector<uint8_t>{0xFF, 0, 0x82, 0, 0x00, 0}),
              Line(s, {0x00, 0xFC, 0, 0}, 0, {0xF800, 0x07E0, 0x001F}));
}

}  // namespace

namespace {

// 24-bit rows of every width from 1 to 100 (the block split covers 32 pixels
// at a time; the rest goes pixel by pixel): each plane holds its channel.
TEST(PcxLineAssembly, TrueColorRowsOfEveryWidth) {
    uint32_t seed = 12345;
    for (int32_t width = 1; width <= 100; ++width) {
        DibSpec s;
        s.bitCount = 24;
        s.width = width;
        std::vector<uint8_t> row((3 * size_t(width) + 3) / 4 * 4);
        for (uint8_t& b : row) {
            seed = seed * 1103515245u + 12345u;
            b = static_cast<uint8_t>(seed >> 16);
        }
        const std::vector<uint8_t> line = Line(s, row);
        const size_t planeWidth = line.size() / 3;
        ASSERT_GE(planeWidth, size_t(width));
        for (size_t x = 0; x < planeWidth; ++x) {
            const bool inside = x < size_t(width);
            EXPECT_EQ(inside ? row[3 * x + 2] : 0, line[x]) << "red, width " << width << " x " << x;
            EXPECT_EQ(inside ? row[3 * x + 1] : 0, line[planeWidth + x]) << "green, width " << width << " x " << x;
            EXPECT_EQ(inside ? row[3 * x] : 0, line[2 * planeWidth + x]) << "blue, width " << width << " x " << x;
        }
    }
}

}  // namespace
