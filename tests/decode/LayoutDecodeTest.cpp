// The layout readers (LoadPCXImageW/A, LoadPCXImageFromMemory, GetPCXImageInfoW)
// over one table of layouts, each a small image built here pixel by pixel,
// run-length coded and stored: every reader gives the DIB the layout
// promises with the expected colours, and the classic layouts give the
// classic exports' DIB byte for byte. The flags, and the classic exports
// still refusing what they always refused.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "support/DcxFixtures.h"
#include "support/DibView.h"
#include "support/KyPcxTestSupport.h"
#include "support/LayoutFixtures.h"
#include "support/PcxFixtures.h"

namespace {

using kypcx_test::DibView;
using kypcx_test::Rgb;
using kypcx_test::ScratchDir;
using Bytes = std::vector<uint8_t>;
using kypcx_test::LayoutCase;
using kypcx_test::LayoutImage;
using kypcx_test::kLayoutHeight;
using kypcx_test::kLayoutWidth;

LayoutImage MakeImage(uint8_t planes, uint8_t bits) { return kypcx_test::MakeLayoutImage(planes, bits); }
Bytes FileOf(const LayoutImage& m, bool stored, uint8_t encoding = 1) {
    return kypcx_test::LayoutFile(m, stored, encoding);
}

Rgb ExpectedColor(const Bytes& colors, uint32_t v) {
    if (colors.empty()) return Rgb{uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)};
    return Rgb{colors[3 * v], colors[3 * v + 1], colors[3 * v + 2]};
}

bool IsClassic(const LayoutCase& c) {
    return (c.planes == 1 && (c.bits == 1 || c.bits == 8)) || (c.planes == 3 && c.bits == 8) ||
           (c.planes == 4 && c.bits == 1);
}

// The colours a decoder must show for the image: the header's (the
// two-colour rule gives black and white for these headers), the trailer's,
// or none.
Bytes ColorsOf(const LayoutImage& m) {
    if (m.planes == 1 && m.bits == 1) return Bytes{0, 0, 0, 255, 255, 255};
    if (m.planes == 1 && m.bits == 8) return m.trailer;
    if (m.bits >= 24 || (m.bits == 8 && m.planes >= 3)) return {};
    return m.headerPalette;
}

class LayoutDecode : public ::testing::TestWithParam<LayoutCase> {
protected:
    // The DIB block's bytes, or empty; the code in *code.
    static Bytes DibBytes(HGLOBAL dib) {
        Bytes bytes;
        if (dib == nullptr) return bytes;
        const auto* p = static_cast<const uint8_t*>(GlobalLock(dib));
        bytes.assign(p, p + GlobalSize(dib));
        GlobalUnlock(dib);
        return bytes;
    }
    ScratchDir dir_;
};

