// Saving device-dependent bitmaps: headers in the device's own layout for
// each depth and for the screen's, lines as GDI gives them, the 8-bit
// trailer, the line function, the clipboard, and handles that are no bitmap.
#include <windows.h>

#include <cstring>

#include "encode/EncodeTestSupport.h"

namespace {

using namespace kypcx_test;

std::vector<uint8_t> SaveBitmap(HBITMAP bitmap, PcxErrorCode expected = PCX_OK) {
    ScratchDir dir;
    const std::wstring path = dir.Path(L"bitmap.pcx");
    PcxErrorCode code = 0;
    const BOOL saved = KYPCX_EXPORT(SaveBitmapInPCXFormatW)(path.c_str(), bitmap, &code);
    EXPECT_EQ(expected, code);
    EXPECT_EQ(expected == PCX_OK, saved != FALSE);
    return ReadFileBytes(path);
}

// The colour table GDI reports for a bitmap of fewer than 8 bits.
std::vector<RGBQUAD> GdiColorTable(HBITMAP bitmap, int bitCount) {
    struct {
        BITMAPINFOHEADER header;
        RGBQUAD colors[256];
    } info = {};
    info.header.biSize = sizeof info.header;
    BITMAP record = {};
    GetObjectW(bitmap, sizeof record, &record);
    info.header.biWidth = record.bmWidth;
    info.header.biHeight = record.bmHeight;
    info.header.biPlanes = 1;
    info.header.biBitCount = static_cast<WORD>(bitCount);
    std::vector<uint8_t> scan(4 * record.bmWidth + 4);
    HDC screen = GetDC(nullptr);
    GetDIBits(screen, bitmap, 0, 1, scan.data(), reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    return std::vector<RGBQUAD>(info.colors, info.colors + (1 << bitCount));
}

class DeviceDepth : public ::testing::TestWithParam<int> {};  // 0: the screen's own depth

TEST_P(DeviceDepth, HeaderAndLinesInTheDevicesLayout) {
    const int width = 13, height = 5;
    HBITMAP bitmap = GetParam() == 0 ? MakeScreenBitmap(width, height)
                                     : MakeDeviceBitmap(width, height, GetParam(), PatternBits(width, height, GetParam()));
    ASSERT_NE(nullptr, bitmap);
    BITMAP record = {};
    GetObjectW(bitmap, sizeof record, &record);
    const int bits = record.bmBitsPixel;
    const std::vector<uint8_t> before = BitmapBits(bitmap);
    const PcxFileView pcx = ReadPcxFile(SaveBitmap(bitmap));
    ASSERT_TRUE(pcx.ok) << pcx.problem;
    ExpectedPcxHeader e;
    e.bitsPerPixel = bits;
    e.bytesPerLine = DeviceLineBytes(width, bits);
    e.width = width;
    e.height = height;
    const size_t colors = bits < 8 ? size_t(1) << bits : 0;
    const std::vector<RGBQUAD> table = colors ? GdiColorTable(bitmap, bits) : std::vector<RGBQUAD>{};
    for (const RGBQUAD& q : table) e.palette.push_back(Rgb{q.rgbRed, q.rgbGreen, q.rgbBlue});
    ExpectPcxHeader(pcx.header, e);
    const PcxHeader& h = pcx.header;
    if (bits == 1) {
        EXPECT_EQ(0, h.palette[0] | h.palette[1] | h.palette[2]) << "monochrome: black";
        EXPECT_EQ(0xFF, h.palette[3] & h.palette[4] & h.palette[5]) << "and white";
    }
    const size_t lineBytes = DeviceLineBytes(width, bits);
    ASSERT_EQ(size_t(height), pcx.lines.size());
    for (int y = 0; y < height; ++y)
        EXPECT_EQ(std::vector<uint8_t>(before.begin() + y * lineBytes, before.begin() + (y + 1) * lineBytes),
                  pcx.lines[y])
            << "line " << y;
    if (bits == 8) {
        ASSERT_EQ(769u, pcx.rest.size()) << "the display's 256 colours follow";
        EXPECT_EQ(0x0C, pcx.rest[0]);
    } else {
        EXPECT_TRUE(pcx.rest.empty());
    }
    EXPECT_EQ(before, BitmapBits(bitmap)) << "the bitmap is only read";
    DeleteObject(bitmap);
}

INSTANTIATE_TEST_SUITE_P(Table, DeviceDepth, ::testing::Values(1, 4, 8),
                         [](const ::testing::TestParamInfo<int>& info) { return std::to_string(info.param) + "bits"; });

// The pixels of a DIB against the colours expected, top row first.
void ExpectDibShows(HGLOBAL dib, int width, int height, const std::vector<Rgb>& colors, const std::string& what) {
    ASSERT_NE(nullptr, dib) << what;
    DibView v(dib);
    ASSERT_EQ(width, v.header().biWidth) << what;
    ASSERT_EQ(height, v.header().biHeight) << what;
    EXPECT_EQ(24, v.header().biBitCount) << what;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            ASSERT_EQ(colors[size_t(y) * width + x], v.Pixel(x, y)) << what << ": pixel " << x << "," << y;
}

// Bitmaps of more than 8 bits a pixel (every display's own today) are
// written as red, green and blue planes of their device-independent
// colours: their device layout is one no reader opens.
class TrueColorDepth : public ::testing::TestWithParam<int> {};  // 0: the screen's own depth

TEST_P(TrueColorDepth, WrittenAsRedGreenBluePlanes) {
    const int width = 13, height = 5;
    HBITMAP bitmap = GetParam() == 0 ? MakeScreenBitmap(width, height)
                                     : MakeDeviceBitmap(width, height, GetParam(), PatternBits(width, height, GetParam()));
    ASSERT_NE(nullptr, bitmap);
    const std::vector<uint8_t> before = BitmapBits(bitmap);
    const std::vector<Rgb> colors = BitmapColors(bitmap);
    ScratchDir dir;
    const std::wstring path = dir.Path(L"deep.pcx");
    PcxErrorCode code = 0;
    ASSERT_TRUE(KYPCX_EXPORT(SaveBitmapInPCXFormatW)(path.c_str(), bitmap, &code)) << "code " << code;
    EXPECT_EQ(PCX_OK, code);
    const PcxFileView pcx = ReadPcxFile(ReadFileBytes(path));
    ASSERT_TRUE(pcx.ok) << pcx.problem;
    ExpectedPcxHeader e;
    e.bitsPerPixel = 8;
    e.planes = 3;
    e.bytesPerLine = 14;  // the width rounded up to even
    e.paletteInfo = 1;
    e.width = width;
    e.height = height;
    ExpectPcxHeader(pcx.header, e);
    ASSERT_EQ(size_t(height), pcx.lines.size());
    for (int y = 0; y < height; ++y) {
        std::vector<uint8_t> expected(3 * 14, 0);
        for (int x = 0; x < width; ++x) {
            const Rgb& c = colors[size_t(y) * width + x];
            expected[x] = c.r;
            expected[14 + x] = c.g;
            expected[28 + x] = c.b;
        }
        EXPECT_EQ(expected, pcx.lines[y]) << "line " << y;
    }
    EXPECT_TRUE(pcx.rest.empty()) << "no 256-colour trailer";

    code = 0;
    HGLOBAL dib = KYPCX_EXPORT(LoadPCXIntoDIBW)(path.c_str(), &code);
    ExpectDibShows(dib, width, height, colors, "read back");
    if (dib != nullptr) GlobalFree(dib);
    EXPECT_EQ(before, BitmapBits(bitmap)) << "the bitmap is only read";
    DeleteObject(bitmap);
}

INSTANTIATE_TEST_SUITE_P(Table, TrueColorDepth, ::testing::Values(16, 24, 32, 0),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return info.param == 0 ? std::string("screen") : std::to_string(info.param) + "bits";
                         });

TEST(BitmapSave, Monochrome20By10) {
    HBITMAP bitmap = MakeDeviceBitmap(20, 10, 1, PatternBits(20, 10, 1));
    const std::vector<uint8_t> file = SaveBitmap(bitmap);
    const PcxFileView pcx = ReadPcxFile(file);
    ASSERT_TRUE(pcx.ok) << pcx.problem;
    EXPECT_EQ(1, pcx.header.bitsPerPixel);
    EXPECT_EQ(4, pcx.header.bytesPerLine);
    ASSERT_EQ(10u, pcx.lines.size());
    for (const auto& line : pcx.lines) EXPECT_EQ(4u, line.size());
    EXPECT_TRUE(pcx.rest.empty());

    // The A form and a save over a longer file give the same bytes.
    ScratchDir dir;
    WriteFileBytes(dir.Path(L"old.pcx"), std::vector<uint8_t>(50000, 0x0C));
    PcxErrorCode code = 0;
    ASSERT_TRUE(KYPCX_EXPORT(SaveBitmapInPCXFormatA)(dir.PathA("old.pcx").c_str(), bitmap, &code));
    EXPECT_EQ(file, ReadFileBytes(dir.Path(L"old.pcx")));
    DeleteObject(bitmap);
}

TEST(BitmapSave, HandlesThatAreNoBitmapAreRefused) {
    ScratchDir dir;
    auto save = KYPCX_EXPORT(SaveBitmapInPCXFormatW);
    HGDIOBJ brush = CreateSolidBrush(RGB(1, 2, 3));
    const std::vector<uint8_t> existing(700, 0x42);
    for (HGDIOBJ handle : {HGDIOBJ(nullptr), brush}) {
        PcxErrorCode code = 0;
        const std::wstring missing = dir.Path(L"missing.pcx");
        EXPECT_FALSE(save(missing.c_str(), static_cast<HBITMAP>(handle), &code));
        EXPECT_EQ(PCX_ERR_CREATE_BITMAP, code);
        EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(missing.c_str())) << "no file left behind";
        WriteFileBytes(dir.Path(L"kept.pcx"), existing);
        EXPECT_FALSE(save(dir.Path(L"kept.pcx").c_str(), static_cast<HBITMAP>(handle), &code));
        EXPECT_EQ(existing, ReadFileBytes(dir.Path(L"kept.pcx")));
    }
    DeleteObject(brush);
    EXPECT_FALSE(save(dir.Path(L"nocode.pcx").c_str(), nullptr, nullptr));
}

