// The painter's header acceptance and its scan-line-to-colour-index step.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "kypcx/pcx_paint.h"

namespace {

using PcxPaintLayout = kypcx::PcxDecodeLayout;

PcxHeader PaintableHeader() {
    PcxHeader h;
    std::memset(&h, 0, sizeof h);
    h.version = 5;
    h.encoding = 1;
    h.bitsPerPixel = 1;
    h.planes = 4;
    h.xMax = 15;
    h.yMax = 9;
    h.bytesPerLine = 2;
    return h;
}

struct PaintHeaderCase {
    const char* name;
    void (*change)(PcxHeader&);
    bool accepted;
};

class PaintHeader : public ::testing::TestWithParam<PaintHeaderCase> {};

TEST_P(PaintHeader, AcceptsOnlyWhatCanDescribeAPicture) {
    PcxHeader h = PaintableHeader();
    GetParam().change(h);
    PcxPaintLayout layout;
    EXPECT_EQ(GetParam().accepted, kypcx::PlanPcxPaint(h, &layout));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PaintHeader,
    ::testing::Values(
        PaintHeaderCase{"valid", [](PcxHeader&) {}, true},
        PaintHeaderCase{"version0", [](PcxHeader& h) { h.version = 0; }, true},
        PaintHeaderCase{"version1", [](PcxHeader& h) { h.version = 1; }, false},
        PaintHeaderCase{"versionBM", [](PcxHeader& h) { h.version = 'M'; }, false},
        PaintHeaderCase{"encoding0", [](PcxHeader& h) { h.encoding = 0; }, false},
        PaintHeaderCase{"colourSpace10", [](PcxHeader& h) { h.encoding = 10; }, true},
        PaintHeaderCase{"colourSpace17", [](PcxHeader& h) { h.encoding = 17; }, true},
        PaintHeaderCase{"encoding18", [](PcxHeader& h) { h.encoding = 18; }, false},
        PaintHeaderCase{"zeroWidth", [](PcxHeader& h) { h.xMax = -1; }, false},
        PaintHeaderCase{"negativeHeight", [](PcxHeader& h) { h.yMin = 20; }, false},
        PaintHeaderCase{"widestRow", [](PcxHeader& h) { h.xMin = -32768; h.xMax = 32767; h.bytesPerLine = 8192; }, true},
        PaintHeaderCase{"noPlanes", [](PcxHeader& h) { h.planes = 0; }, false},
        PaintHeaderCase{"threePlanes", [](PcxHeader& h) { h.planes = 3; }, true},
        PaintHeaderCase{"zeroBytesPerLine", [](PcxHeader& h) { h.bytesPerLine = 0; }, false},
        PaintHeaderCase{"negativeBytesPerLine", [](PcxHeader& h) { h.bytesPerLine = -2; }, false},
        PaintHeaderCase{"lineTooShort", [](PcxHeader& h) { h.xMax = 16; }, false},
        PaintHeaderCase{"paddedLine", [](PcxHeader& h) { h.bytesPerLine = 40; }, true}),
    [](const ::testing::TestParamInfo<PaintHeaderCase>& info) { return std::string(info.param.name); });

TEST(PaintHeader, GivesTheSizesFromTheBounds) {
    PcxHeader h = PaintableHeader();
    h.xMin = 3;
    h.xMax = 12;
    h.yMin = -2;
    h.yMax = 2;
    h.planes = 1;
    PcxPaintLayout layout;
    ASSERT_TRUE(kypcx::PlanPcxPaint(h, &layout));
    EXPECT_EQ(10, layout.width);
    EXPECT_EQ(5, layout.height);
    EXPECT_EQ(1u, layout.planes);
    EXPECT_EQ(2u, layout.bytesPerLine);
    EXPECT_EQ(2u, layout.encodedLineSize);
}

TEST(PaintRow, ReadsOnePlaneAsOneBitAPixel) {
    PcxPaintLayout layout;
    layout.width = 10;
    layout.planes = 1;
    layout.bytesPerLine = 3;
    const uint8_t line[] = {0xA5, 0x40, 0xFF};  // 10100101 01..., padding ignored
    std::vector<uint8_t> indices(10, 9);
    kypcx::PaintRowIndices(layout, line, indices.data());
    EXPECT_EQ((std::vector<uint8_t>{1, 0, 1, 0, 0, 1, 0, 1, 0, 1}), indices);
}

TEST(PaintRow, ReadsFourPlanesAsTheBitsOfTheIndex) {
    PcxPaintLayout layout;
    layout.width = 9;
    layout.planes = 4;
    layout.bytesPerLine = 2;
    // Pixel x has index x (15 for the ninth): plane k holds bit k.
    const uint8_t line[] = {0x55, 0x80, 0x33, 0x80, 0x0F, 0x80, 0x00, 0x80};
    std::vector<uint8_t> indices(9);
    kypcx::PaintRowIndices(layout, line, indices.data());
    EXPECT_EQ((std::vector<uint8_t>{0, 1, 2, 3, 4, 5, 6, 7, 15}), indices);
}

TEST(PaintRow, PaintsOtherPlaneCountsInColorZero) {
    PcxPaintLayout layout;
    layout.width = 4;
    layout.planes = 3;
    layout.bytesPerLine = 4;
    const uint8_t line[12] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    std::vector<uint8_t> indices(4, 7);
    kypcx::PaintRowIndices(layout, line, indices.data());
    EXPECT_EQ((std::vector<uint8_t>(4, 0)), indices);
}

}  // namespace