TEST_P(LayoutDecode, EveryReaderGivesTheLayoutsDib) {
    const LayoutCase& c = GetParam();
    const LayoutImage m = MakeImage(c.planes, c.bits);
    const Bytes colors = ColorsOf(m);
    for (bool stored : {false, true}) {
        SCOPED_TRACE(stored ? "stored lines" : "run-length coded");
        const Bytes file = FileOf(m, stored);
        const std::wstring path = dir_.Path(L"layout.pcx");
        const std::wstring dcx = dir_.Path(L"layout.dcx");
        kypcx_test::WriteFileBytes(path, file);
        kypcx_test::WriteFileBytes(dcx, kypcx_test::AssembleDcx({kypcx_test::fixtures::MonoGreys().Bytes(), file}));

        PcxErrorCode code = 0;
        HGLOBAL fromFile = KYPCX_EXPORT(LoadPCXImageW)(path.c_str(), KYPCX_WHOLE_FILE, 0, &code, nullptr);
        ASSERT_NE(nullptr, fromFile) << "code " << code;
        EXPECT_EQ(PCX_OK, code);
        const Bytes dib = DibBytes(fromFile);
        {
            DibView v(fromFile);
            EXPECT_EQ(c.dibBits, v.header().biBitCount);
            EXPECT_EQ(c.tableEntries, v.header().biClrUsed);
            EXPECT_EQ(DWORD(BI_RGB), v.header().biCompression);
            EXPECT_EQ(kLayoutWidth, v.header().biWidth);
            EXPECT_EQ(kLayoutHeight, v.header().biHeight);
            EXPECT_EQ(5906, v.header().biXPelsPerMeter);  // 150 dpi
            for (int y = 0; y < kLayoutHeight; ++y) {
                for (int x = 0; x < kLayoutWidth; ++x) {
                    const uint32_t value = m.pixels[size_t(y) * kLayoutWidth + x];
                    ASSERT_EQ(ExpectedColor(colors, value), v.Pixel(x, y)) << x << "," << y;
                    if (c.dibBits == 32) {
                        ASSERT_EQ(int(value >> 24), v.Alpha(x, y)) << x << "," << y;
                    }
                }
            }
        }
        GlobalFree(fromFile);

        // The same DIB from memory, from a DCX page, and through the ANSI form.
        code = 0;
        Bytes caller = file;
        HGLOBAL fromMemory = KYPCX_EXPORT(LoadPCXImageFromMemory)(caller.data(), DWORD(caller.size()), 0, &code, nullptr);
        EXPECT_EQ(dib, DibBytes(fromMemory)) << "memory, code " << code;
        EXPECT_EQ(file, caller) << "the caller's bytes are only read";
        GlobalFree(fromMemory);
        code = 0;
        HGLOBAL fromPage = KYPCX_EXPORT(LoadPCXImageA)(dir_.PathA("layout.dcx").c_str(), 1, 0, &code, nullptr);
        EXPECT_EQ(dib, DibBytes(fromPage)) << "DCX page, code " << code;
        GlobalFree(fromPage);

        // The classic layouts, run-length coded: the classic DIB exactly;
        // the classic export refuses the rest as it always has.
        code = 0;
        HGLOBAL classic = KYPCX_EXPORT(LoadPCXIntoDIBW)(path.c_str(), &code);
        if (IsClassic(c) && !stored) {
            EXPECT_EQ(dib, DibBytes(classic)) << "the classic export's DIB";
        } else {
            EXPECT_EQ(nullptr, classic);
            // The encoding byte is checked before the layout.
            EXPECT_EQ(stored ? PCX_ERR_ENCODING : PCX_ERR_HARDWARE_DEPENDENT, code);
            code = 0;
            EXPECT_EQ(nullptr, KYPCX_EXPORT(LoadPCXImageW)(path.c_str(), KYPCX_WHOLE_FILE, KYPCX_CLASSIC_LAYOUTS,
                                                            &code, nullptr));
            EXPECT_EQ(stored ? PCX_ERR_ENCODING : PCX_ERR_HARDWARE_DEPENDENT, code)
                << "KYPCX_CLASSIC_LAYOUTS refuses as the classic export does";
        }
        if (classic != nullptr) GlobalFree(classic);

        PcxImageInfo info = {};
        info.size = sizeof info;
        code = 0;
        ASSERT_TRUE(KYPCX_EXPORT(GetPCXImageInfoW)(path.c_str(), KYPCX_WHOLE_FILE, 0, &info, &code)) << code;
        EXPECT_EQ(c.dibBits, info.dibBitCount);
        EXPECT_EQ(c.tableEntries, info.colors);
        EXPECT_EQ(stored ? 1 : 0, info.storedLines);
        EXPECT_EQ(c.dibBits == 32 ? 1 : 0, info.alpha);
        EXPECT_EQ(kLayoutWidth, info.width);
        EXPECT_EQ(file.size(), info.end);
        EXPECT_STRNE("not decodable", info.layoutName);
    }
}

INSTANTIATE_TEST_SUITE_P(Table, LayoutDecode, ::testing::ValuesIn(kypcx_test::kLayoutCases),
                         [](const ::testing::TestParamInfo<LayoutCase>& info) { return std::string(info.param.name); });