TEST(BitmapSave, BitmapHeldByAnotherContextIsReadAsItIs) {
    // No memory context takes a bitmap selected elsewhere; its own bits are
    // saved, not those of an empty context.
    for (int bits : {1, 32}) {
        HBITMAP bitmap = MakeDeviceBitmap(16, 4, bits, PatternBits(16, 4, bits));
        const std::vector<uint8_t> expected = SaveBitmap(bitmap);
        HDC holder = CreateCompatibleDC(nullptr);
        HGDIOBJ previous = SelectObject(holder, bitmap);
        EXPECT_EQ(expected, SaveBitmap(bitmap)) << bits << " bits";
        if (previous != nullptr) SelectObject(holder, previous);
        DeleteDC(holder);
        DeleteObject(bitmap);
    }
}

// A hidden window to own the clipboard while the test fills it.
class ClipboardOwner {
public:
    ClipboardOwner() : window_(CreateWindowW(L"STATIC", L"", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr)) {}
    ~ClipboardOwner() { DestroyWindow(window_); }
    bool Put(HBITMAP bitmap) {
        if (!OpenClipboard(window_)) return false;
        EmptyClipboard();
        const bool put = bitmap == nullptr || SetClipboardData(CF_BITMAP, bitmap) != nullptr;
        CloseClipboard();
        return put;
    }

private:
    HWND window_;
};

