// LoadPCXIntoDIBW and its relatives: pixels, colour tables and DIB headers
// for every layout, truncated and malformed files, the per-row function.
#include <windows.h>

#include <cstring>
#include <vector>

#include "support/DibView.h"
#include "support/KyPcxTestSupport.h"
#include "support/PcxFixtures.h"
#include "support/DcxFixtures.h"

namespace {

using kypcx_test::Append;
using kypcx_test::DibView;
using kypcx_test::PcxFixture;
using kypcx_test::Rgb;
using kypcx_test::RunOf;
using kypcx_test::ScratchDir;
using Bytes = std::vector<uint8_t>;

// Writes the fixture and loads it through LoadPCXIntoDIBW.
struct Loaded {
    HGLOBAL dib = nullptr;
    PcxErrorCode code = 0;
    ~Loaded() {
        if (dib != nullptr) GlobalFree(dib);
    }
};

void LoadBytes(const Bytes& bytes, Loaded* out, const wchar_t* name = L"image.pcx") {
    ScratchDir dir;
    const std::wstring path = dir.Path(name);
    kypcx_test::WriteFileBytes(path, bytes);
    out->code = 0;
    out->dib = KYPCX_EXPORT(LoadPCXIntoDIBW)(path.c_str(), &out->code);
}

using namespace kypcx_test::fixtures;

TEST(LoadPCXIntoDIB, MonochromeUsesTheTwoColorRule) {
    Loaded l;
    LoadBytes(MonoGreys().Bytes(), &l);
    ASSERT_NE(nullptr, l.dib) << "code " << l.code;
    EXPECT_EQ(PCX_OK, l.code);
    DibView v(l.dib);
    EXPECT_EQ(10, v.header().biWidth);
    EXPECT_EQ(2, v.header().biHeight);
    EXPECT_EQ(1, v.header().biBitCount);
    EXPECT_EQ(2u, v.header().biClrUsed);
    EXPECT_EQ((Rgb{16, 16, 16}), v.Pixel(1, 0));
    EXPECT_EQ((Rgb{239, 239, 239}), v.Pixel(0, 0));
    for (int x = 0; x < 10; ++x) {
        EXPECT_EQ(x % 2 == 0 ? 1 : 0, v.Index(x, 0)) << "x=" << x;
        EXPECT_EQ(1, v.Index(x, 1)) << "x=" << x;
    }
}

TEST(LoadPCXIntoDIB, MonochromeWithoutComplementaryRedsIsBlackAndWhite) {
    PcxFixture f = MonoGreys();
    f.header.palette = {0x10, 0, 0, 0xEE, 0, 0};
    Loaded l;
    LoadBytes(f.Bytes(), &l);
    ASSERT_NE(nullptr, l.dib);
    DibView v(l.dib);
    EXPECT_EQ((Rgb{0, 0, 0}), v.Pixel(1, 0));
    EXPECT_EQ((Rgb{255, 255, 255}), v.Pixel(0, 0));
}

TEST(LoadPCXIntoDIB, SixteenColorsTakeTheHeaderPalette) {
    Loaded l;
    LoadBytes(SixteenColors().Bytes(), &l);
    ASSERT_NE(nullptr, l.dib) << "code " << l.code;
    DibView v(l.dib);
    EXPECT_EQ(4, v.header().biBitCount);
    ASSERT_EQ(16u, v.header().biClrUsed);
    const Bytes pal = kypcx_test::SixteenColorPalette();
    for (int i = 0; i < 16; ++i) {
        const RGBQUAD& q = v.table()[i];
        EXPECT_EQ(pal[3 * i], q.rgbRed);
        EXPECT_EQ(pal[3 * i + 1], q.rgbGreen);
        EXPECT_EQ(pal[3 * i + 2], q.rgbBlue);
        EXPECT_EQ(0, q.rgbReserved);
    }
    for (int x = 0; x < 8; ++x) EXPECT_EQ(x, v.Index(x, 0)) << "x=" << x;
    EXPECT_EQ(15, v.Index(8, 0)) << "the ninth pixel comes from each plane's second byte";
    for (int x = 0; x < 9; ++x) EXPECT_EQ(0, v.Index(x, 1));
}

TEST(LoadPCXIntoDIB, TwoFiftySixColorsTakeTheTrailerAndDropPadding) {
    Loaded l;
    LoadBytes(TwoFiftySix().Bytes(), &l);
    ASSERT_NE(nullptr, l.dib) << "code " << l.code;
    DibView v(l.dib);
    const BITMAPINFOHEADER& h = v.header();
    EXPECT_EQ(40u, h.biSize);
    EXPECT_EQ(5, h.biWidth);
    EXPECT_EQ(3, h.biHeight);
    EXPECT_EQ(1, h.biPlanes);
    EXPECT_EQ(8, h.biBitCount);
    EXPECT_EQ(DWORD(BI_RGB), h.biCompression);
    EXPECT_EQ(DWORD((5 + 31) / 32 * 4 * 8 * 3), h.biSizeImage);
    EXPECT_EQ(11811, h.biXPelsPerMeter);  // 300 x 39.37 = 11811
    EXPECT_EQ(2835, h.biYPelsPerMeter);   // 72 x 39.37 = 2834.64, to the nearest
    EXPECT_EQ(256u, h.biClrUsed);
    EXPECT_EQ(0u, h.biClrImportant);
    EXPECT_GE(v.blockSize(), 40 + 256 * 4 + h.biSizeImage);
    const Bytes pal = kypcx_test::TrailerPalette();
    for (int i : {0, 1, 7, 128, 255}) {
        EXPECT_EQ(pal[3 * i], v.table()[i].rgbRed);
        EXPECT_EQ(pal[3 * i + 1], v.table()[i].rgbGreen);
        EXPECT_EQ(pal[3 * i + 2], v.table()[i].rgbBlue);
    }
    const BYTE expected[3][5] = {{1, 2, 3, 4, 5}, {0xC8, 0xC8, 0xC8, 0xC8, 0xC8}, {7, 7, 7, 7, 7}};
    for (int y = 0; y < 3; ++y) {
        EXPECT_EQ(0, std::memcmp(expected[y], v.rowFromTop(y), 5)) << "row " << y;
        EXPECT_EQ(0, v.rowFromTop(y)[5]) << "padding of row " << y;
    }
}

TEST(LoadPCXIntoDIB, TrueColorReordersPlanesAndHasNoColorTable) {
    Loaded l;
    LoadBytes(TrueColor().Bytes(), &l);
    ASSERT_NE(nullptr, l.dib) << "code " << l.code;
    DibView v(l.dib);
    EXPECT_EQ(10, v.header().biWidth);
    EXPECT_EQ(24, v.header().biBitCount);
    EXPECT_EQ(0u, v.header().biClrUsed);
    for (int x = 0; x < 10; ++x) {
        EXPECT_EQ((Rgb{uint8_t(x), uint8_t(10 + x), uint8_t(20 + x)}), v.Pixel(x, 0)) << "x=" << x;
        EXPECT_EQ((Rgb{0x30, 0x40, 0x50}), v.Pixel(x, 1)) << "x=" << x;
    }
}

TEST(LoadPCXIntoDIB, TruncatedDataLeavesTheRowsBelowTheCutZero) {
    PcxFixture f;
    f.header.planes = 3;
    f.header.xMax = 2;
    f.header.yMax = 3;
    f.header.bytesPerLine = 4;
    f.data = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17};  // a line and 5 bytes
    Loaded l;
    LoadBytes(f.Bytes(), &l);
    ASSERT_NE(nullptr, l.dib) << "a cut file still decodes; code " << l.code;
    EXPECT_EQ(PCX_OK, l.code);
    DibView v(l.dib);
    EXPECT_EQ((Rgb{1, 5, 9}), v.Pixel(0, 0));
    EXPECT_EQ((Rgb{3, 7, 11}), v.Pixel(2, 0));
    EXPECT_EQ((Rgb{13, 17, 0}), v.Pixel(0, 1)) << "the cut line keeps what it got";
    EXPECT_EQ((Rgb{14, 0, 0}), v.Pixel(1, 1));
    for (int y = 2; y < 4; ++y)
        for (int x = 0; x < 3; ++x) EXPECT_EQ((Rgb{0, 0, 0}), v.Pixel(x, y));
}

