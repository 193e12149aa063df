// Saving DIBs: the header and scan lines for every depth, colour tables
// short and long, top-down rows, non-RGB colour spaces, the line function,
// cutting an old longer file, and DIBs that cannot be saved.
#include <windows.h>

#include <cstring>
#include <memory>

#include "encode/EncodeTestSupport.h"

namespace {

using namespace kypcx_test;

// The scan line the file must hold for image line y, worked out here from
// the model and its stored bytes.
std::vector<uint8_t> ExpectedLine(const DibModel& m, const std::vector<uint8_t>& dib, int y) {
    const size_t stride = m.Stride();
    const int stored = m.topDown ? y : m.height - 1 - y;
    const uint8_t* row = dib.data() + 40 + 4 * m.table.size() + stored * stride;
    if (m.bitCount > 8) {
        const size_t bpl = ((size_t(m.width) * 8 + 15) / 16) * 2;
        std::vector<uint8_t> line(3 * bpl, 0);
        for (int x = 0; x < m.width; ++x) {
            const Rgb c = m.Color(x, y);
            line[x] = c.r;
            line[bpl + x] = c.g;
            line[2 * bpl + x] = c.b;
        }
        return line;
    }
    if (m.bitCount == 4) {
        const size_t bpl = (size_t(m.width) + 7) / 8;
        std::vector<uint8_t> line(4 * bpl, 0);
        for (size_t x = 0; x < 8 * bpl; ++x) {  // whole groups, padding nibbles as stored
            const uint8_t index = (x % 2) ? row[x / 2] & 0x0F : row[x / 2] >> 4;
            for (size_t k = 0; k < 4; ++k)
                if ((index >> k) & 1) line[k * bpl + x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
        }
        return line;
    }
    const size_t bpl = (size_t(m.bitCount) * m.width + 7) / 8;
    return std::vector<uint8_t>(row, row + bpl);
}

std::vector<uint8_t> SaveDib(const std::vector<uint8_t>& dib, PcxErrorCode expected = PCX_OK) {
    ScratchDir dir;
    ScopedDib block(dib);
    const std::wstring path = dir.Path(L"dib.pcx");
    PcxErrorCode code = 0;
    const BOOL saved = KYPCX_EXPORT(SaveDIBInPCXFormatW)(path.c_str(), block.get(), &code);
    EXPECT_EQ(expected, code);
    EXPECT_EQ(expected == PCX_OK, saved != FALSE);
    EXPECT_EQ(dib, block.Bytes()) << "the caller's DIB is only read";
    return ReadFileBytes(path);
}

struct DepthCase {
    int bitCount;
    int width;
    uint8_t bitsPerPixel, planes;
    int16_t bytesPerLine, paletteInfo;
};

class DibDepth : public ::testing::TestWithParam<DepthCase> {};

TEST_P(DibDepth, HeaderLinesAndTrailer) {
    const DepthCase& c = GetParam();
    DibModel m = PatternDib(c.bitCount, c.width, 7);
    m.xPelsPerMeter = 3780;
    m.paddingByte = 0xA5;
    const std::vector<uint8_t> dib = DibBytes(m);
    const PcxFileView pcx = ReadPcxFile(SaveDib(dib));
    ASSERT_TRUE(pcx.ok) << pcx.problem;
    ExpectedPcxHeader e;
    e.bitsPerPixel = c.bitsPerPixel;
    e.planes = c.planes;
    e.bytesPerLine = c.bytesPerLine;
    e.paletteInfo = c.paletteInfo;
    e.width = c.width;
    e.height = 7;
    e.horizontalDpi = 96;  // from 3,780 pixels per metre; none given vertically: the screen's
    const size_t paletteEntries = c.bitCount == 1 ? 2 : c.bitCount == 4 ? 16 : 0;
    for (size_t i = 0; i < paletteEntries; ++i) e.palette.push_back(Rgb{m.table[i].rgbRed, m.table[i].rgbGreen, m.table[i].rgbBlue});
    ExpectPcxHeader(pcx.header, e);
    ASSERT_EQ(7u, pcx.lines.size());
    for (int y = 0; y < 7; ++y) EXPECT_EQ(ExpectedLine(m, dib, y), pcx.lines[y]) << "line " << y;

    if (c.bitCount == 8) {
        ASSERT_EQ(769u, pcx.rest.size());
        EXPECT_EQ(0x0C, pcx.rest[0]);
        for (size_t i = 0; i < 256; ++i) {
            EXPECT_EQ(m.table[i].rgbRed, pcx.rest[1 + 3 * i]) << i;
            EXPECT_EQ(m.table[i].rgbGreen, pcx.rest[2 + 3 * i]) << i;
            EXPECT_EQ(m.table[i].rgbBlue, pcx.rest[3 + 3 * i]) << i;
        }
    } else {
        EXPECT_TRUE(pcx.rest.empty()) << "no trailer";
    }
}

const DepthCase kDepths[] = {
    {1, 13, 1, 1, 2, 0},  {1, 20, 1, 1, 3, 0},  {4, 13, 1, 4, 2, 0},   {4, 20, 1, 4, 3, 0},
    {8, 5, 8, 1, 5, 0},   {8, 13, 8, 1, 13, 0}, {16, 13, 8, 3, 14, 1}, {24, 5, 8, 3, 6, 1},
    {24, 13, 8, 3, 14, 1}, {24, 64, 8, 3, 64, 1}, {32, 13, 8, 3, 14, 1},
};
INSTANTIATE_TEST_SUITE_P(Table, DibDepth, ::testing::ValuesIn(kDepths),
                         [](const ::testing::TestParamInfo<DepthCase>& info) {
                             return std::to_string(info.param.bitCount) + "bits_width" +
                                    std::to_string(info.param.width);
                         });

TEST(DibSave, WorkedExamples) {
    // 24 bits, 3 x 1: (blue, green, red) = (1,2,3), (4,5,6), (7,8,9).
    DibModel rgb;
    rgb.width = 3;
    rgb.bitCount = 24;
    rgb.colors = {Rgb{3, 2, 1}, Rgb{6, 5, 4}, Rgb{9, 8, 7}};
    std::vector<uint8_t> file = SaveDib(DibBytes(rgb));
    ASSERT_EQ(140u, file.size());
    EXPECT_EQ((std::vector<uint8_t>{3, 6, 9, 0, 2, 5, 8, 0, 1, 4, 7, 0}),
              std::vector<uint8_t>(file.begin() + 128, file.end()));

    // 4 bits, 8 x 1, indices 0 to 7: planes 0x55, 0x33, 0x0F, 0x00.
    DibModel nibbles = PatternDib(4, 8, 1);
    nibbles.indices = {0, 1, 2, 3, 4, 5, 6, 7};
    file = SaveDib(DibBytes(nibbles));
    EXPECT_EQ((std::vector<uint8_t>{0x55, 0x33, 0x0F, 0x00}), std::vector<uint8_t>(file.begin() + 128, file.end()));
}

TEST(DibSave, TopDownRowsGiveTheSameFile) {
    for (int bits : {1, 4, 8, 24}) {
        DibModel m = PatternDib(bits, 11, 6);
        const std::vector<uint8_t> bottomUp = SaveDib(DibBytes(m));
        m.topDown = true;
        EXPECT_EQ(bottomUp, SaveDib(DibBytes(m))) << bits << " bits";
    }
}

TEST(DibSave, ShortAndLongColorTables) {
    // biClrUsed 3: the trailer's other 253 entries are black.
    DibModel m = PatternDib(8, 5, 2);
    m.table.resize(3);
    m.colorsUsedField = 3;
    for (uint32_t& i : m.indices) i %= 3;
    PcxFileView pcx = ReadPcxFile(SaveDib(DibBytes(m)));
    ASSERT_TRUE(pcx.ok) << pcx.problem;
    ASSERT_EQ(769u, pcx.rest.size());
    EXPECT_EQ(m.table[2].rgbRed, pcx.rest[7]);
    EXPECT_EQ(m.table[2].rgbBlue, pcx.rest[9]);
    for (size_t i = 10; i < 769; ++i) ASSERT_EQ(0, pcx.rest[i]) << i;

    // A 16-colour DIB with 2 colours: the header's other 14 entries are black.
    DibModel n = PatternDib(4, 9, 2);
    n.table.resize(2);
    n.colorsUsedField = 2;
    for (uint32_t& i : n.indices) i %= 2;
    pcx = ReadPcxFile(SaveDib(DibBytes(n)));
    ASSERT_TRUE(pcx.ok) << pcx.problem;
    EXPECT_EQ(n.table[1].rgbGreen, pcx.header.palette[4]);
    for (size_t i = 6; i < 48; ++i) EXPECT_EQ(0, pcx.header.palette[i]) << i;

    // 300 entries: the first 256 make the trailer, the rows follow all 300.
    DibModel l = PatternDib(8, 5, 2);
    for (int i = 0; i < 44; ++i) l.table.push_back(RGBQUAD{1, 2, 3, 0});
    l.colorsUsedField = 300;
    const std::vector<uint8_t> dib = DibBytes(l);
    pcx = ReadPcxFile(SaveDib(dib));
    ASSERT_TRUE(pcx.ok) << pcx.problem;
    EXPECT_EQ(ExpectedLine(l, dib, 0), pcx.lines[0]);
    ASSERT_EQ(769u, pcx.rest.size());
    EXPECT_EQ(l.table[255].rgbRed, pcx.rest[766]);
}

TEST(DibSave, NonRgbColorSpaceInTheEncodingByte) {
    ScratchDir dir;
    auto saveNonRgb = KYPCX_EXPORT(SaveNonRGBDIBInPCXFormatW);
    for (uint32_t space : {10u, 12u, 14u, 17u}) {
        DibModel m = PatternDib(24, 7, 3);
        const std::vector<uint8_t> rgbFile = SaveDib(DibBytes(m));
        m.compression = space;
        ScopedDib dib(DibBytes(m));
        const std::wstring path = dir.Path(L"space.pcx");
        PcxErrorCode code = 0;
        EXPECT_TRUE(saveNonRgb(path.c_str(), dib.get(), &code)) << space;
        EXPECT_EQ(PCX_OK, code);
        std::vector<uint8_t> file = ReadFileBytes(path);
        ASSERT_EQ(rgbFile.size(), file.size());
        EXPECT_EQ(space, file[2]);
        file[2] = 1;
        EXPECT_EQ(rgbFile, file) << "only the encoding byte differs";
        EXPECT_EQ(LONG(space), KYPCX_EXPORT(GetPCXColorSpaceW)(path.c_str()));
    }
    // Not a colour space: 19, and no file is made.
    for (uint32_t space : {0u, 3u, 9u, 18u}) {
        DibModel m = PatternDib(8, 3, 2);
        m.compression = space;
        ScopedDib dib(DibBytes(m));
        const std::wstring path = dir.Path(L"refused.pcx");
        PcxErrorCode code = 0;
        EXPECT_FALSE(saveNonRgb(path.c_str(), dib.get(), &code)) << space;
        EXPECT_EQ(PCX_ERR_COLOR_SPACE, code) << space;
        EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(path.c_str())) << space;
    }
    PcxErrorCode code = 0;
    EXPECT_FALSE(saveNonRgb(dir.Path(L"null.pcx").c_str(), nullptr, &code));
    EXPECT_EQ(PCX_ERR_COLOR_SPACE, code);
    ScopedDib tiny(std::vector<uint8_t>(8, 0));
    code = 0;
    EXPECT_FALSE(saveNonRgb(dir.Path(L"tiny.pcx").c_str(), tiny.get(), &code)) << "too small for a header";
    EXPECT_EQ(PCX_ERR_COLOR_SPACE, code);
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(dir.Path(L"tiny.pcx").c_str()));
}

