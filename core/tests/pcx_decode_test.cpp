// Decode planning, run-length decoding and row assembly of the portable core.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "kypcx/pcx_decode.h"

namespace {

using Bytes = std::vector<uint8_t>;

PcxHeader Header(uint8_t planes, uint8_t bits, int16_t xMin, int16_t xMax, int16_t yMin, int16_t yMax,
                 int16_t bytesPerLine) {
    PcxHeader h;
    std::memset(&h, 0, sizeof h);
    h.version = 5;
    h.encoding = 1;
    h.planes = planes;
    h.bitsPerPixel = bits;
    h.xMin = xMin;
    h.xMax = xMax;
    h.yMin = yMin;
    h.yMax = yMax;
    h.bytesPerLine = bytesPerLine;
    return h;
}

struct PlanCase {
    const char* name;
    uint8_t planes, bits;
    int16_t xMin, xMax, yMin, yMax, bytesPerLine;
    kypcx::Status expected;
};

TEST(PlanPcxDecode, RefusesSizesTheHeaderCannotMean) {
    const PlanCase cases[] = {
        {"8-bit exact", 1, 8, 0, 9, 0, 9, 10, kypcx::Status::Ok},
        {"8-bit padded", 1, 8, 0, 9, 0, 9, 12, kypcx::Status::Ok},
        {"1-bit 9 wide needs 2", 1, 1, 0, 8, 0, 0, 2, kypcx::Status::Ok},
        {"1-bit 9 wide given 1", 1, 1, 0, 8, 0, 0, 1, kypcx::Status::UndecodableLayout},
        {"8-bit short line", 1, 8, 0, 87, 0, 51, 12, kypcx::Status::UndecodableLayout},
        {"24-bit short line", 3, 8, 0, 9, 0, 0, 9, kypcx::Status::UndecodableLayout},
        {"16-colour short line", 4, 1, 0, 255, 0, 0, 2, kypcx::Status::UndecodableLayout},
        {"bytes per line 0", 1, 8, 0, 0, 0, 0, 0, kypcx::Status::UndecodableLayout},
        {"bytes per line 0xFFFF", 1, 1, 0, 7, 0, 0, -1, kypcx::Status::UndecodableLayout},
        {"width 0", 1, 8, 5, 4, 0, 0, 2, kypcx::Status::UndecodableLayout},
        {"Xmax below Xmin", 1, 8, 10, 2, 0, 0, 2, kypcx::Status::UndecodableLayout},
        {"Ymax below Ymin", 1, 8, 0, 1, 7, 3, 2, kypcx::Status::UndecodableLayout},
        {"non-zero origin", 3, 8, 10, 19, -3, 3, 10, kypcx::Status::Ok},
        {"widest field", 1, 1, -32768, 32767, 0, 0, 8192, kypcx::Status::Ok},
    };
    for (const PlanCase& c : cases) {
        kypcx::PcxDecodeLayout layout;
        const PcxHeader h = Header(c.planes, c.bits, c.xMin, c.xMax, c.yMin, c.yMax, c.bytesPerLine);
        EXPECT_EQ(c.expected, kypcx::PlanPcxDecode(h, &layout)) << c.name;
    }
}

TEST(PlanPcxDecode, DerivesRowAndLineSizes) {
    kypcx::PcxDecodeLayout layout;
    ASSERT_EQ(kypcx::Status::Ok, kypcx::PlanPcxDecode(Header(4, 1, 0, 8, 0, 2, 4), &layout));
    EXPECT_EQ(9, layout.width);
    EXPECT_EQ(3, layout.height);
    EXPECT_EQ(4, layout.bitCount);
    EXPECT_EQ(16u, layout.encodedLineSize);
    EXPECT_EQ(2u, layout.planeBytesUsed);
    EXPECT_EQ(8u, layout.rowSize);
    EXPECT_EQ(24u, layout.imageSize);
    EXPECT_EQ(64u, kypcx::PcxLineReserve(layout));
}

TEST(IsPlausibleImageSize, HugeClaimsNeedDataToMatch) {
    kypcx::PcxDecodeLayout layout;
    ASSERT_EQ(kypcx::Status::Ok, kypcx::PlanPcxDecode(Header(1, 8, 0, 32766, 0, 32766, 32767), &layout));
    EXPECT_FALSE(kypcx::IsPlausibleImageSize(layout, 300));
    // A complete file of maximal runs fits: 2 coded bytes per 63 decoded.
    const uint64_t completeData = (uint64_t(32767) + 62) / 63 * 2 * 32767;
    EXPECT_TRUE(kypcx::IsPlausibleImageSize(layout, completeData));
    ASSERT_EQ(kypcx::Status::Ok, kypcx::PlanPcxDecode(Header(1, 8, 0, 99, 0, 99, 100), &layout));
    EXPECT_TRUE(kypcx::IsPlausibleImageSize(layout, 0)) << "small images are always allowed";
}

Bytes DecodeLine(const Bytes& src, size_t lineSize, size_t* pos) {
    Bytes line(lineSize + kypcx::kPlaneSlack, 0xEE);
    size_t produced = 0;
    EXPECT_TRUE(kypcx::DecodePcxRuns(src.data(), src.size(), pos, line.data(), lineSize, &produced));
    line.resize(produced);
    return line;
}

TEST(DecodePcxRuns, CutsRunsAtTheLineEndAndStartsTheNextLineAfterThem) {
    const Bytes src = {0x01, 0x02, 0xC5, 0x00, 0x07, 0xC2, 0x09};
    size_t pos = 0;
    EXPECT_EQ((Bytes{1, 2, 0, 0, 0}), DecodeLine(src, 5, &pos));
    EXPECT_EQ(4u, pos) << "the surplus of the cut run is not carried over";
    EXPECT_EQ((Bytes{7, 9, 9}), DecodeLine(src, 3, &pos));
    EXPECT_EQ(src.size(), pos);
}

TEST(DecodePcxRuns, RunOfFortyTwoBytesBeforeTheEnd) {
    const Bytes src = {0x11, 0x12, 0x13, 0xE8, 0x44, 0x55};  // 0xE8 = run of 40
    size_t pos = 0;
    EXPECT_EQ((Bytes{0x11, 0x12, 0x13, 0x44, 0x44}), DecodeLine(src, 5, &pos));
    EXPECT_EQ((Bytes{0x55}), DecodeLine(src, 1, &pos));
}

TEST(DecodePcxRuns, CountZeroAddsNothing) {
    const Bytes src = {0xC0, 0x33, 0xC0, 0x44, 0x05, 0xC1, 0xC7};
    size_t pos = 0;
    EXPECT_EQ((Bytes{0x05, 0xC7}), DecodeLine(src, 2, &pos));
    EXPECT_EQ(src.size(), pos);
}

TEST(DecodePcxRuns, StopsAtTheEndOfTheInputAndResumes) {
    const Bytes first = {0x01, 0xC3};  // the count byte's value is not here yet
    size_t pos = 0;
    Bytes line(6 + kypcx::kPlaneSlack, 0);
    size_t produced = 0;
    kypcx::DecodePcxRuns(first.data(), first.size(), &pos, line.data(), 6, &produced);
    EXPECT_EQ(1u, produced);
    EXPECT_EQ(1u, pos) << "a dangling count byte stays unread";
    const Bytes more = {0xC3, 0x08, 0x02, 0x03};
    pos = 0;
    kypcx::DecodePcxRuns(more.data(), more.size(), &pos, line.data(), 6, &produced);
    EXPECT_EQ(6u, produced);
    EXPECT_EQ((Bytes{1, 8, 8, 8, 2, 3}), Bytes(line.begin(), line.begin() + 6));
}

TEST(DecodePcxRuns, RefusingCrossingRunsStopsAtTheRun) {
    const Bytes src = {0x01, 0xC3, 0x05, 0xC4, 0x06};
    size_t pos = 0, produced = 0;
    Bytes line(4, 0);
    EXPECT_TRUE(kypcx::DecodePcxRuns(src.data(), 3, &pos, line.data(), 4, &produced, kypcx::PcxRunPolicy::RefuseCrossing));
    EXPECT_EQ(4u, produced);
    pos = 3;
    produced = 0;
    EXPECT_FALSE(kypcx::DecodePcxRuns(src.data(), src.size(), &pos, line.data(), 3, &produced,
                                      kypcx::PcxRunPolicy::RefuseCrossing));
    EXPECT_EQ(0u, produced);
    EXPECT_EQ(3u, pos);
}

TEST(AssemblePcxRow, SixteenColorsNineWideTakesTheNinthPixelFromTheSecondByte) {
    kypcx::PcxDecodeLayout layout;
    ASSERT_EQ(kypcx::Status::Ok, kypcx::PlanPcxDecode(Header(4, 1, 0, 8, 0, 0, 2), &layout));
    // Pixel x has value x for x < 8 and 15 for the ninth.
    const Bytes planes = {
        0x55, 0x80,  // plane 0: bit 0 of each pixel
        0x33, 0x80,  // plane 1
        0x0F, 0x80,  // plane 2
        0x00, 0x80,  // plane 3
    };
    Bytes row(layout.rowSize, 0xEE);
    kypcx::AssemblePcxRow(layout, planes.data(), row.data());
    EXPECT_EQ((Bytes{0x01, 0x23, 0x45, 0x67, 0xF0, 0x00, 0x00, 0x00}), row);
}

TEST(AssemblePcxRow, TrueColorReordersPlanesIntoBlueGreenRed) {
    kypcx::PcxDecodeLayout layout;
    ASSERT_EQ(kypcx::Status::Ok, kypcx::PlanPcxDecode(Header(3, 8, 10, 11, 0, 0, 3), &layout));
    const Bytes planes = {1, 2, 99, 3, 4, 99, 5, 6, 99};  // red, green, blue, one padding byte each
    Bytes row(layout.rowSize, 0xEE);
    kypcx::AssemblePcxRow(layout, planes.data(), row.data());
    EXPECT_EQ((Bytes{5, 3, 1, 6, 4, 2, 0, 0}), row);
}

TEST(AssemblePcxRow, OnePlaneCopiesThePixelsAndZeroesThePadding) {
    kypcx::PcxDecodeLayout layout;
    ASSERT_EQ(kypcx::Status::Ok, kypcx::PlanPcxDecode(Header(1, 8, 0, 4, 0, 0, 7), &layout));
    const Bytes planes = {1, 2, 3, 4, 5, 6, 7};
    Bytes row(layout.rowSize, 0xEE);
    kypcx::AssemblePcxRow(layout, planes.data(), row.data());
    EXPECT_EQ((Bytes{1, 2, 3, 4, 5, 0, 0, 0}), row);
}

TEST(AssemblePcxRow, ThirtyTwoBitPixelsLoseTheirFourthByte) {
    kypcx::PcxDecodeLayout layout;
    const kypcx::PcxHeaderRules every = [] {
        kypcx::PcxHeaderRules r;
        r.layouts = kypcx::PcxLayoutSet::Every;
        return r;
    }();
    const PcxHeader h = Header(1, 32, 0, 2, 0, 0, 14);  // 3 pixels, 2 bytes of padding
    EXPECT_EQ(kypcx::Status::UndecodableLayout, kypcx::CheckPcxHeader(h, true)) << "not a classic layout";
    ASSERT_EQ(kypcx::Status::Ok, kypcx::CheckPcxHeader(h, every));
    ASSERT_EQ(kypcx::Status::Ok, kypcx::PlanPcxDecode(h, every, &layout));
    EXPECT_EQ(24, layout.bitCount);
    EXPECT_EQ(0u, layout.colors);
    EXPECT_EQ(12u, layout.rowSize);
    const Bytes planes = {1, 2, 3, 0xAA, 4, 5, 6, 0xBB, 7, 8, 9, 0xCC, 99, 99};  // blue, green, red, unused
    Bytes row(layout.rowSize, 0xEE);
    kypcx::AssemblePcxRow(layout, planes.data(), row.data());
    EXPECT_EQ((Bytes{1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 0, 0}), row);
    EXPECT_EQ(kypcx::Status::UndecodableLayout, kypcx::CheckPcxHeader(Header(1, 16, 0, 2, 0, 0, 6), every))
        << "16-bit pixels split as the display that wrote them did: refused";
    EXPECT_EQ(kypcx::Status::UndecodableLayout, kypcx::PlanPcxDecode(Header(1, 32, 0, 2, 0, 0, 11), every, &layout))
        << "fewer bytes per line than the pixels need";
}

}  // namespace