TEST(LoadPCXIntoDIB, TruncatedTwoFiftySixColorsDoNotDecodeTheTrailerAsPixels) {
    PcxFixture f = TwoFiftySix();
    f.data.resize(6);  // only the first line
    Loaded l;
    LoadBytes(f.Bytes(), &l);
    ASSERT_NE(nullptr, l.dib) << "code " << l.code;
    DibView v(l.dib);
    EXPECT_EQ(1, v.Index(0, 0));
    for (int y = 1; y < 3; ++y)
        for (int x = 0; x < 5; ++x) EXPECT_EQ(0, v.Index(x, y)) << x << "," << y;
}

TEST(LoadPCXIntoDIB, MissingTrailerMarkerGivesAGreyRamp) {
    PcxFixture f = TwoFiftySix();
    f.trailer.clear();
    f.data.resize(f.data.size() + 800, 0);  // long enough to hold a trailer, but no 0x0C
    Loaded l;
    LoadBytes(f.Bytes(), &l);
    ASSERT_NE(nullptr, l.dib) << "code " << l.code;
    DibView v(l.dib);
    for (int i : {0, 5, 200, 255}) {
        EXPECT_EQ(i, v.table()[i].rgbRed);
        EXPECT_EQ(i, v.table()[i].rgbGreen);
        EXPECT_EQ(i, v.table()[i].rgbBlue);
    }
    EXPECT_EQ(3, v.Index(2, 0));
}