// The CGA rule: a PC Paintbrush CGA header (the background's number in the
// upper nibble of a grey first entry, the palette byte, empty third and
// fourth entries) gives the CGA colours; other headers give colours; the
// flags choose.
TEST(LayoutDecode, CgaHeadersAndTheFlagsThatChoose) {
    ScratchDir dir;
    LayoutImage m = MakeImage(1, 2);
    struct Case {
        const char* name;
        Bytes palette;
        DWORD flags;
        Bytes expected;  // four colours
    };
    const Bytes cgaBlueGreenRedYellow = {0x13, 0x13, 0x13, 0xA4, 0xFF, 0x67};
    const Bytes cgaCyanDimCyanMagentaGrey = {0x3E, 0x3E, 0x3E, 0xF0};
    const Bytes cgaBlackCyanMagentaWhite = {0x00, 0x00, 0x00, 0x60};
    const Bytes cgaBlackDimGreenRedBrown = {0x00, 0x00, 0x00, 0x10};
    const Bytes fourColors = {1, 2, 3, 40, 50, 60, 70, 80, 90, 200, 210, 220};
    const Case cases[] = {
        {"bright green, red, yellow on blue", cgaBlueGreenRedYellow, 0,
         {0x00, 0x00, 0xAA, 0x55, 0xFF, 0x55, 0xFF, 0x55, 0x55, 0xFF, 0xFF, 0x55}},
        {"dim cyan, magenta, grey on cyan", cgaCyanDimCyanMagentaGrey, 0,
         {0x00, 0xAA, 0xAA, 0x00, 0xAA, 0xAA, 0xAA, 0x00, 0xAA, 0xAA, 0xAA, 0xAA}},
        {"bright cyan, magenta, white on black", cgaBlackCyanMagentaWhite, 0,
         {0x00, 0x00, 0x00, 0x55, 0xFF, 0xFF, 0xFF, 0x55, 0xFF, 0xFF, 0xFF, 0xFF}},
        {"dim green, red, brown on black", cgaBlackDimGreenRedBrown, 0,
         {0x00, 0x00, 0x00, 0x00, 0xAA, 0x00, 0xAA, 0x00, 0x00, 0xAA, 0x55, 0x00}},
        {"four different colours", fourColors, 0, fourColors},
        {"three colours from black", {0, 0, 0, 255, 0, 0, 0, 255, 0}, 0,
         {0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 0}},
        {"CGA bytes read as colours", cgaBlueGreenRedYellow, KYPCX_HEADER_COLORS,
         {0x13, 0x13, 0x13, 0xA4, 0xFF, 0x67, 0, 0, 0, 0, 0, 0}},
        {"colours read as CGA bytes", fourColors, KYPCX_CGA_PALETTE,
         {0x00, 0x00, 0x00, 0x55, 0xFF, 0x55, 0xFF, 0x55, 0x55, 0xFF, 0xFF, 0x55}},
    };
    const std::wstring path = dir.Path(L"cga.pcx");
    for (const Case& c : cases) {
        m.headerPalette = c.palette;
        m.headerPalette.resize(48, 0);
        kypcx_test::WriteFileBytes(path, FileOf(m, false));
        PcxErrorCode code = 0;
        HGLOBAL dib = KYPCX_EXPORT(LoadPCXImageW)(path.c_str(), KYPCX_WHOLE_FILE, c.flags, &code, nullptr);
        ASSERT_NE(nullptr, dib) << c.name << ", code " << code;
        {
            DibView v(dib);
            ASSERT_EQ(4u, v.header().biClrUsed) << c.name;
            for (int i = 0; i < 4; ++i) {
                const RGBQUAD& q = v.table()[i];
                EXPECT_EQ((Rgb{c.expected[3 * i], c.expected[3 * i + 1], c.expected[3 * i + 2]}),
                          (Rgb{q.rgbRed, q.rgbGreen, q.rgbBlue}))
                    << c.name << ", colour " << i;
            }
        }
        GlobalFree(dib);
        PcxImageInfo info = {};
        info.size = sizeof info;
        ASSERT_TRUE(KYPCX_EXPORT(GetPCXImageInfoW)(path.c_str(), KYPCX_WHOLE_FILE, c.flags, &info, &code));
        Bytes asColors = c.palette;
        asColors.resize(12, 0);
        EXPECT_EQ(c.expected != asColors ? 1 : 0, info.cgaPalette) << c.name;
    }
}

// A colour-space code in the encoding byte: refused without the flag (as
// the classic RGB readers refuse it), carried into biCompression with it.
TEST(LayoutDecode, ColorSpaceFlag) {
    ScratchDir dir;
    const LayoutImage m = MakeImage(1, 4);
    const std::wstring path = dir.Path(L"space.pcx");
    kypcx_test::WriteFileBytes(path, FileOf(m, false, 13));
    PcxErrorCode code = 0;
    EXPECT_EQ(nullptr, KYPCX_EXPORT(LoadPCXImageW)(path.c_str(), KYPCX_WHOLE_FILE, 0, &code, nullptr));
    EXPECT_EQ(PCX_ERR_ENCODING, code);
    HGLOBAL dib = KYPCX_EXPORT(LoadPCXImageW)(path.c_str(), KYPCX_WHOLE_FILE, KYPCX_COLOR_SPACE, &code, nullptr);
    ASSERT_NE(nullptr, dib) << code;
    {
        DibView v(dib);
        EXPECT_EQ(13u, v.header().biCompression);
    }
    GlobalFree(dib);
}

