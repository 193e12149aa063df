// SavePCXImageW/A, the save of a DIB in a layout of the caller's choice:
// every layout the layout readers read gives the picture back (pixels,
// alpha, resolution), run-length coded or stored, as a PCX file or a new DCX
// page; the smallest layout is chosen by the picture's colours and alpha;
// the classic choice writes the classic save's file byte for byte; what
// cannot be written is refused with a code and leaves the file as it was.
#include <windows.h>

#include <string>
#include <vector>

#include "encode/EncodeTestSupport.h"
#include "support/DcxFixtures.h"
#include "support/DibView.h"
#include "support/KyPcxTestSupport.h"
#include "support/LayoutFixtures.h"
#include "support/PcxFixtures.h"

namespace {

using kypcx_test::DibModel;
using kypcx_test::DibView;
using kypcx_test::LayoutCase;
using kypcx_test::Rgb;
using kypcx_test::ScopedDib;
using kypcx_test::ScratchDir;
using Bytes = std::vector<uint8_t>;

HGLOBAL Load(const std::wstring& path, UINT item = KYPCX_WHOLE_FILE) {
    PcxErrorCode code = 0;
    HGLOBAL dib = KYPCX_EXPORT(LoadPCXImageW)(path.c_str(), item, 0, &code, nullptr);
    EXPECT_NE(nullptr, dib) << "code " << code;
    return dib;
}

PcxImageInfo Info(const std::wstring& path, UINT item = KYPCX_WHOLE_FILE) {
    PcxImageInfo info = {};
    info.size = sizeof info;
    PcxErrorCode code = 0;
    EXPECT_TRUE(KYPCX_EXPORT(GetPCXImageInfoW)(path.c_str(), item, 0, &info, &code)) << "code " << code;
    return info;
}

PcxErrorCode Save(const std::wstring& path, HGLOBAL dib, DWORD flags, PcxDibLineCallback callback = nullptr) {
    PcxErrorCode code = 0;
    const BOOL saved = KYPCX_EXPORT(SavePCXImageW)(path.c_str(), dib, flags, &code, callback);
    EXPECT_EQ(saved != FALSE, code == PCX_OK) << "result and code agree";
    return code;
}

// The two DIBs show the same picture: size, resolution, every pixel's
// colour, and alpha where `alpha` (both then 32-bit).
void ExpectSamePicture(HGLOBAL expected, HGLOBAL actual, bool alpha) {
    DibView e(expected);
    DibView a(actual);
    ASSERT_TRUE(e.valid() && a.valid());
    ASSERT_EQ(e.header().biWidth, a.header().biWidth);
    ASSERT_EQ(e.header().biHeight, a.header().biHeight);
    if (e.header().biXPelsPerMeter != 0) {  // else the screen's resolution
        EXPECT_EQ(e.header().biXPelsPerMeter, a.header().biXPelsPerMeter);
        EXPECT_EQ(e.header().biYPelsPerMeter, a.header().biYPelsPerMeter);
    }
    if (alpha) {
        ASSERT_EQ(32, a.header().biBitCount);
    }
    for (int y = 0; y < e.header().biHeight; ++y) {
        for (int x = 0; x < e.header().biWidth; ++x) {
            ASSERT_EQ(e.Pixel(x, y), a.Pixel(x, y)) << x << "," << y;
            if (alpha) {
                ASSERT_EQ(e.Alpha(x, y), a.Alpha(x, y)) << x << "," << y;
            }
        }
    }
}

int LineCalls = 0;
BOOL WINAPI CountLines(BYTE*, LONG, LONG, BITMAPINFOHEADER*) {
    ++LineCalls;
    return TRUE;
}
BOOL WINAPI StopAtFirstLine(BYTE*, LONG, LONG, BITMAPINFOHEADER*) { return FALSE; }

class PictureSave : public ::testing::TestWithParam<LayoutCase> {
protected:
    ScratchDir dir_;
};

// The layout's own picture, read from a file built pixel by pixel, is
// saved in that layout, and in the smallest one, and reads back the same.
TEST_P(PictureSave, EveryLayoutGivesThePictureBack) {
    const LayoutCase& c = GetParam();
    const bool alpha = c.dibBits == 32;
    const std::wstring source = dir_.Path(L"source.pcx");
    kypcx_test::WriteFileBytes(source, kypcx_test::LayoutFile(kypcx_test::MakeLayoutImage(c.planes, c.bits), false));
    ScopedDib picture(Load(source));
    ASSERT_NE(nullptr, picture.get());

    for (bool stored : {false, true}) {
        SCOPED_TRACE(stored ? "stored lines" : "run-length coded");
        const DWORD storedFlag = stored ? KYPCX_SAVE_STORED_LINES : 0;
        const std::wstring path = dir_.Path(L"saved.pcx");
        LineCalls = 0;
        ASSERT_EQ(PCX_OK, Save(path, picture.get(), KYPCX_SAVE_LAYOUT(c.planes, c.bits) | storedFlag, CountLines));
        EXPECT_EQ(kypcx_test::kLayoutHeight, LineCalls) << "the line function sees every line";
        const PcxImageInfo info = Info(path);
        EXPECT_EQ(c.planes, info.planes);
        EXPECT_EQ(c.bits, info.bitsPerPixel);
        EXPECT_EQ(c.dibBits, info.dibBitCount);
        EXPECT_EQ(stored ? 1 : 0, info.storedLines);
        EXPECT_EQ(alpha ? 1 : 0, info.alpha);
        EXPECT_EQ(0, info.cgaPalette) << "the colours are never read as CGA palette bytes";
        EXPECT_EQ(kypcx_test::FileLength(path), info.end) << "the file is cut to the image";
        ScopedDib back(Load(path));
        ExpectSamePicture(picture.get(), back.get(), alpha);

        // The same file as a new page behind a DCX file's first.
        const std::wstring dcx = dir_.Path(L"pages.dcx");
        kypcx_test::WriteFileBytes(dcx, kypcx_test::AssembleDcx({kypcx_test::fixtures::MonoGreys().Bytes()}));
        ASSERT_EQ(PCX_OK, Save(dcx, picture.get(),
                               KYPCX_SAVE_LAYOUT(c.planes, c.bits) | storedFlag | KYPCX_SAVE_DCX_PAGE));
        const PcxImageInfo page = Info(dcx, 1);
        EXPECT_EQ(info.end - info.start, page.end - page.start) << "the page holds the same image";
        ScopedDib fromPage(Load(dcx, 1));
        ExpectSamePicture(picture.get(), fromPage.get(), alpha);

        // The smallest layout holds it too, alpha where the layout had it.
        ASSERT_EQ(PCX_OK, Save(path, picture.get(), KYPCX_SAVE_SMALLEST | storedFlag));
        EXPECT_EQ(alpha ? 1 : 0, Info(path).alpha);
        ScopedDib smallest(Load(path));
        ExpectSamePicture(picture.get(), smallest.get(), alpha);
    }
}

INSTANTIATE_TEST_SUITE_P(Table, PictureSave, ::testing::ValuesIn(kypcx_test::kLayoutCases),
                         [](const ::testing::TestParamInfo<LayoutCase>& info) { return std::string(info.param.name); });

// A 32-bit DIB of the given colours, one a pixel from the left, each row the
// same; the fourth byte of every pixel `alphaOf(x)`.
template <typename AlphaOf>
Bytes ColourStrip(const std::vector<Rgb>& colours, AlphaOf alphaOf, int height = 3) {
    DibModel m;
    m.bitCount = 32;
    m.width = int(colours.size());
    m.height = height;
    for (int y = 0; y < height; ++y) m.colors.insert(m.colors.end(), colours.begin(), colours.end());
    Bytes dib = kypcx_test::DibBytes(m);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < m.width; ++x) dib[40 + m.Stride() * y + 4 * x + 3] = alphaOf(x);
    return dib;
}

