// Files the library writes, read back by the library's own decoder, pixel
// for pixel and colour for colour.
#include <windows.h>

#include "encode/EncodeTestSupport.h"
#include "support/PcxFixtures.h"

namespace {

using namespace kypcx_test;

std::wstring SaveModel(const ScratchDir& dir, const std::wstring& name, const DibModel& m) {
    ScopedDib dib(DibBytes(m));
    const std::wstring path = dir.Path(name);
    PcxErrorCode code = 0;
    EXPECT_TRUE(KYPCX_EXPORT(SaveDIBInPCXFormatW)(path.c_str(), dib.get(), &code));
    EXPECT_EQ(PCX_OK, code);
    return path;
}

struct RoundTripCase {
    int bitCount;
    int width;
    int height;
    bool topDown;
};

class DibRoundTrip : public ::testing::TestWithParam<RoundTripCase> {};

TEST_P(DibRoundTrip, LoadsBackEqual) {
    const RoundTripCase& c = GetParam();
    ScratchDir dir;
    DibModel m = PatternDib(c.bitCount, c.width, c.height);
    m.topDown = c.topDown;
    m.paddingByte = 0x96;
    const std::wstring path = SaveModel(dir, L"round.pcx", m);
    PcxErrorCode code = 0;
    ScopedDib loaded(KYPCX_EXPORT(LoadPCXIntoDIBW)(path.c_str(), &code));
    ASSERT_NE(nullptr, loaded.get()) << "code " << code;
    DibView view(loaded.get());
    ASSERT_TRUE(view.valid());
    EXPECT_EQ(c.bitCount <= 8 ? c.bitCount : 24, view.header().biBitCount);
    ASSERT_EQ(c.width, view.header().biWidth);
    ASSERT_EQ(c.height, view.header().biHeight);
    if (c.bitCount <= 8) {
        ASSERT_EQ(1u << c.bitCount, view.header().biClrUsed);
        for (uint32_t i = 0; i < view.header().biClrUsed; ++i) {
            EXPECT_EQ(m.table[i].rgbRed, view.table()[i].rgbRed) << "colour " << i;
            EXPECT_EQ(m.table[i].rgbGreen, view.table()[i].rgbGreen) << "colour " << i;
            EXPECT_EQ(m.table[i].rgbBlue, view.table()[i].rgbBlue) << "colour " << i;
        }
    }
    for (int y = 0; y < c.height; ++y) {
        for (int x = 0; x < c.width; ++x) {
            if (c.bitCount <= 8) {
                ASSERT_EQ(int(m.indices[y * c.width + x]), view.Index(x, y)) << x << "," << y;
            }
            ASSERT_EQ(m.Color(x, y), view.Pixel(x, y)) << x << "," << y;
        }
    }
}

const RoundTripCase kRoundTrips[] = {
    {1, 1, 3, false},  {1, 13, 5, false},  {1, 33, 4, false}, {4, 1, 3, false},  {4, 13, 5, false},
    {4, 33, 4, false}, {8, 1, 3, false},   {8, 13, 5, false}, {8, 33, 4, false}, {24, 1, 3, false},
    {24, 13, 5, false}, {24, 33, 4, false}, {16, 13, 5, false}, {32, 13, 5, false}, {8, 7, 6, true},
    {24, 7, 6, true},   {4, 7, 6, true},
};
INSTANTIATE_TEST_SUITE_P(Table, DibRoundTrip, ::testing::ValuesIn(kRoundTrips),
                         [](const ::testing::TestParamInfo<RoundTripCase>& info) {
                             return std::to_string(info.param.bitCount) + "bits_" + std::to_string(info.param.width) +
                                    "x" + std::to_string(info.param.height) + (info.param.topDown ? "_topdown" : "");
                         });

TEST(RoundTrip, NonRgbDibKeepsItsColorSpace) {
    ScratchDir dir;
    DibModel m = PatternDib(8, 11, 4);
    m.compression = 11;
    ScopedDib dib(DibBytes(m));
    const std::wstring path = dir.Path(L"space.pcx");
    PcxErrorCode code = 0;
    ASSERT_TRUE(KYPCX_EXPORT(SaveNonRGBDIBInPCXFormatW)(path.c_str(), dib.get(), &code));
    ScopedDib loaded(KYPCX_EXPORT(LoadNonRGBPCXIntoDIBW)(path.c_str(), &code));
    ASSERT_NE(nullptr, loaded.get()) << "code " << code;
    DibView view(loaded.get());
    EXPECT_EQ(11u, view.header().biCompression);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 11; ++x) ASSERT_EQ(int(m.indices[y * 11 + x]), view.Index(x, y)) << x << "," << y;
    EXPECT_EQ(nullptr, KYPCX_EXPORT(LoadPCXIntoDIBW)(path.c_str(), &code));
    EXPECT_EQ(PCX_ERR_ENCODING, code) << "an RGB load refuses the colour-space code";
}