TEST(DibSave, AnsiFormsWriteTheSameFiles) {
    ScratchDir dir;
    DibModel m = PatternDib(4, 9, 3);
    ScopedDib dib(DibBytes(m));
    PcxErrorCode code = 0;
    ASSERT_TRUE(KYPCX_EXPORT(SaveDIBInPCXFormatW)(dir.Path(L"w.pcx").c_str(), dib.get(), &code));
    ASSERT_TRUE(KYPCX_EXPORT(SaveDIBInPCXFormatA)(dir.PathA("a.pcx").c_str(), dib.get(), &code));
    EXPECT_EQ(PCX_OK, code);
    EXPECT_EQ(ReadFileBytes(dir.Path(L"w.pcx")), ReadFileBytes(dir.Path(L"a.pcx")));
    m.compression = 15;
    ScopedDib nonRgb(DibBytes(m));
    ASSERT_TRUE(KYPCX_EXPORT(SaveNonRGBDIBInPCXFormatW)(dir.Path(L"nw.pcx").c_str(), nonRgb.get(), &code));
    ASSERT_TRUE(KYPCX_EXPORT(SaveNonRGBDIBInPCXFormatA)(dir.PathA("na.pcx").c_str(), nonRgb.get(), &code));
    EXPECT_EQ(ReadFileBytes(dir.Path(L"nw.pcx")), ReadFileBytes(dir.Path(L"na.pcx")));
    EXPECT_FALSE(KYPCX_EXPORT(SaveDIBInPCXFormatA)(dir.PathA("no\\such\\dir.pcx").c_str(), dib.get(), &code));
    EXPECT_EQ(PCX_ERR_OPEN_FILE, code);
}