std::vector<Rgb> Shades(int count) {
    std::vector<Rgb> colours;
    for (int i = 0; i < count; ++i) colours.push_back(Rgb{uint8_t(i * 37), uint8_t(i), uint8_t(i >> 8)});
    return colours;
}

TEST(PictureSave, SmallestLayoutFollowsTheColoursAndAlpha) {
    const auto none = [](int) { return uint8_t(0); };
    const auto opaque = [](int) { return uint8_t(255); };
    struct Case {
        const char* name;
        Bytes dib;
        int planes, bits;
        bool alpha;
    } cases[] = {
        {"black and white", ColourStrip({{0, 0, 0}, {255, 255, 255}}, none), 1, 1, false},
        {"complementary greys", ColourStrip({{0x30, 0x30, 0x30}, {0xCF, 0xCF, 0xCF}}, opaque), 1, 1, false},
        {"one colour", ColourStrip({{10, 200, 30}}, none), 2, 1, false},
        {"red and blue", ColourStrip({{255, 0, 0}, {0, 0, 255}}, none), 2, 1, false},
        {"grey and black", ColourStrip({{128, 128, 128}, {0, 0, 0}}, none), 2, 1, false},
        {"4 colours", ColourStrip(Shades(4), none), 2, 1, false},
        {"5 colours", ColourStrip(Shades(5), none), 3, 1, false},
        {"8 colours", ColourStrip(Shades(8), opaque), 3, 1, false},
        {"16 colours", ColourStrip(Shades(16), none), 4, 1, false},
        {"17 colours", ColourStrip(Shades(17), none), 1, 8, false},
        {"256 colours", ColourStrip(Shades(256), none), 1, 8, false},
        {"257 colours", ColourStrip(Shades(257), none), 3, 8, false},
        {"two colours, one pixel translucent", ColourStrip({{0, 0, 0}, {255, 255, 255}},
                                                           [](int x) { return uint8_t(x == 1 ? 0x80 : 0xFF); }),
         4, 8, true},
        {"fully transparent somewhere", ColourStrip(Shades(3), [](int x) { return uint8_t(x == 0 ? 0 : 0xFF); }), 4,
         8, true},
    };
    ScratchDir dir;
    const std::wstring path = dir.Path(L"smallest.pcx");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScopedDib dib(c.dib);
        ASSERT_EQ(PCX_OK, Save(path, dib.get(), KYPCX_SAVE_SMALLEST));
        const PcxImageInfo info = Info(path);
        EXPECT_EQ(c.planes, info.planes);
        EXPECT_EQ(c.bits, info.bitsPerPixel);
        EXPECT_EQ(c.alpha ? 1 : 0, info.alpha);
        EXPECT_EQ(0, info.cgaPalette);
        ScopedDib back(Load(path));
        ExpectSamePicture(dib.get(), back.get(), c.alpha);
    }
}

