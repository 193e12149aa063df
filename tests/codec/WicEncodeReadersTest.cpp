// PCX files the encoder writes in the classic layouts, read by independent
// PCX readers run natively (netpbm, ImageMagick, Pillow): each sees the
// pixels that were saved. A reader that is not installed skips its test.
#include <windows.h>

#include <wincodec.h>

#include <string>
#include <vector>

#include "KyPCXCodec.h"
#include "codec/EncoderClient.h"
#include "support/KyPcxTestSupport.h"
#include "support/NativeTools.h"

namespace {

using kypcx_test::Picture;
using kypcx_test::Rgb;

// The classic layouts the encoder writes, each from the format a program
// hands it.
struct Saved {
    const char* name;
    Picture picture;
    bool onePlaneOneBit;
};

std::vector<Saved> SavedPictures() {
    Picture colorPair = kypcx_test::PatternPicture(GUID_WICPixelFormat1bppIndexed, 13, 5);
    colorPair.palette = {0xFFC03010, 0xFF20A0E0};  // four planes of one bit
    return {
        {"bw1", kypcx_test::PatternPicture(GUID_WICPixelFormat1bppIndexed, 13, 5), true},
        {"pair1", colorPair, false},
        {"indexed4", kypcx_test::PatternPicture(GUID_WICPixelFormat4bppIndexed, 13, 5), false},
        {"indexed8", kypcx_test::PatternPicture(GUID_WICPixelFormat8bppIndexed, 13, 5), false},
        {"bgr24", kypcx_test::PatternPicture(GUID_WICPixelFormat24bppBGR, 13, 5), false},
        {"bgra_opaque", kypcx_test::PatternPicture(GUID_WICPixelFormat32bppBGRA, 13, 5), false},
    };
}

class EncodedForNativeReader : public ::testing::TestWithParam<kypcx_test::NativePcxReader> {};

TEST_P(EncodedForNativeReader, SeesTheSavedPixels) {
    const kypcx_test::NativePcxReader& reader = GetParam();
    kypcx_test::ScratchDir dir;
    if (kypcx_test::NativeShell::UnixPath(dir.dir()).empty())
        GTEST_SKIP() << "native programs are reached through Wine only";
    if (!kypcx_test::NativeShell::Has(reader.program)) GTEST_SKIP() << reader.program << " is not installed";

    const std::vector<Saved> saved = SavedPictures();
    std::string script;
    for (const Saved& s : saved) {
        const std::string name = s.name;
        kypcx_test::WriteFileBytes(dir.Path(std::wstring(name.begin(), name.end()) + L".pcx"),
                                   kypcx_test::EncodeBytes(GUID_KyPcxContainerFormatPcx, {s.picture}));
        script += reader.Command(name + ".pcx", name + ".ppm") + " || exit 1\n";
    }
    std::string output;
    const int status = kypcx_test::NativeShell::Run(dir, script, &output);
    if (status == -1) GTEST_SKIP() << "could not run native programs: " << output;
    ASSERT_EQ(0, status) << reader.name << " failed:\n" << output;

    for (const Saved& s : saved) {
        const std::string name = s.name;
        kypcx_test::PpmImage image;
        ASSERT_TRUE(kypcx_test::ReadPpm(
            kypcx_test::ReadFileBytes(dir.Path(std::wstring(name.begin(), name.end()) + L".ppm")), &image))
            << reader.name << ": no PPM for " << name;
        const Picture& p = s.picture;
        ASSERT_EQ(int(p.width), image.width) << name;
        ASSERT_EQ(int(p.height), image.height) << name;
        const std::vector<uint32_t> shown = kypcx_test::ShownColors(p);
        const bool swap = reader.swapsMonochrome && s.onePlaneOneBit;
        for (size_t i = 0; i < shown.size(); ++i) {
            const uint32_t c = swap ? (shown[i] ^ 0x00FFFFFFu) : shown[i];
            const Rgb expected = {uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c)};
            ASSERT_TRUE(expected == image.pixels[i])
                << reader.name << ", " << name << ", pixel " << i % p.width << "," << i / p.width;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Native, EncodedForNativeReader, ::testing::ValuesIn(kypcx_test::kNativePcxReaders),
                         [](const ::testing::TestParamInfo<kypcx_test::NativePcxReader>& info) {
                             return info.param.name;
                         });

}  // namespace