TEST(DibSave, OverALongerFileLeavesOnlyTheNewImage) {
    ScratchDir dir;
    ScopedDib dib(DibBytes(PatternDib(8, 9, 4)));
    PcxErrorCode code = 0;
    const std::wstring fresh = dir.Path(L"fresh.pcx");
    const std::wstring old = dir.Path(L"old.pcx");
    ASSERT_TRUE(KYPCX_EXPORT(SaveDIBInPCXFormatW)(fresh.c_str(), dib.get(), &code));
    WriteFileBytes(old, std::vector<uint8_t>(20000, 0xEE));
    ASSERT_TRUE(KYPCX_EXPORT(SaveDIBInPCXFormatW)(old.c_str(), dib.get(), &code));
    EXPECT_EQ(ReadFileBytes(fresh), ReadFileBytes(old)) << "the old file's tail would be read as the palette";
}

struct BadDibCase {
    const char* name;
    std::vector<uint8_t> bytes;  // empty: a null handle
    PcxErrorCode expected;
};

std::vector<uint8_t> WithHeader(std::vector<uint8_t> dib, size_t at, uint32_t value, size_t width = 4) {
    std::memcpy(dib.data() + at, &value, width);
    return dib;
}

TEST(DibSave, RefusedDibsLeaveFilesAsTheyWere) {
    const std::vector<uint8_t> good = DibBytes(PatternDib(8, 10, 10));
    // Short by more than any rounding of a block's size.
    const std::vector<uint8_t> cut(good.begin(), good.end() - 32);
    const BadDibCase cases[] = {
        {"null handle", {}, PCX_ERR_CREATE_BITMAP},
        {"header only", std::vector<uint8_t>(good.begin(), good.begin() + 40), PCX_ERR_CREATE_BITMAP},
        {"rows cut short", cut, PCX_ERR_CREATE_BITMAP},
        {"biSize past the block", WithHeader(good, 0, 5000), PCX_ERR_CREATE_BITMAP},
        {"core header", WithHeader(good, 0, 12), PCX_ERR_CREATE_BITMAP},
        {"width 0", WithHeader(good, 4, 0), PCX_ERR_CREATE_BITMAP},
        {"negative width", WithHeader(good, 4, uint32_t(-10)), PCX_ERR_CREATE_BITMAP},
        {"height 0", WithHeader(good, 8, 0), PCX_ERR_CREATE_BITMAP},
        {"taller than the block", WithHeader(good, 8, 1000), PCX_ERR_CREATE_BITMAP},
        {"two planes", WithHeader(good, 12, 2, 2), PCX_ERR_CREATE_BITMAP},
        {"huge colour count", WithHeader(good, 32, 0x40000000), PCX_ERR_CREATE_BITMAP},
        {"2 bits per pixel", WithHeader(good, 14, 2, 2), PCX_ERR_HARDWARE_DEPENDENT},
        {"run-length compressed", WithHeader(good, 16, BI_RLE8), PCX_ERR_HARDWARE_DEPENDENT},
    };
    ScratchDir dir;
    auto save = KYPCX_EXPORT(SaveDIBInPCXFormatW);
    const std::vector<uint8_t> existing(3000, 0x5A);
    for (const BadDibCase& c : cases) {
        std::unique_ptr<ScopedDib> block;
        if (!c.bytes.empty()) block.reset(new ScopedDib(c.bytes));
        HGLOBAL handle = block ? block->get() : nullptr;
        const std::wstring missing = dir.Path(L"missing.pcx");
        PcxErrorCode code = 0;
        EXPECT_FALSE(save(missing.c_str(), handle, &code)) << c.name;
        EXPECT_EQ(c.expected, code) << c.name;
        EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(missing.c_str())) << c.name << ": no file left behind";
        const std::wstring kept = dir.Path(L"kept.pcx");
        WriteFileBytes(kept, existing);
        EXPECT_FALSE(save(kept.c_str(), handle, &code)) << c.name;
        EXPECT_EQ(existing, ReadFileBytes(kept)) << c.name << ": existing file changed";
    }
    // A handle that is not a global block at all.
    HBITMAP bitmap = CreateBitmap(4, 4, 1, 1, nullptr);
    PcxErrorCode code = 0;
    EXPECT_FALSE(save(dir.Path(L"foreign.pcx").c_str(), reinterpret_cast<HGLOBAL>(bitmap), &code));
    EXPECT_EQ(PCX_ERR_CREATE_BITMAP, code);
    DeleteObject(bitmap);
    // No error variable: still refused, and no crash.
    EXPECT_FALSE(save(dir.Path(L"nocode.pcx").c_str(), nullptr, nullptr));
}