// The classic choice is the classic save, byte for byte, for every depth a
// DIB comes in; with stored lines it is that layout with encoding 0.
TEST(PictureSave, ClassicChoiceIsTheClassicSave) {
    ScratchDir dir;
    const std::wstring classic = dir.Path(L"classic.pcx");
    const std::wstring chosen = dir.Path(L"chosen.pcx");
    for (int bitCount : {1, 4, 8, 16, 24, 32}) {
        SCOPED_TRACE(bitCount);
        ScopedDib dib(kypcx_test::DibBytes(kypcx_test::PatternDib(bitCount, 37, 6)));
        PcxErrorCode code = 0;
        ASSERT_TRUE(KYPCX_EXPORT(SaveDIBInPCXFormatW)(classic.c_str(), dib.get(), &code)) << code;
        ASSERT_EQ(PCX_OK, Save(chosen, dib.get(), KYPCX_SAVE_CLASSIC));
        EXPECT_EQ(kypcx_test::ReadFileBytes(classic), kypcx_test::ReadFileBytes(chosen));

        ASSERT_EQ(PCX_OK, Save(chosen, dib.get(), KYPCX_SAVE_CLASSIC | KYPCX_SAVE_STORED_LINES));
        const PcxImageInfo stored = Info(chosen);
        const PcxImageInfo coded = Info(classic);
        EXPECT_EQ(1, stored.storedLines);
        EXPECT_EQ(coded.planes, stored.planes);
        EXPECT_EQ(coded.bitsPerPixel, stored.bitsPerPixel);
        ScopedDib fromClassic(Load(classic));
        ScopedDib fromStored(Load(chosen));
        ExpectSamePicture(fromClassic.get(), fromStored.get(), false);
    }
}