TEST(BitmapSave, FromTheClipboard) {
    ScratchDir dir;
    ClipboardOwner owner;
    const std::vector<uint8_t> bits = PatternBits(9, 7, 8);
    HBITMAP mine = MakeDeviceBitmap(9, 7, 8, bits);
    const std::vector<uint8_t> expected = SaveBitmap(mine);
    DeleteObject(mine);
    ASSERT_TRUE(owner.Put(MakeDeviceBitmap(9, 7, 8, bits)));  // now the clipboard's
    PcxErrorCode code = 0;
    EXPECT_TRUE(KYPCX_EXPORT(SavePCXFileFromClipboardW)(dir.Path(L"clip.pcx").c_str(), &code));
    EXPECT_EQ(PCX_OK, code);
    EXPECT_EQ(expected, ReadFileBytes(dir.Path(L"clip.pcx")));
    EXPECT_TRUE(KYPCX_EXPORT(SavePCXFileFromClipboardA)(dir.PathA("clipa.pcx").c_str(), &code));
    EXPECT_EQ(expected, ReadFileBytes(dir.Path(L"clipa.pcx")));
    EXPECT_TRUE(IsClipboardFormatAvailable(CF_BITMAP)) << "the bitmap stays on the clipboard";

    ASSERT_TRUE(owner.Put(nullptr));
    code = 0;
    EXPECT_FALSE(KYPCX_EXPORT(SavePCXFileFromClipboardW)(dir.Path(L"empty.pcx").c_str(), &code));
    EXPECT_EQ(PCX_ERR_CLIPBOARD_DATA, code);
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(dir.Path(L"empty.pcx").c_str())) << "no file written";
}