// What the line function of the DIB encoder was given.
struct DibLineCall {
    LONG rowNumber;
    LONG lines;
    BITMAPINFOHEADER header;
    std::vector<uint8_t> line;
};
std::vector<DibLineCall> g_dibCalls;
size_t g_dibLineLength = 0;
LONG g_stopAtRow = -1;

BOOL CALLBACK RecordDibLine(BYTE* line, LONG rowNumber, LONG lines, BITMAPINFOHEADER* header) {
    if (line != nullptr) KYPCX_NOTE_LINE_FUNCTION_FRAME();
    g_dibCalls.push_back(DibLineCall{rowNumber, lines, *header, std::vector<uint8_t>(line, line + g_dibLineLength)});
    return rowNumber != g_stopAtRow;
}

// Watches for a message box from the encoder (there must be none: a file it
// cannot position is reported by the code alone) and closes one if it shows,
// so that a regression fails the test instead of hanging it.
struct BoxWatch {
    volatile LONG stop = 0;
    bool seen = false;
};
DWORD WINAPI CloseAnyBox(void* param) {
    auto* watch = static_cast<BoxWatch*>(param);
    while (InterlockedCompareExchange(&watch->stop, 0, 0) == 0) {
        HWND box = FindWindowW(L"#32770", nullptr);
        if (box != nullptr) {
            watch->seen = true;
            PostMessageW(box, WM_COMMAND, IDOK, 0);
        }
        Sleep(20);
    }
    return 0;
}