TEST(PictureSave, AlphaKeptOnlyWhereTheLayoutHasIt) {
    ScratchDir dir;
    const std::wstring path = dir.Path(L"alpha.pcx");
    ScopedDib dib(ColourStrip(Shades(40), [](int x) { return uint8_t(x * 6); }));
    ASSERT_EQ(PCX_OK, Save(path, dib.get(), KYPCX_SAVE_LAYOUT(4, 8)));
    ScopedDib kept(Load(path));
    ExpectSamePicture(dib.get(), kept.get(), true);

    // A layout without an alpha plane keeps the colours and drops the alpha.
    ASSERT_EQ(PCX_OK, Save(path, dib.get(), KYPCX_SAVE_LAYOUT(3, 8)));
    ScopedDib dropped(Load(path));
    EXPECT_EQ(24, DibView(dropped.get()).header().biBitCount);
    ExpectSamePicture(dib.get(), dropped.get(), false);
}

// What cannot be saved is refused before the file is touched: an existing
// file keeps its bytes, a missing one is not created.
TEST(PictureSave, RefusalsLeaveTheFileAsItWas) {
    ScopedDib twoColours(ColourStrip({{255, 0, 0}, {0, 0, 255}}, [](int) { return uint8_t(0); }));
    ScopedDib seventeen(ColourStrip(Shades(17), [](int) { return uint8_t(0); }));
    struct Case {
        const char* name;
        HGLOBAL dib;
        DWORD flags;
        PcxErrorCode code;
    } cases[] = {
        {"a choice that is none", twoColours.get(), 0x7, PCX_ERR_HARDWARE_DEPENDENT},
        {"a reserved bit", twoColours.get(), KYPCX_SAVE_SMALLEST | 0x80000000u, PCX_ERR_HARDWARE_DEPENDENT},
        {"smallest with a layout", twoColours.get(), KYPCX_SAVE_SMALLEST | (KYPCX_SAVE_LAYOUT(1, 8) & ~2u),
         PCX_ERR_HARDWARE_DEPENDENT},
        {"5 planes", twoColours.get(), KYPCX_SAVE_LAYOUT(5, 1), PCX_ERR_HARDWARE_DEPENDENT},
        {"3 planes x 2 bits", twoColours.get(), KYPCX_SAVE_LAYOUT(3, 2), PCX_ERR_HARDWARE_DEPENDENT},
        {"16 bits a pixel", twoColours.get(), KYPCX_SAVE_LAYOUT(1, 16), PCX_ERR_HARDWARE_DEPENDENT},
        {"no planes", twoColours.get(), KYPCX_SAVE_LAYOUT(0, 8), PCX_ERR_HARDWARE_DEPENDENT},
        {"red and blue in black and white", twoColours.get(), KYPCX_SAVE_LAYOUT(1, 1), PCX_ERR_TYPE_MISMATCH},
        {"17 colours in 16", seventeen.get(), KYPCX_SAVE_LAYOUT(4, 1), PCX_ERR_TYPE_MISMATCH},
        {"17 colours in 4, stored", seventeen.get(), KYPCX_SAVE_LAYOUT(1, 2) | KYPCX_SAVE_STORED_LINES,
         PCX_ERR_TYPE_MISMATCH},
    };
    ScratchDir dir;
    const std::wstring existing = dir.Path(L"existing.pcx");
    const std::wstring missing = dir.Path(L"missing.pcx");
    const std::wstring dcx = dir.Path(L"pages.dcx");
    const Bytes before = kypcx_test::fixtures::MonoGreys().Bytes();
    const Bytes pages = kypcx_test::AssembleDcx({before});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        kypcx_test::WriteFileBytes(existing, before);
        kypcx_test::WriteFileBytes(dcx, pages);
        EXPECT_EQ(c.code, Save(existing, c.dib, c.flags));
        EXPECT_EQ(before, kypcx_test::ReadFileBytes(existing));
        EXPECT_EQ(c.code, Save(missing, c.dib, c.flags));
        EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(missing.c_str()));
        EXPECT_EQ(c.code, Save(dcx, c.dib, c.flags | KYPCX_SAVE_DCX_PAGE));
        EXPECT_EQ(pages, kypcx_test::ReadFileBytes(dcx));
    }
}