TEST(LoadPCXIntoDIB, UnreadableTrailerFailsWithCodeTenButReadPCXPaletteGivesDefaults) {
    PcxFixture f = TwoFiftySix();
    f.trailer.clear();  // the whole file is shorter than 769 bytes
    ScratchDir dir;
    const std::wstring path = dir.Path(L"short.pcx");
    kypcx_test::WriteFileBytes(path, f.Bytes());
    PcxErrorCode code = 0;
    EXPECT_EQ(nullptr, KYPCX_EXPORT(LoadPCXIntoDIBW)(path.c_str(), &code));
    EXPECT_EQ(PCX_ERR_PALETTE_READ, code);

    PcxHeader header;
    PcxErrorCode infoCode = PCX_OK;
    ASSERT_TRUE(KYPCX_EXPORT(PCXInfoW)(path.c_str(), &header, &infoCode));
    code = 0;
    HPALETTE palette = KYPCX_EXPORT(ReadPCXPalette)(dir.PathA("short.pcx").c_str(), &header, &code);
    ASSERT_NE(nullptr, palette);
    EXPECT_EQ(PCX_ERR_PALETTE_READ, code);
    PALETTEENTRY entries[256];
    ASSERT_EQ(256u, GetPaletteEntries(palette, 0, 256, entries));
    const int sampled = 2 * 64 + 3 * 8 + 5;
    EXPECT_EQ(5 * 32, entries[sampled].peRed);
    EXPECT_EQ(3 * 32, entries[sampled].peGreen);
    EXPECT_EQ(2 * 64, entries[sampled].peBlue);
    DeleteObject(palette);
}