class DibEncoderProbe : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(probe.loaded()) << "KyPCXProbe.dll not found";
        g_dibCalls.clear();
        g_stopAtRow = -1;
    }
    void TearDown() override { probe.StopWatchingWrites(); }
    EncodeProbe probe;
    ScratchDir dir;
};

// The line function, reached through the DCX add that takes one: each line
// as encoded, in planes, numbered from the bottom.
TEST(DibSave, LineFunctionSeesEachLineFromTheTop) {
    g_dibCalls.clear();
    g_stopAtRow = -1;
    const DibModel m = PatternDib(24, 5, 4);
    const std::vector<uint8_t> bytes = DibBytes(m);
    ScopedDib dib(bytes);
    g_dibLineLength = 3 * 6;
    ScratchDir dir;
    const std::wstring dcx = dir.Path(L"lines.dcx");
    WriteFileBytes(dcx, AssembleDcx({}));
    PcxErrorCode code = 0;
    ASSERT_TRUE(KYPCX_EXPORT(AddDIBToDCXFileW)(dib.get(), dcx.c_str(), &code, RecordDibLine));
    EXPECT_EQ(PCX_OK, code);
    ASSERT_EQ(4u, g_dibCalls.size());
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(3 - i, g_dibCalls[i].rowNumber) << "numbered from the bottom";
        EXPECT_EQ(1, g_dibCalls[i].lines);
        EXPECT_EQ(5, g_dibCalls[i].header.biWidth);
        EXPECT_EQ(ExpectedLine(m, bytes, i), g_dibCalls[i].line) << "the line as encoded, in planes";
    }
}