// Bad DIBs, files and line functions answer as the classic saves do, and
// the ANSI form is the same save.
TEST(PictureSave, AnswersAsTheClassicSaves) {
    ScratchDir dir;
    const std::wstring path = dir.Path(L"bad.pcx");
    const std::wstring classic = dir.Path(L"classic.pcx");
    Bytes header = kypcx_test::DibBytes(kypcx_test::PatternDib(8, 4, 4));
    header[14] = 7;  // 7 bits a pixel
    ScopedDib badDepth(header);
    for (HGLOBAL dib : {HGLOBAL(nullptr), badDepth.get()}) {
        PcxErrorCode expected = 0;
        EXPECT_FALSE(KYPCX_EXPORT(SaveDIBInPCXFormatW)(classic.c_str(), dib, &expected));
        for (DWORD flags : {DWORD{KYPCX_SAVE_CLASSIC}, DWORD{KYPCX_SAVE_SMALLEST}, DWORD{KYPCX_SAVE_LAYOUT(1, 8)}})
            EXPECT_EQ(expected, Save(path, dib, flags)) << std::hex << flags;
    }

    ScopedDib dib(kypcx_test::DibBytes(kypcx_test::PatternDib(24, 9, 5)));
    EXPECT_EQ(PCX_ERR_OPEN_FILE, Save(dir.Path(L"no such folder\\x.pcx"), dib.get(), KYPCX_SAVE_SMALLEST));
    EXPECT_EQ(PCX_ERR_USER_ABORT, Save(path, dib.get(), KYPCX_SAVE_SMALLEST, StopAtFirstLine));
    const std::wstring notDcx = dir.Path(L"plain.pcx");
    const Bytes plain = kypcx_test::fixtures::MonoGreys().Bytes();
    kypcx_test::WriteFileBytes(notDcx, plain);
    PcxErrorCode addCode = 0;
    EXPECT_FALSE(KYPCX_EXPORT(AddDIBToDCXFileW)(dib.get(), notDcx.c_str(), &addCode, nullptr));
    EXPECT_EQ(addCode, Save(notDcx, dib.get(), KYPCX_SAVE_SMALLEST | KYPCX_SAVE_DCX_PAGE)) << "as AddDIBToDCXFileW";
    EXPECT_EQ(plain, kypcx_test::ReadFileBytes(notDcx));

    PcxErrorCode code = 0;
    ASSERT_TRUE(KYPCX_EXPORT(SavePCXImageA)(dir.PathA("ansi.pcx").c_str(), dib.get(), KYPCX_SAVE_SMALLEST, &code,
                                            nullptr));
    ASSERT_EQ(PCX_OK, Save(path, dib.get(), KYPCX_SAVE_SMALLEST));
    EXPECT_EQ(kypcx_test::ReadFileBytes(path), kypcx_test::ReadFileBytes(dir.Path(L"ansi.pcx")));
}

}  // namespace
