// Choosing a layout for a picture: its colours numbered in the order they
// appear (all 256 of a full picture, each its own number), the smallest
// layout for a count of colours and alpha, and the plans that refuse a
// layout the picture does not fit.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "kypcx/pcx_layout_choice.h"

namespace {

using namespace kypcx;
using Bytes = std::vector<uint8_t>;

// `count` distinct opaque colours as blue, green, red, alpha pixels; the
// first two black and white.
Bytes DistinctPixels(uint32_t count) {
    Bytes pixels;
    for (uint32_t i = 0; i < count; ++i) {
        const uint8_t bgra[4] = {uint8_t(i == 1 ? 255 : i * 7), uint8_t(i == 1 ? 255 : i), uint8_t(i == 1 ? 255 : i >> 8),
                                 255};
        pixels.insert(pixels.end(), bgra, bgra + 4);
    }
    return pixels;
}

TEST(PictureColors, NumbersEveryColourOfAFullPicture) {
    const Bytes pixels = DistinctPixels(256);
    PictureColors colors;
    colors.Add(pixels.data(), 256);
    colors.Add(pixels.data(), 256);  // seen again: no new numbers
    ASSERT_EQ(256u, colors.count());
    EXPECT_FALSE(colors.overflowed());
    EXPECT_FALSE(colors.translucent());
    for (uint32_t i = 0; i < 256; ++i) {
        ASSERT_EQ(int(i), colors.IndexOf(&pixels[4 * i])) << i;
        EXPECT_EQ(pixels[4 * i + 2], colors.triple(i)[0]) << "red first";
        EXPECT_EQ(pixels[4 * i], colors.triple(i)[2]);
    }
    const uint8_t absent[3] = {1, 2, 3};
    EXPECT_EQ(-1, colors.IndexOf(absent));

    const Bytes more = DistinctPixels(257);
    colors.Add(more.data(), 257);
    EXPECT_TRUE(colors.overflowed());
    EXPECT_EQ(256u, colors.count());
}

TEST(PictureColors, SmallestLayoutByCountAndAlpha) {
    struct Case {
        uint32_t colours;
        bool translucent;
        uint8_t planes, bits;
    } cases[] = {
        {2, false, 1, 1},  {3, false, 2, 1},   {4, false, 2, 1},   {5, false, 3, 1},  {8, false, 3, 1},
        {9, false, 4, 1},  {16, false, 4, 1},  {17, false, 1, 8},  {256, false, 1, 8}, {257, false, 3, 8},
        {2, true, 4, 8},   {300, true, 4, 8},
    };
    for (const Case& c : cases) {
        Bytes pixels = DistinctPixels(c.colours);
        if (c.translucent) pixels[3] = 0x80;
        PictureColors colors;
        colors.Add(pixels.data(), c.colours);
        const PcxLayout layout = SmallestLayout(colors);
        EXPECT_EQ(c.planes, layout.planes) << c.colours << (c.translucent ? " translucent" : "");
        EXPECT_EQ(c.bits, layout.bitsPerPixel) << c.colours;

        PcxSavePicture picture;
        picture.width = int32_t(c.colours);
        picture.height = 1;
        PcxSavePlan plan;
        EXPECT_EQ(Status::Ok, PlanPcxSave(layout, colors, picture, &plan));
        if (layout.planes * layout.bitsPerPixel < 8 && layout.planes > 1) {
            // One colour fewer than the picture has: refused.
            const PcxLayout smaller{uint8_t(layout.planes - 1), 1};
            EXPECT_EQ(Status::PictureDoesNotFit, PlanPcxSave(smaller, colors, picture, &plan)) << c.colours;
        }
    }
}

TEST(PictureColors, PlansRefuseWhatNoReaderReads) {
    const Bytes pixels = DistinctPixels(2);
    PictureColors colors;
    colors.Add(pixels.data(), 2);
    PcxSavePicture picture;
    picture.width = 2;
    picture.height = 1;
    PcxSavePlan plan;
    for (PcxLayout layout : {PcxLayout{5, 1}, PcxLayout{3, 2}, PcxLayout{1, 16}, PcxLayout{0, 8}})
        EXPECT_EQ(Status::UndecodableLayout, PlanPcxSave(layout, colors, picture, &plan));
    picture.width = 0;
    EXPECT_EQ(Status::UndecodableLayout, PlanPcxSave(PcxLayout{1, 8}, colors, picture, &plan));
    picture.width = 70000;
    EXPECT_EQ(Status::ImageTooLarge, PlanPcxSave(PcxLayout{1, 8}, colors, picture, &plan));
}

}  // namespace