// What the encoder leaves in a file when the line function stops it (a DCX
// add cuts its file back, so only the encoder on a handle shows it).
TEST_F(DibEncoderProbe, LineFunctionSayingFalseStopsAfterThatLine) {
    ScopedDib dib(DibBytes(PatternDib(8, 6, 5)));
    g_dibLineLength = 6;
    g_stopAtRow = 4;  // the first line written
    const std::wstring path = dir.Path(L"stopped.pcx");
    TestFile file(path);
    PcxErrorCode code = 0;
    EXPECT_FALSE(probe.EncodeDibToPcx(dib.get(), file.get(), FALSE, &code, RecordDibLine));
    EXPECT_EQ(PCX_ERR_USER_ABORT, code);
    EXPECT_EQ(1u, g_dibCalls.size()) << "no call after FALSE";
    file.Close();
    std::vector<uint8_t> stopped = ReadFileBytes(path);
    const std::vector<uint8_t> whole = SaveDib(dib.Bytes());
    ASSERT_LT(stopped.size(), whole.size());
    EXPECT_EQ(std::vector<uint8_t>(whole.begin(), whole.begin() + stopped.size()), stopped);
    stopped[10] = 0;  // Ymax 0: the file should then be exactly one line
    const PcxFileView pcx = ReadPcxFile(stopped);
    ASSERT_TRUE(pcx.ok) << pcx.problem;
    EXPECT_TRUE(pcx.rest.empty()) << "header and one line, no trailer";
}

TEST_F(DibEncoderProbe, AFailedWriteStopsWithCode4) {
    const std::vector<uint8_t> bytes = DibBytes(PatternDib(24, 300, 120));
    const std::vector<uint8_t> whole = SaveDib(bytes);
    ASSERT_GT(whole.size(), 3u * 32768u) << "the image must span several blocks";
    auto save = probe.Get<decltype(&SaveDIBInPCXFormatW)>("SaveDIBInPCXFormatW");
    for (BOOL shortWrite : {FALSE, TRUE}) {
        ScopedDib dib(bytes);
        const std::wstring path = dir.Path(L"failed.pcx");
        WriteFileBytes(path, std::vector<uint8_t>(whole.size() + 5000, 0xEE));
        ASSERT_TRUE(probe.WatchWrites(2, shortWrite));
        PcxErrorCode code = 0;
        EXPECT_FALSE(save(path.c_str(), dib.get(), &code));
        probe.StopWatchingWrites();
        EXPECT_EQ(PCX_ERR_ENCODING, code) << (shortWrite ? "short write" : "failed write");
        // The lines written so far stay; the old file's tail does not.
        const std::vector<uint8_t> file = ReadFileBytes(path);
        ASSERT_LT(file.size(), whole.size());
        EXPECT_EQ(std::vector<uint8_t>(whole.begin(), whole.begin() + 32768),
                  std::vector<uint8_t>(file.begin(), file.begin() + 32768));
    }
}

TEST_F(DibEncoderProbe, UnmovableFilePointerIsReportedByTheCodeAlone) {
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    ASSERT_TRUE(CreatePipe(&readEnd, &writeEnd, nullptr, 0));
    BoxWatch watch;
    HANDLE closer = CreateThread(nullptr, 0, CloseAnyBox, &watch, 0, nullptr);
    ScopedDib dib(DibBytes(PatternDib(8, 4, 2)));
    PcxErrorCode code = 0;
    EXPECT_FALSE(probe.EncodeDibToPcx(dib.get(), writeEnd, FALSE, &code, nullptr));
    EXPECT_EQ(PCX_ERR_FILE_IO, code);
    InterlockedExchange(&watch.stop, 1);
    WaitForSingleObject(closer, 15000);
    CloseHandle(closer);
    EXPECT_FALSE(watch.seen) << "no message box: a caller with no one at the screen would wait for ever";
    CloseHandle(readEnd);
    CloseHandle(writeEnd);
}

// Where the colour table ends and the pixels begin: a table of biClrUsed
// entries stands even before colour pixels.
TEST(DibSave, ColorTableSizeLocatesThePixels) {
    DibModel plain = PatternDib(32, 6, 3);
    DibModel tabled = plain;
    tabled.table = {RGBQUAD{1, 2, 3, 0}, RGBQUAD{4, 5, 6, 0}, RGBQUAD{7, 8, 9, 0}};
    tabled.colorsUsedField = 3;
    const std::vector<uint8_t> withoutTable = SaveDib(DibBytes(plain));
    const std::vector<uint8_t> withTable = SaveDib(DibBytes(tabled));
    ASSERT_EQ(withoutTable.size(), withTable.size());
    EXPECT_EQ(std::vector<uint8_t>(withoutTable.begin() + 128, withoutTable.end()),
              std::vector<uint8_t>(withTable.begin() + 128, withTable.end()))
        << "32 bits with a 3-entry table: the same lines";
}

}  // namespace
