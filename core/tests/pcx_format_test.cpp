// Header check order, derived values and palette rules of the portable core.
#include <gtest/gtest.h>

#include <array>
#include <cstring>

#include "kypcx/pcx_format.h"

namespace {

using kypcx::CheckPcxHeader;

PcxHeader ValidHeader() {
    PcxHeader h;
    std::memset(&h, 0, sizeof h);
    h.manufacturer = 0x0A;
    h.version = 5;
    h.encoding = 1;
    h.bitsPerPixel = 8;
    h.planes = 1;
    h.xMax = 9;
    h.yMax = 4;
    h.bytesPerLine = 10;
    return h;
}

struct HeaderCase {
    const char* name;
    uint8_t version, encoding, bitsPerPixel, planes;
    bool checkEncoding;
    kypcx::Status expected;
};

class HeaderCheck : public ::testing::TestWithParam<HeaderCase> {};

TEST_P(HeaderCheck, GivesTheFirstFailingCodeInOrder) {
    const HeaderCase& c = GetParam();
    PcxHeader h = ValidHeader();
    h.version = c.version;
    h.encoding = c.encoding;
    h.bitsPerPixel = c.bitsPerPixel;
    h.planes = c.planes;
    EXPECT_EQ(c.expected, CheckPcxHeader(h, c.checkEncoding)) << c.name;
}

const HeaderCase kHeaderCases[] = {
    {"v5 1x8", 5, 1, 8, 1, true, kypcx::Status::Ok},
    {"v0 accepted", 0, 1, 8, 1, true, kypcx::Status::Ok},
    {"v2 accepted", 2, 1, 1, 1, true, kypcx::Status::Ok},
    {"v3 accepted", 3, 1, 8, 3, true, kypcx::Status::Ok},
    {"v4 accepted", 4, 1, 1, 4, true, kypcx::Status::Ok},
    {"v1 rejected", 1, 1, 8, 1, true, kypcx::Status::UnknownVersion},
    {"v6 rejected", 6, 1, 8, 1, true, kypcx::Status::UnknownVersion},
    {"bad version before bad encoding", 1, 0, 8, 1, true, kypcx::Status::UnknownVersion},
    {"bad version, no encoding check", 7, 12, 8, 1, false, kypcx::Status::UnknownVersion},
    {"bad version before bad layout", 9, 1, 24, 1, false, kypcx::Status::UnknownVersion},
    {"encoding 0", 5, 0, 8, 1, true, kypcx::Status::UnacceptedEncoding},
    {"colour space 12 checked", 5, 12, 8, 1, true, kypcx::Status::UnacceptedEncoding},
    {"colour space 12 unchecked", 5, 12, 8, 1, false, kypcx::Status::Ok},
    {"bad encoding before bad layout", 5, 0, 24, 1, true, kypcx::Status::UnacceptedEncoding},
    {"1 plane 24 bits", 5, 1, 24, 1, true, kypcx::Status::UndecodableLayout},
    {"1 plane 2 bits", 5, 1, 2, 1, true, kypcx::Status::UndecodableLayout},
    {"1 plane 4 bits", 5, 1, 4, 1, true, kypcx::Status::UndecodableLayout},
    {"3 planes 1 bit", 5, 1, 1, 3, true, kypcx::Status::UndecodableLayout},
    {"4 planes 8 bits", 5, 1, 8, 4, true, kypcx::Status::UndecodableLayout},
    {"2 planes 1 bit", 5, 1, 1, 2, true, kypcx::Status::UndecodableLayout},
    {"0 planes", 5, 1, 8, 0, true, kypcx::Status::UndecodableLayout},
    {"1 plane 32 bits unchecked", 5, 13, 32, 1, false, kypcx::Status::UndecodableLayout},
};

INSTANTIATE_TEST_SUITE_P(Table, HeaderCheck, ::testing::ValuesIn(kHeaderCases));

TEST(HeaderCheck, ManufacturerByteIsNotExamined) {
    PcxHeader h = ValidHeader();
    h.manufacturer = 0x55;
    EXPECT_EQ(kypcx::Status::Ok, CheckPcxHeader(h, true));
}

TEST(Geometry, DerivesSizesFromSignedBounds) {
    PcxHeader h = ValidHeader();
    h.planes = 3;
    h.xMin = 10;
    h.xMax = 19;
    h.yMin = -5;
    h.yMax = 4;
    h.bytesPerLine = 10;
    const kypcx::PcxGeometry g = kypcx::GetPcxGeometry(h);
    EXPECT_EQ(10, g.width);
    EXPECT_EQ(10, g.height);
    EXPECT_EQ(24, g.bitCount);
    EXPECT_EQ(30u, g.encodedLineSize);
    EXPECT_EQ(32u, g.dibRowSize);
}

TEST(Geometry, ExtremeFieldsDoNotOverflow) {
    PcxHeader h = ValidHeader();
    h.planes = 4;
    h.bitsPerPixel = 1;
    h.xMin = -32768;
    h.xMax = 32767;
    h.yMin = 5;
    h.yMax = 3;                // below Ymin: height -1
    h.bytesPerLine = -1;       // 0xFFFF read as unsigned
    const kypcx::PcxGeometry g = kypcx::GetPcxGeometry(h);
    EXPECT_EQ(65536, g.width);
    EXPECT_EQ(-1, g.height);
    EXPECT_EQ(0xFFFFu, g.bytesPerLine);
    EXPECT_EQ(4u * 0xFFFF, g.encodedLineSize);
    EXPECT_EQ(32768u, g.dibRowSize);
}

TEST(DibRowSize, RoundsUpToFourBytes) {
    EXPECT_EQ(4u, kypcx::DibRowSize(1, 1));
    EXPECT_EQ(4u, kypcx::DibRowSize(1, 32));
    EXPECT_EQ(8u, kypcx::DibRowSize(1, 33));
    EXPECT_EQ(8u, kypcx::DibRowSize(4, 9));
    EXPECT_EQ(52u, kypcx::DibRowSize(8, 49));
    EXPECT_EQ(300u, kypcx::DibRowSize(24, 100));
    EXPECT_EQ(0u, kypcx::DibRowSize(8, 0));
    EXPECT_EQ(0u, kypcx::DibRowSize(8, -4));
}

TEST(PaletteTrailerSlot, LiesWhollyBehindTheHeaderOfTheImagesOwnExtent) {
    struct Case {
        uint64_t start, end;
        bool found;
        uint64_t marker;
    };
    const Case cases[] = {
        {0, 897, true, 128},          // the smallest image that can hold one
        {0, 896, false, 0},           // the marker would fall on the header's last byte
        {0, 800, false, 0},
        {0, 0, false, 0},
        {4096, 4096 + 897, true, 4096 + 128},
        {4096, 4096 + 800, false, 0},  // never from the directory or the page before
        {5000, 4000, false, 0},        // an extent that runs backwards
        {0, 0xFFFFFFFFull, true, 0xFFFFFFFFull - 769},
    };
    for (const Case& c : cases) {
        uint64_t marker = 0;
        EXPECT_EQ(c.found, kypcx::FindPaletteTrailerSlot(c.start, c.end, &marker)) << c.start << ".." << c.end;
        if (c.found) {
            EXPECT_EQ(c.marker, marker) << c.start << ".." << c.end;
        }
    }
}

TEST(TwoColorRule, ComplementaryRedBytesGiveGreys) {
    struct Case { uint8_t a, b; std::array<uint8_t, 6> expected; };
    const Case cases[] = {
        {0x10, 0xEF, {16, 16, 16, 239, 239, 239}},
        {0x10, 0xEE, {0, 0, 0, 255, 255, 255}},
        {0x00, 0xFF, {0, 0, 0, 255, 255, 255}},
        {0xFF, 0x00, {255, 255, 255, 0, 0, 0}},
        {0x00, 0x00, {0, 0, 0, 255, 255, 255}},
    };
    for (const Case& c : cases) {
        PcxHeader h = ValidHeader();
        h.palette[0] = c.a;
        h.palette[1] = 0x77;  // green and blue play no part
        h.palette[3] = c.b;
        h.palette[5] = 0x33;
        std::array<uint8_t, 6> got{};
        kypcx::BuildTwoColorPalette(h, got.data());
        EXPECT_EQ(c.expected, got) << "a=" << int(c.a) << " b=" << int(c.b);
    }
}

TEST(DefaultPalette, ThreeBitsRedThreeGreenTwoBlue) {
    std::array<uint8_t, 768> p{};
    kypcx::BuildDefaultPalette256(p.data());
    auto entry = [&](int i) { return std::array<int, 3>{p[3 * i], p[3 * i + 1], p[3 * i + 2]}; };
    EXPECT_EQ((std::array<int, 3>{0, 0, 0}), entry(0));
    EXPECT_EQ((std::array<int, 3>{224, 0, 0}), entry(7));
    EXPECT_EQ((std::array<int, 3>{0, 32, 0}), entry(8));
    EXPECT_EQ((std::array<int, 3>{0, 0, 64}), entry(64));
    EXPECT_EQ((std::array<int, 3>{32, 64, 128}), entry(2 * 64 + 2 * 8 + 1));
    EXPECT_EQ((std::array<int, 3>{224, 224, 192}), entry(255));
}

}  // namespace
