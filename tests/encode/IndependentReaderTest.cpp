// Files the library writes, read by independent PCX readers run natively
// (netpbm, ImageMagick, Pillow): each reader sees the pixels the DIB holds,
// and the colours of a bitmap made compatible with the screen.
// A reader that is not installed skips its test.
#include <windows.h>

#include "encode/EncodeTestSupport.h"

namespace {

using namespace kypcx_test;

// A file of the classic save, or of SavePCXImageW with `layoutFlags`: the
// latter numbers a picture's colours its own way (in the order they appear)
// in the header or the trailer.
constexpr DWORD kClassicSave = ~DWORD{0};
void SaveModel(const ScratchDir& dir, const std::wstring& name, const DibModel& m, DWORD layoutFlags) {
    ScopedDib dib(DibBytes(m));
    PcxErrorCode code = 0;
    if (layoutFlags == kClassicSave) {
        EXPECT_TRUE(KYPCX_EXPORT(SaveDIBInPCXFormatW)(dir.Path(name).c_str(), dib.get(), &code));
    } else {
        EXPECT_TRUE(KYPCX_EXPORT(SavePCXImageW)(dir.Path(name).c_str(), dib.get(), layoutFlags, &code, nullptr));
    }
    EXPECT_EQ(PCX_OK, code);
}

Rgb Swapped(const Rgb& blackOrWhite) { return blackOrWhite == Rgb{0, 0, 0} ? Rgb{255, 255, 255} : Rgb{0, 0, 0}; }

class IndependentReader : public ::testing::TestWithParam<NativePcxReader> {};

TEST_P(IndependentReader, SeesTheSamePixels) {
    const NativePcxReader& reader = GetParam();
    ScratchDir dir;
    if (NativeShell::UnixPath(dir.dir()).empty()) GTEST_SKIP() << "native programs are reached through Wine only";
    if (!NativeShell::Has(reader.program)) GTEST_SKIP() << reader.program << " is not installed";

    struct Saved {
        int depth;
        DWORD flags;
        std::string name;
    };
    const std::vector<Saved> saves = {
        {1, kClassicSave, "d1"},
        {4, kClassicSave, "d4"},
        {8, kClassicSave, "d8"},
        {16, kClassicSave, "d16"},
        {24, kClassicSave, "d24"},
        {32, kClassicSave, "d32"},
        {4, KYPCX_SAVE_LAYOUT(4, 1), "n4"},
        {8, KYPCX_SAVE_LAYOUT(1, 8), "n8"},
        {24, KYPCX_SAVE_LAYOUT(1, 8), "n24_indexed"},
        {32, KYPCX_SAVE_LAYOUT(3, 8), "n32"},
    };
    std::vector<DibModel> models;
    std::string script;
    for (const Saved& saved : saves) {
        models.push_back(PatternDib(saved.depth, 13, 5));
        const std::string& name = saved.name;
        SaveModel(dir, std::wstring(name.begin(), name.end()) + L".pcx", models.back(), saved.flags);
        script += reader.Command(name + ".pcx", name + ".ppm") + " || exit 1\n";
    }
    const int screenWidth = 37, screenHeight = 6;
    HBITMAP screen = MakeScreenBitmap(screenWidth, screenHeight);
    const std::vector<Rgb> screenColors = BitmapColors(screen);
    PcxErrorCode code = 0;
    EXPECT_TRUE(KYPCX_EXPORT(SaveBitmapInPCXFormatW)(dir.Path(L"screen.pcx").c_str(), screen, &code)) << code;
    DeleteObject(screen);
    script += reader.Command("screen.pcx", "screen.ppm") + " || exit 1\n";

    std::string output;
    const int status = NativeShell::Run(dir, script, &output);
    if (status == -1) GTEST_SKIP() << "could not run native programs: " << output;
    ASSERT_EQ(0, status) << reader.name << " failed:\n" << output;

    for (size_t i = 0; i < models.size(); ++i) {
        const std::string& name = saves[i].name;
        PpmImage image;
        ASSERT_TRUE(ReadPpm(ReadFileBytes(dir.Path(std::wstring(name.begin(), name.end()) + L".ppm")), &image))
            << reader.name << ": no PPM for " << name;
        const DibModel& m = models[i];
        ASSERT_EQ(m.width, image.width) << reader.name << " " << name;
        ASSERT_EQ(m.height, image.height) << reader.name << " " << name;
        const bool swap = reader.swapsMonochrome && saves[i].depth == 1;
        for (int y = 0; y < m.height; ++y)
            for (int x = 0; x < m.width; ++x)
                ASSERT_EQ(swap ? Swapped(m.Color(x, y)) : m.Color(x, y), image.pixels[y * m.width + x])
                    << reader.name << ", " << name << ", pixel " << x << "," << y;
    }
    PpmImage image;
    ASSERT_TRUE(ReadPpm(ReadFileBytes(dir.Path(L"screen.ppm")), &image)) << reader.name << ": no PPM for the screen";
    ASSERT_EQ(screenWidth, image.width);
    ASSERT_EQ(screenHeight, image.height);
    EXPECT_EQ(screenColors, image.pixels) << reader.name << ": a screen bitmap's colours";
}

INSTANTIATE_TEST_SUITE_P(Native, IndependentReader, ::testing::ValuesIn(kNativePcxReaders),
                         [](const ::testing::TestParamInfo<NativePcxReader>& info) { return info.param.name; });

}  // namespace