// A file's resolution, loaded into a DIB and saved again, comes back as it
// was, with the pixels per metre Windows itself writes for it.
TEST(RoundTrip, ResolutionsSurviveALoadAndASave) {
    ScratchDir dir;
    struct Case {
        int16_t dpi;
        LONG pelsPerMeter;
    };
    const Case cases[] = {{72, 2835}, {96, 3780}, {100, 3937}, {120, 4724}, {150, 5906}, {200, 7874},
                          {240, 9449}, {300, 11811}, {400, 15748}, {600, 23622}, {1200, 47244}, {1, 39}};
    const std::wstring path = dir.Path(L"dpi.pcx");
    for (const Case& c : cases) {
        PcxFixture f = fixtures::TwoFiftySix();
        f.header.hDpi = c.dpi;
        f.header.vDpi = static_cast<int16_t>(c.dpi + 1);
        WriteFileBytes(path, f.Bytes());
        PcxErrorCode code = 0;
        ScopedDib loaded(KYPCX_EXPORT(LoadPCXIntoDIBW)(path.c_str(), &code));
        ASSERT_NE(nullptr, loaded.get()) << c.dpi << " dpi, code " << code;
        DibView view(loaded.get());
        EXPECT_EQ(c.pelsPerMeter, view.header().biXPelsPerMeter) << c.dpi << " dpi";
        ASSERT_TRUE(KYPCX_EXPORT(SaveDIBInPCXFormatW)(path.c_str(), loaded.get(), &code)) << c.dpi << " dpi";
        PcxHeader h;
        ASSERT_TRUE(KYPCX_EXPORT(PCXInfoW)(path.c_str(), &h, &code));
        EXPECT_EQ(c.dpi, h.horizontalDpi) << c.dpi << " dpi";
        EXPECT_EQ(c.dpi + 1, h.verticalDpi) << c.dpi + 1 << " dpi";
    }
}

TEST(RoundTrip, DeviceBitmapsWhereTheFormatCanBeRead) {
    ScratchDir dir;
    for (int bits : {1, 4, 8, 16, 24, 32}) {
        const int width = 13, height = 4;
        HBITMAP bitmap = MakeDeviceBitmap(width, height, bits, PatternBits(width, height, bits));
        const std::vector<uint8_t> stored = BitmapBits(bitmap);
        const std::wstring path = dir.Path(L"device.pcx");
        PcxErrorCode code = 0;
        ASSERT_TRUE(KYPCX_EXPORT(SaveBitmapInPCXFormatW)(path.c_str(), bitmap, &code)) << bits << " bits";
        ScopedDib loaded(KYPCX_EXPORT(LoadPCXIntoDIBW)(path.c_str(), &code));
        if (bits == 4) {
            // Packed 4-bit pixels in one plane: the device's own layout,
            // which only the layout readers take.
            EXPECT_EQ(nullptr, loaded.get()) << bits << " bits";
            EXPECT_EQ(PCX_ERR_HARDWARE_DEPENDENT, code) << bits << " bits: not a classic layout";
        } else if (bits > 8) {
            // Deeper bitmaps come back as their colours.
            ASSERT_NE(nullptr, loaded.get()) << bits << " bits, code " << code;
            DibView view(loaded.get());
            const std::vector<Rgb> colors = BitmapColors(bitmap);
            for (int y = 0; y < height; ++y)
                for (int x = 0; x < width; ++x)
                    ASSERT_EQ(colors[size_t(y) * width + x], view.Pixel(x, y)) << bits << " bits at " << x << "," << y;
        } else {
            ASSERT_NE(nullptr, loaded.get()) << bits << " bits, code " << code;
            DibView view(loaded.get());
            const size_t line = DeviceLineBytes(width, bits);
            for (int y = 0; y < height; ++y) {
                for (int x = 0; x < width; ++x) {
                    const int index = bits == 1 ? (stored[y * line + x / 8] >> (7 - x % 8)) & 1 : stored[y * line + x];
                    ASSERT_EQ(index, view.Index(x, y)) << bits << " bits at " << x << "," << y;
                }
            }
        }
        DeleteObject(bitmap);
    }
}

}  // namespace