TEST(ReadPCXPalette, GivesTheImagesColors) {
    struct Case {
        const char* name;
        PcxFixture fixture;
        UINT count;
        PALETTEENTRY entry1;
    };
    const Bytes trailer = kypcx_test::TrailerPalette();
    const Case cases[] = {
        {"two colours", MonoGreys(), 2, {239, 239, 239, 0}},
        {"sixteen", SixteenColors(), 16, {16, 239, 1, 0}},
        {"trailer", TwoFiftySix(), 256, {trailer[3], trailer[4], trailer[5], 0}},
        {"true colour default", TrueColor(), 256, {32, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        ScratchDir dir;
        kypcx_test::WriteFileBytes(dir.Path(L"p.pcx"), c.fixture.Bytes());
        const Bytes h = kypcx_test::MakeHeader(c.fixture.header);
        PcxHeader header;
        std::memcpy(&header, h.data(), sizeof header);
        PcxErrorCode code = 0;
        HPALETTE palette = KYPCX_EXPORT(ReadPCXPalette)(dir.PathA("p.pcx").c_str(), &header, &code);
        ASSERT_NE(nullptr, palette) << c.name;
        EXPECT_EQ(PCX_OK, code) << c.name;
        PALETTEENTRY entries[256];
        EXPECT_EQ(c.count, GetPaletteEntries(palette, 0, 256, entries)) << c.name;
        EXPECT_EQ(c.entry1.peRed, entries[1].peRed) << c.name;
        EXPECT_EQ(c.entry1.peGreen, entries[1].peGreen) << c.name;
        EXPECT_EQ(c.entry1.peBlue, entries[1].peBlue) << c.name;
        DeleteObject(palette);
    }
    PcxErrorCode code = 0;
    PcxHeader header = {};
    EXPECT_EQ(nullptr, KYPCX_EXPORT(ReadPCXPalette)("Z:\\no\\such\\file.pcx", &header, &code));
    EXPECT_EQ(PCX_ERR_OPEN_FILE, code);
}

struct RowCall {
    LONG rowNumber;
    LONG lines;
    BYTE first;
};
std::vector<RowCall> g_rowCalls;
LONG g_stopAfter = 0;

BOOL CALLBACK RecordRow(BYTE* row, LONG rowNumber, LONG lines, BITMAPINFOHEADER* header) {
    if (row != nullptr) KYPCX_NOTE_LINE_FUNCTION_FRAME();
    EXPECT_NE(nullptr, header);
    g_rowCalls.push_back({rowNumber, lines, row[0]});
    return g_stopAfter == 0 || lines < g_stopAfter;
}

TEST(LoadPCXIntoDIB, ColorSpaceFilesLoadOnlyAsNonRgb) {
    PcxFixture f = TrueColor();
    f.header.encoding = 12;
    ScratchDir dir;
    const std::wstring path = dir.Path(L"cs.pcx");
    kypcx_test::WriteFileBytes(path, f.Bytes());
    PcxErrorCode code = 0;
    EXPECT_EQ(nullptr, KYPCX_EXPORT(LoadPCXIntoDIBW)(path.c_str(), &code));
    EXPECT_EQ(PCX_ERR_ENCODING, code);
    code = 0;
    HGLOBAL dib = KYPCX_EXPORT(LoadNonRGBPCXIntoDIBW)(path.c_str(), &code);
    ASSERT_NE(nullptr, dib) << "code " << code;
    EXPECT_EQ(PCX_OK, code);
    {
        DibView v(dib);
        EXPECT_EQ(12u, v.header().biCompression);
        EXPECT_EQ((Rgb{0x30, 0x40, 0x50}), v.Pixel(3, 1));
    }
    GlobalFree(dib);
    code = 0;
    dib = KYPCX_EXPORT(LoadNonRGBPCXIntoDIBA)(dir.PathA("cs.pcx").c_str(), &code);
    ASSERT_NE(nullptr, dib);
    GlobalFree(dib);
}

TEST(LoadPCXIntoDIB, AnsiFormLoadsTheSameFile) {
    ScratchDir dir;
    kypcx_test::WriteFileBytes(dir.Path(L"a.pcx"), TrueColor().Bytes());
    PcxErrorCode code = 0;
    HGLOBAL dib = KYPCX_EXPORT(LoadPCXIntoDIBA)(dir.PathA("a.pcx").c_str(), &code);
    ASSERT_NE(nullptr, dib);
    EXPECT_EQ(PCX_OK, code);
    GlobalFree(dib);
    EXPECT_EQ(nullptr, KYPCX_EXPORT(LoadPCXIntoDIBA)("", &code));
    EXPECT_EQ(PCX_ERR_OPEN_FILE, code);
}

// Reads a fixed file layout twice: files whose data ends exactly where a
// block read ends, and lines longer than the read-ahead block.
TEST(LoadPCXIntoDIB, DataEndingOnABlockBoundaryDecodesWhole) {
    // 24 bits, 100 wide: the read block is 46,800 bytes, exactly 156 lines of
    // 300 literal bytes.
    PcxFixture f;
    f.header.planes = 3;
    f.header.xMax = 99;
    f.header.yMax = 155;
    f.header.bytesPerLine = 100;
    for (int y = 0; y < 156; ++y)
        for (int i = 0; i < 300; ++i) f.data.push_back(static_cast<uint8_t>((y + i) % 0xC0));
    Loaded l;
    LoadBytes(f.Bytes(), &l);
    ASSERT_NE(nullptr, l.dib) << "code " << l.code;
    DibView v(l.dib);
    EXPECT_EQ((Rgb{155 % 0xC0, (155 + 100) % 0xC0, (155 + 200) % 0xC0}), v.Pixel(0, 155));
    EXPECT_EQ((Rgb{(155 + 99) % 0xC0, (155 + 199) % 0xC0, (155 + 299) % 0xC0}), v.Pixel(99, 155));
}

TEST(LoadPCXIntoDIB, WideAndLongLinesDecode) {
    // 24 bits 2,700 wide needs more than 48,000 bytes of reserve.
    PcxFixture wide;
    wide.header.planes = 3;
    wide.header.xMax = 2699;
    wide.header.yMax = 1;
    wide.header.bytesPerLine = 2700;
    for (int line = 0; line < 2; ++line)
        for (int plane = 0; plane < 3; ++plane)
            for (int i = 0; i < 2700; i += 60) Append(wide.data, RunOf(60, static_cast<uint8_t>(10 * plane + line)));
    Loaded l;
    LoadBytes(wide.Bytes(), &l);
    ASSERT_NE(nullptr, l.dib) << "code " << l.code;
    {
        DibView v(l.dib);
        EXPECT_EQ((Rgb{0, 10, 20}), v.Pixel(2699, 0));
        EXPECT_EQ((Rgb{1, 11, 21}), v.Pixel(0, 1));
    }

    // 1 bit, 8 wide, with 32,000 bytes per line: each line spans refills.
    PcxFixture padded;
    padded.header.bitsPerPixel = 1;
    padded.header.xMax = 7;
    padded.header.yMax = 2;
    padded.header.bytesPerLine = 32000;
    for (int y = 0; y < 3; ++y) {
        padded.data.push_back(static_cast<uint8_t>(0x11 * (y + 1)));
        for (int i = 1; i < 32000; ++i) padded.data.push_back(static_cast<uint8_t>(i % 0xC0));
    }
    Loaded p;
    LoadBytes(padded.Bytes(), &p);
    ASSERT_NE(nullptr, p.dib) << "code " << p.code;
    DibView v(p.dib);
    for (int y = 0; y < 3; ++y) EXPECT_EQ(0x11 * (y + 1), v.rowFromTop(y)[0]) << "row " << y;
}

TEST(DecodeToDibCallback, SeesEveryRowFromTheTopAndCanStop) {
    // The row function is reached through the DCX page loader: the page is
    // the whole file's image.
    ScratchDir dir;
    const std::wstring path = dir.Path(L"rows.dcx");
    kypcx_test::WriteFileBytes(path, kypcx_test::AssembleDcx({TwoFiftySix().Bytes()}));
    auto load = KYPCX_EXPORT(LoadDCXItemToDIBW);

    g_rowCalls.clear();
    g_stopAfter = 0;
    PcxErrorCode code = 0;
    HGLOBAL dib = load(path.c_str(), 0, &code, RecordRow);
    ASSERT_NE(nullptr, dib);
    GlobalFree(dib);
    ASSERT_EQ(3u, g_rowCalls.size());
    for (LONG i = 0; i < 3; ++i) {
        EXPECT_EQ(2 - i, g_rowCalls[i].rowNumber);
        EXPECT_EQ(i + 1, g_rowCalls[i].lines);
    }
    EXPECT_EQ(1, g_rowCalls[0].first);
    EXPECT_EQ(7, g_rowCalls[2].first);

    g_rowCalls.clear();
    g_stopAfter = 1;
    code = 0;
    EXPECT_EQ(nullptr, load(path.c_str(), 0, &code, RecordRow));
    EXPECT_EQ(PCX_ERR_USER_ABORT, code);
    ASSERT_EQ(1u, g_rowCalls.size()) << "no call after FALSE";
    EXPECT_EQ(2, g_rowCalls[0].rowNumber);
    EXPECT_EQ(1, g_rowCalls[0].lines);
    g_stopAfter = 0;
}

// Malformed headers and data that other decoders have mishandled: each ends
// in a code or a defined image, never a read outside the data.
struct MalformedCase {
    const char* name;
    PcxFixture fixture;
    PcxErrorCode expected;
};

PcxFixture WithBytesPerLine(PcxFixture f, int16_t bytesPerLine) {
    f.header.bytesPerLine = bytesPerLine;
    return f;
}

TEST(LoadPCXIntoDIB, MalformedFilesAnswerWithACode) {
    PcxFixture huge = TwoFiftySix();
    huge.header.xMax = 32766;
    huge.header.yMax = 32766;
    huge.header.bytesPerLine = 32767;
    PcxFixture hugeTrue = TrueColor();
    hugeTrue.header.xMin = 0;
    hugeTrue.header.xMax = 32766;
    hugeTrue.header.yMax = 32766;
    hugeTrue.header.bytesPerLine = 32767;
    PcxFixture xBackwards = TrueColor();
    xBackwards.header.xMax = 5;
    PcxFixture yBackwards = TrueColor();
    yBackwards.header.yMin = 4;
    yBackwards.header.yMax = 3;
    PcxFixture zeroRuns = TrueColor();
    zeroRuns.data.insert(zeroRuns.data.begin(), {0xC0, 0x55, 0xC0, 0x66});
    PcxFixture overshoot = TrueColor();
    Append(overshoot.data, RunOf(63, 0x77));  // past the last line
    PcxFixture cutTrailer = TwoFiftySix();
    cutTrailer.trailer.resize(100);
    PcxFixture header2planes = TrueColor();
    header2planes.header.planes = 2;
    const MalformedCase cases[] = {
        {"1-bit bytes per line short", WithBytesPerLine(MonoGreys(), 1), PCX_ERR_HARDWARE_DEPENDENT},
        {"8-bit bytes per line short", WithBytesPerLine(TwoFiftySix(), 4), PCX_ERR_HARDWARE_DEPENDENT},
        {"24-bit bytes per line short", WithBytesPerLine(TrueColor(), 9), PCX_ERR_HARDWARE_DEPENDENT},
        {"16-colour bytes per line short", WithBytesPerLine(SixteenColors(), 1), PCX_ERR_HARDWARE_DEPENDENT},
        {"bytes per line 0", WithBytesPerLine(TrueColor(), 0), PCX_ERR_HARDWARE_DEPENDENT},
        {"bytes per line 0xFFFF", WithBytesPerLine(MonoGreys(), -1), PCX_ERR_HARDWARE_DEPENDENT},
        {"Xmax below Xmin", xBackwards, PCX_ERR_HARDWARE_DEPENDENT},
        {"Ymax below Ymin", yBackwards, PCX_ERR_HARDWARE_DEPENDENT},
        {"32767 square, 8-bit, tiny file", huge, PCX_ERR_CREATE_BITMAP},
        {"32767 square, 24-bit, tiny file", hugeTrue, PCX_ERR_CREATE_BITMAP},
        {"two planes", header2planes, PCX_ERR_HARDWARE_DEPENDENT},
        {"runs of count 0", zeroRuns, PCX_OK},
        {"run past the last line", overshoot, PCX_OK},
        {"palette trailer cut short", cutTrailer, PCX_ERR_PALETTE_READ},
    };
    for (const MalformedCase& c : cases) {
        Loaded l;
        LoadBytes(c.fixture.Bytes(), &l);
        EXPECT_EQ(c.expected, l.code) << c.name;
        EXPECT_EQ(c.expected == PCX_OK, l.dib != nullptr) << c.name;
    }
}

}  // namespace
