// Files the library writes, read back: by the library's own decoder (pixel
// for pixel and colour for colour) and by independent PCX readers run
// natively (netpbm, ImageMagick, Pillow).
#include <windows.h>

#include "encode/EncodeTestSupport.h"

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
            ASSERT_EQ(m.Colour(x, y), view.Pixel(x, y)) << x << "," << y;
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

TEST(RoundTrip, NonRgbDibKeepsItsColourSpace) {
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
        if (bits != 1 && bits != 8) {
            EXPECT_EQ(nullptr, loaded.get()) << bits << " bits";
            EXPECT_EQ(PCX_ERR_HARDWARE_DEPENDENT, code) << bits << " bits: written, but not a layout readers know";
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

struct NativeReader {
    const char* name;
    const char* program;
    const char* command;  // IN and OUT stand for the files
    // This ImageMagick shows bit 0 of a one-bit image as white whatever the
    // header palette says, for files of any writer (netpbm's own included);
    // its one-bit pictures are compared with black and white swapped.
    bool swapsMonochrome;
};

Rgb Swapped(const Rgb& blackOrWhite) { return blackOrWhite == Rgb{0, 0, 0} ? Rgb{255, 255, 255} : Rgb{0, 0, 0}; }

class IndependentReader : public ::testing::TestWithParam<NativeReader> {};

TEST_P(IndependentReader, SeesTheSamePixels) {
    const NativeReader& reader = GetParam();
    ScratchDir dir;
    if (NativeShell::UnixPath(dir.dir()).empty()) GTEST_SKIP() << "native programs are reached through Wine only";
    if (!NativeShell::Has(reader.program)) GTEST_SKIP() << reader.program << " is not installed";

    const int depths[] = {1, 4, 8, 16, 24, 32};
    std::vector<DibModel> models;
    std::string script;
    for (int bits : depths) {
        models.push_back(PatternDib(bits, 13, 5));
        const std::string name = "d" + std::to_string(bits);
        SaveModel(dir, std::wstring(name.begin(), name.end()) + L".pcx", models.back());
        std::string line = reader.command;
        line.replace(line.find("IN"), 2, name + ".pcx");
        line.replace(line.find("OUT"), 3, name + ".ppm");
        script += line + " || exit 1\n";
    }
    std::string output;
    const int status = NativeShell::Run(dir, script, &output);
    if (status == -1) GTEST_SKIP() << "could not run native programs: " << output;
    ASSERT_EQ(0, status) << reader.name << " failed:\n" << output;

    for (size_t i = 0; i < models.size(); ++i) {
        const std::string name = "d" + std::to_string(depths[i]);
        PpmImage image;
        ASSERT_TRUE(ReadPpm(ReadFileBytes(dir.Path(std::wstring(name.begin(), name.end()) + L".ppm")), &image))
            << reader.name << ": no PPM for " << name;
        const DibModel& m = models[i];
        ASSERT_EQ(m.width, image.width) << reader.name << " " << name;
        ASSERT_EQ(m.height, image.height) << reader.name << " " << name;
        const bool swap = reader.swapsMonochrome && depths[i] == 1;
        for (int y = 0; y < m.height; ++y)
            for (int x = 0; x < m.width; ++x)
                ASSERT_EQ(swap ? Swapped(m.Colour(x, y)) : m.Colour(x, y), image.pixels[y * m.width + x])
                    << reader.name << ", " << depths[i] << " bits, pixel " << x << "," << y;
    }
}

const NativeReader kReaders[] = {
    {"netpbm", "/usr/bin/pcxtoppm", "/usr/bin/pcxtoppm IN > OUT", false},
    {"ImageMagick", "/usr/bin/convert", "/usr/bin/convert IN -depth 8 ppm:OUT", true},
    {"Pillow", "/usr/bin/python3",
     "/usr/bin/python3 -c 'import sys; from PIL import Image; "
     "Image.open(sys.argv[1]).convert(\"RGB\").save(sys.argv[2], \"PPM\")' IN OUT",
     false},
};
INSTANTIATE_TEST_SUITE_P(Native, IndependentReader, ::testing::ValuesIn(kReaders),
                         [](const ::testing::TestParamInfo<NativeReader>& info) { return info.param.name; });

}  // namespace