// A bitmap made compatible with the screen through every writer of device
// bitmaps: each file and each DCX page opens with the bitmap's picture.
TEST(BitmapSave, ScreenBitmapOpensFromEveryWriter) {
    const int width = 64, height = 32;
    HBITMAP bitmap = MakeScreenBitmap(width, height);
    const std::vector<Rgb> colors = BitmapColors(bitmap);
    ScratchDir dir;
    ClipboardOwner owner;
    const std::wstring pcx = dir.Path(L"screen.pcx"), clip = dir.Path(L"clip.pcx"), dcx = dir.Path(L"screen.dcx");
    PcxErrorCode code = 0;
    ASSERT_TRUE(KYPCX_EXPORT(SaveBitmapInPCXFormatW)(pcx.c_str(), bitmap, &code)) << "code " << code;
    ASSERT_TRUE(KYPCX_EXPORT(SaveBitmapInDCXFormatW)(dcx.c_str(), bitmap, &code)) << "code " << code;
    ASSERT_TRUE(KYPCX_EXPORT(AddBitmapToDCXFileW)(bitmap, dcx.c_str(), &code, nullptr)) << "code " << code;
    ASSERT_TRUE(owner.Put(MakeScreenBitmap(width, height)));  // the same picture, now the clipboard's
    ASSERT_TRUE(KYPCX_EXPORT(SavePCXFileFromClipboardW)(clip.c_str(), &code)) << "code " << code;
    ASSERT_TRUE(KYPCX_EXPORT(AddClipboardToDCXFileW)(dcx.c_str(), &code)) << "code " << code;
    owner.Put(nullptr);

    for (const std::wstring& path : {pcx, clip}) {
        code = 0;
        HGLOBAL dib = KYPCX_EXPORT(LoadPCXIntoDIBW)(path.c_str(), &code);
        ExpectDibShows(dib, width, height, colors, Narrow(path));
        if (dib != nullptr) GlobalFree(dib);
    }
    code = 0;
    EXPECT_EQ(3u, KYPCX_EXPORT(GetDCXInfoW)(dcx.c_str(), &code));
    for (UINT page = 0; page < 3; ++page) {
        code = 0;
        HGLOBAL dib = KYPCX_EXPORT(LoadDCXIntoDIBW)(dcx.c_str(), page, &code);
        ExpectDibShows(dib, width, height, colors, "DCX page " + std::to_string(page));
        if (dib != nullptr) GlobalFree(dib);
    }
    DeleteObject(bitmap);
}

// What the line function of the bitmap encoder was given.
struct BitmapLineCall {
    bool hadLine;
    INT_PTR startRow;
    INT_PTR rowCount;
    bool hadBitmapAndContext;
    LONG recordWidth;
};
std::vector<BitmapLineCall> g_calls;
bool g_stopAtFirst = false;

BOOL CALLBACK RecordBitmapLine(BYTE* line, INT_PTR startRow, INT_PTR rowCount, HBITMAP bitmap, HDC dc,
                               void* description) {
    g_calls.push_back(BitmapLineCall{line != nullptr, startRow, rowCount, bitmap != nullptr && dc != nullptr,
                                     static_cast<BITMAP*>(description)->bmWidth});
    return !g_stopAtFirst;
}