// Bad arguments and what no layout reader takes.
TEST(LayoutDecode, RefusalsAndBadArguments) {
    ScratchDir dir;
    const std::wstring path = dir.Path(L"bad.pcx");
    struct Case {
        const char* name;
        uint8_t planes;
        uint8_t bits;
    };
    const Case notImages[] = {{"5 planes", 5, 1}, {"3 planes x 2 bits", 3, 2}, {"16 bits", 1, 16},
                              {"no planes", 0, 8}, {"2 planes x 8 bits", 2, 8}, {"4 planes x 4 bits", 4, 4}};
    for (const Case& c : notImages) {
        Bytes file = FileOf(MakeImage(1, 8), false);
        file[65] = c.planes;
        file[3] = c.bits;
        kypcx_test::WriteFileBytes(path, file);
        PcxErrorCode code = 0;
        EXPECT_EQ(nullptr, KYPCX_EXPORT(LoadPCXImageW)(path.c_str(), KYPCX_WHOLE_FILE, 0, &code, nullptr)) << c.name;
        EXPECT_EQ(PCX_ERR_HARDWARE_DEPENDENT, code) << c.name;
        code = 0;
        EXPECT_EQ(nullptr, KYPCX_EXPORT(LoadPCXImageFromMemory)(file.data(), DWORD(file.size()), 0, &code, nullptr));
        EXPECT_EQ(PCX_ERR_HARDWARE_DEPENDENT, code) << c.name;
    }
    // Bytes per line too few for the width: 13 pixels of 24 bits need 39.
    Bytes narrow = FileOf(MakeImage(1, 24), false);
    narrow[66] = 38;
    kypcx_test::WriteFileBytes(path, narrow);
    PcxErrorCode code = 0;
    EXPECT_EQ(nullptr, KYPCX_EXPORT(LoadPCXImageW)(path.c_str(), KYPCX_WHOLE_FILE, 0, &code, nullptr));
    EXPECT_EQ(PCX_ERR_HARDWARE_DEPENDENT, code);

    PcxImageInfo info = {};
    code = 0;
    EXPECT_FALSE(KYPCX_EXPORT(GetPCXImageInfoW)(path.c_str(), KYPCX_WHOLE_FILE, 0, &info, &code));
    EXPECT_EQ(PCX_ERR_FILE_IO, code) << "info.size not set";
    code = 0;
    EXPECT_EQ(nullptr, KYPCX_EXPORT(LoadPCXImageFromMemory)(nullptr, 500, 0, &code, nullptr));
    EXPECT_EQ(PCX_ERR_FILE_IO, code);
    code = 0;
    EXPECT_EQ(nullptr, KYPCX_EXPORT(LoadPCXImageW)(dir.Path(L"missing.pcx").c_str(), KYPCX_WHOLE_FILE, 0, &code,
                                                    nullptr));
    EXPECT_EQ(PCX_ERR_OPEN_FILE, code);
    // A page behind the end of the list is no page.
    const std::wstring dcx = dir.Path(L"one.dcx");
    kypcx_test::WriteFileBytes(dcx, kypcx_test::AssembleDcx({kypcx_test::fixtures::MonoGreys().Bytes()}));
    code = 0;
    EXPECT_EQ(nullptr, KYPCX_EXPORT(LoadPCXImageW)(dcx.c_str(), 1, 0, &code, nullptr));
    EXPECT_EQ(PCX_ERR_NO_ITEM, code);
}

// A line cut inside its alpha plane: the rows read so far, the rest of that
// line and every row below it clear, as for any image the data cuts short.
TEST(LayoutDecode, AlphaPlaneCutShort) {
    ScratchDir dir;
    const LayoutImage m = MakeImage(4, 8);
    Bytes file = FileOf(m, true);
    const size_t lineBytes = 4 * (kypcx_test::LayoutPlaneBytes(m) + 1);
    file.resize(128 + lineBytes + 3 * (kypcx_test::LayoutPlaneBytes(m) + 1) + 4);  // row 1: four alpha bytes
    const std::wstring path = dir.Path(L"cut.pcx");
    kypcx_test::WriteFileBytes(path, file);
    PcxErrorCode code = 0;
    HGLOBAL dib = KYPCX_EXPORT(LoadPCXImageW)(path.c_str(), KYPCX_WHOLE_FILE, 0, &code, nullptr);
    ASSERT_NE(nullptr, dib) << code;
    EXPECT_EQ(PCX_OK, code);
    {
        DibView v(dib);
        for (int x = 0; x < kLayoutWidth; ++x) {
            EXPECT_EQ(int(m.pixels[x] >> 24), v.Alpha(x, 0));
            EXPECT_EQ(x < 4 ? int(m.pixels[kLayoutWidth + x] >> 24) : 0, v.Alpha(x, 1)) << x;
            EXPECT_EQ(0, v.Alpha(x, 2));
        }
    }
    GlobalFree(dib);
}

}  // namespace