class BitmapEncoderProbe : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(probe.loaded()) << "KyPCXProbe.dll not found";
        g_calls.clear();
        g_stopAtFirst = false;
    }
    void TearDown() override { probe.StopWatchingWrites(); }
    EncodeProbe probe;
    ScratchDir dir;
};

// The line function, reached through the DCX add that takes one: a call
// per line from the bottom, each with the bitmap, a context and its record.
TEST(BitmapSave, LineFunctionSeesEveryLineFromTheBottom) {
    g_calls.clear();
    g_stopAtFirst = false;
    HBITMAP bitmap = MakeDeviceBitmap(21, 6, 4, PatternBits(21, 6, 4));
    ScratchDir dir;
    const std::wstring dcx = dir.Path(L"lines.dcx");
    WriteFileBytes(dcx, AssembleDcx({}));
    PcxErrorCode code = 0;
    ASSERT_TRUE(KYPCX_EXPORT(AddBitmapToDCXFileW)(bitmap, dcx.c_str(), &code, RecordBitmapLine)) << "code " << code;
    ASSERT_EQ(6u, g_calls.size());
    for (int i = 0; i < 6; ++i) {
        EXPECT_TRUE(g_calls[i].hadLine);
        EXPECT_EQ(5 - i, g_calls[i].startRow) << "numbered from the bottom";
        EXPECT_EQ(1, g_calls[i].rowCount);
        EXPECT_TRUE(g_calls[i].hadBitmapAndContext);
        EXPECT_EQ(21, g_calls[i].recordWidth);
    }
    DeleteObject(bitmap);
}

// What the encoder leaves in a file when the line function stops it (a
// DCX add cuts its file back, so only the encoder on a handle shows it):
// FALSE for the first line gives the header and that line, code 13, no more
// calls.
TEST_F(BitmapEncoderProbe, LineFunctionSayingFalseStopsAfterThatLine) {
    HBITMAP bitmap = MakeDeviceBitmap(21, 6, 4, PatternBits(21, 6, 4));
    g_calls.clear();
    g_stopAtFirst = true;
    const std::wstring path = dir.Path(L"stopped.pcx");
    TestFile file(path);
    PcxErrorCode code = 0;
    EXPECT_FALSE(probe.EncodeBitmapToPcx(bitmap, file.get(), FALSE, &code, RecordBitmapLine));
    EXPECT_EQ(PCX_ERR_USER_ABORT, code);
    EXPECT_EQ(1u, g_calls.size());
    file.Close();
    std::vector<uint8_t> stopped = ReadFileBytes(path);
    stopped[10] = 0;  // Ymax 0: then exactly one line
    const PcxFileView pcx = ReadPcxFile(stopped);
    ASSERT_TRUE(pcx.ok) << pcx.problem;
    EXPECT_TRUE(pcx.rest.empty());
    DeleteObject(bitmap);
}

TEST_F(BitmapEncoderProbe, FailedLineGetsAClosingCall) {
    HBITMAP bitmap = MakeDeviceBitmap(300, 100, 32, PatternBits(300, 100, 32));
    TestFile file(dir.Path(L"failed.pcx"));
    ASSERT_TRUE(probe.WatchWrites(1));
    PcxErrorCode code = 0;
    EXPECT_FALSE(probe.EncodeBitmapToPcx(bitmap, file.get(), FALSE, &code, RecordBitmapLine));
    probe.StopWatchingWrites();
    EXPECT_EQ(PCX_ERR_ENCODING, code);
    ASSERT_GE(g_calls.size(), 2u);
    ASSERT_LT(g_calls.size(), 100u);
    const BitmapLineCall& last = g_calls.back();
    EXPECT_FALSE(last.hadLine) << "the closing call has no line";
    EXPECT_EQ(0, last.startRow);
    EXPECT_EQ(0, last.rowCount);
    EXPECT_TRUE(last.hadBitmapAndContext);
    for (size_t i = 0; i + 1 < g_calls.size(); ++i) EXPECT_TRUE(g_calls[i].hadLine);
    DeleteObject(bitmap);
}

}  // namespace
