// LoadPCXIntoBitmapW and the band-by-band line function of the bitmap decoder.
#include <windows.h>

#include <vector>

#include "frame/PcxThreadState.h"
#include "support/DcxFixtures.h"
#include "support/DibView.h"
#include "support/KyPcxTestSupport.h"
#include "support/PcxFixtures.h"
#include "support/ProbeLibrary.h"

namespace {

using kypcx_test::Append;
using kypcx_test::PcxFixture;
using kypcx_test::ProbeLibrary;
using kypcx_test::RunOf;
using kypcx_test::ScratchDir;
using namespace kypcx_test::fixtures;
using Bytes = std::vector<uint8_t>;

// An 8-bit image whose row y (from the top) is all y % 200, coded in runs.
PcxFixture Rows8(int16_t width, int16_t height) {
    PcxFixture f;
    f.header.xMax = static_cast<int16_t>(width - 1);
    f.header.yMax = static_cast<int16_t>(height - 1);
    f.header.bytesPerLine = width;
    for (int y = 0; y < height; ++y)
        for (int left = width; left > 0; left -= 63) Append(f.data, RunOf(static_cast<uint8_t>(left < 63 ? left : 63), static_cast<uint8_t>(y % 200)));
    f.trailer = kypcx_test::TrailerPalette();
    return f;
}

struct BandCall {
    bool rows;
    INT_PTR startRow;
    INT_PTR rowCount;
    bool bitmap;
    BYTE firstByte;
};

struct Recorder {
    std::vector<BandCall> calls;
    int refuseAt = -1;  // index of the call that returns FALSE
    decltype(&FlushPCXLine) flush = nullptr;
};
Recorder* g_recorder = nullptr;

BOOL CALLBACK RecordBand(BYTE* rows, INT_PTR startRow, INT_PTR rowCount, HBITMAP bitmap, HDC dc, void* info) {
    Recorder& r = *g_recorder;
    r.calls.push_back({rows != nullptr, startRow, rowCount, bitmap != nullptr, rows ? rows[0] : BYTE(0)});
    if (static_cast<int>(r.calls.size()) - 1 == r.refuseAt) return FALSE;
    return r.flush(rows, startRow, rowCount, bitmap, dc, info);
}

class BandTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(probe_.loaded());
        recorder_.flush = probe_.Get<decltype(&FlushPCXLine)>("FlushPCXLine");
        g_recorder = &recorder_;
    }
    void TearDown() override { g_recorder = nullptr; }

    // The band function is reached through the DCX page loader of the probe
    // build (whose thread block the tests read): the page is the whole image.
    HBITMAP Decode(const Bytes& bytes, PcxErrorCode* code) {
        const std::wstring path = dir_.Path(L"band.dcx");
        kypcx_test::WriteFileBytes(path, kypcx_test::AssembleDcx({bytes}));
        return probe_.Get<decltype(&LoadDCXItemToBitmapW)>("LoadDCXItemToBitmapW")(path.c_str(), 0, code, RecordBand);
    }

    ProbeLibrary probe_;
    ScratchDir dir_;
    Recorder recorder_;
};

TEST_F(BandTest, BandsAreATenthOfTheImageCappedNearSixtyKilobytes) {
    struct Case {
        int16_t width, height;
        std::vector<INT_PTR> starts;
        INT_PTR lastCount;
    };
    std::vector<INT_PTR> tenths;
    for (INT_PTR s = 90; s >= 0; s -= 10) tenths.push_back(s);
    std::vector<INT_PTR> capped;
    for (INT_PTR s = 1000 - 61; s >= 24; s -= 61) capped.push_back(s);
    capped.push_back(0);
    const Case cases[] = {
        {100, 100, tenths, 10},
        {8, 5, {4, 3, 2, 1, 0}, 1},
        {1000, 1000, capped, 24},  // row size 1,000: 61 rows a band, 16 full bands and 24 rows
    };
    for (const Case& c : cases) {
        recorder_.calls.clear();
        PcxErrorCode code = 0;
        HBITMAP bitmap = Decode(Rows8(c.width, c.height).Bytes(), &code);
        ASSERT_NE(nullptr, bitmap) << "code " << code;
        DeleteObject(bitmap);
        ASSERT_EQ(c.starts.size(), recorder_.calls.size()) << c.width << "x" << c.height;
        for (size_t i = 0; i < c.starts.size(); ++i) {
            EXPECT_EQ(c.starts[i], recorder_.calls[i].startRow) << "band " << i;
            EXPECT_TRUE(recorder_.calls[i].rows && recorder_.calls[i].bitmap);
        }
        const INT_PTR height = c.height;
        const INT_PTR band = recorder_.calls[0].rowCount;
        for (size_t i = 0; i + 1 < c.starts.size(); ++i) EXPECT_EQ(band, recorder_.calls[i].rowCount);
        EXPECT_EQ(c.lastCount, recorder_.calls.back().rowCount);
        // The band's lowest row comes first in memory: row startRow from the
        // bottom is row height - 1 - startRow from the top.
        const INT_PTR top = height - 1 - recorder_.calls.back().startRow;
        EXPECT_EQ(top % 200, recorder_.calls.back().firstByte);
    }
}

TEST_F(BandTest, TrueColorGoesRowByRowWithPaletteIndices) {
    PcxErrorCode code = 0;
    HBITMAP bitmap = Decode(TrueColor().Bytes(), &code);
    ASSERT_NE(nullptr, bitmap) << "code " << code;
    DeleteObject(bitmap);
    ASSERT_EQ(2u, recorder_.calls.size());
    EXPECT_EQ(1, recorder_.calls[0].startRow);
    EXPECT_EQ(0, recorder_.calls[1].startRow);
    EXPECT_EQ(1, recorder_.calls[0].rowCount);
    EXPECT_EQ(UINT(DIB_PAL_COLORS), probe_.ThreadState()->colorUsage);
}

TEST_F(BandTest, MonochromeBecomesAMonochromeBitmapWithRgbColors) {
    PcxErrorCode code = 0;
    HBITMAP bitmap = Decode(MonoGreys().Bytes(), &code);
    ASSERT_NE(nullptr, bitmap) << "code " << code;
    BITMAP bm;
    GetObjectW(bitmap, sizeof bm, &bm);
    EXPECT_EQ(1, bm.bmBitsPixel);
    EXPECT_EQ(1, bm.bmPlanes);
    EXPECT_EQ(10, bm.bmWidth);
    EXPECT_EQ(UINT(DIB_RGB_COLORS), probe_.ThreadState()->colorUsage);
    DeleteObject(bitmap);
}

TEST_F(BandTest, RefusalStopsAtOnceWithCodeThirteen) {
    recorder_.refuseAt = 0;
    PcxErrorCode code = 0;
    EXPECT_EQ(nullptr, Decode(Rows8(100, 100).Bytes(), &code));
    EXPECT_EQ(PCX_ERR_USER_ABORT, code);
    ASSERT_EQ(1u, recorder_.calls.size()) << "no further call, not even a closing one";
}

TEST_F(BandTest, UnreadablePaletteEndsWithOneClosingCall) {
    PcxFixture f = TwoFiftySix();
    f.trailer.clear();
    PcxErrorCode code = 0;
    EXPECT_EQ(nullptr, Decode(f.Bytes(), &code));
    EXPECT_EQ(PCX_ERR_PALETTE_READ, code);
    ASSERT_EQ(1u, recorder_.calls.size());
    EXPECT_FALSE(recorder_.calls[0].rows);
    EXPECT_EQ(0, recorder_.calls[0].startRow);
    EXPECT_EQ(0, recorder_.calls[0].rowCount);
}

TEST_F(BandTest, TruncatedFileHandsOverItsLastPartialBand) {
    PcxFixture f = Rows8(100, 100);
    f.data.resize(4 * 25 + 2);  // 25 lines of two runs (63 + 37), then the first run of the next
    PcxErrorCode code = 0;
    HBITMAP bitmap = Decode(f.Bytes(), &code);
    ASSERT_NE(nullptr, bitmap) << "code " << code;
    DeleteObject(bitmap);
    EXPECT_EQ(PCX_OK, code);
    // Rows 99..90 and 89..80 in full bands, then rows 79..74 (the last cut short).
    ASSERT_EQ(3u, recorder_.calls.size());
    EXPECT_EQ(74, recorder_.calls[2].startRow);
    EXPECT_EQ(6, recorder_.calls[2].rowCount);
}

// Pixels read back from the bitmap as 24-bit RGB, top row first.
std::vector<kypcx_test::Rgb> ReadPixels(HBITMAP bitmap, int width, int height) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    const size_t stride = (size_t(width) * 3 + 3) & ~size_t(3);
    std::vector<BYTE> bits(stride * height);
    HDC dc = GetDC(nullptr);
    EXPECT_EQ(height, GetDIBits(dc, bitmap, 0, height, bits.data(), &info, DIB_RGB_COLORS));
    ReleaseDC(nullptr, dc);
    std::vector<kypcx_test::Rgb> pixels;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const BYTE* p = &bits[y * stride + 3 * x];
            pixels.push_back({p[2], p[1], p[0]});
        }
    return pixels;
}

TEST(LoadPCXIntoBitmap, EveryLayoutArrivesWithItsColors) {
    using kypcx_test::Rgb;
    struct Case {
        const char* name;
        PcxFixture fixture;
        int width, height;
        std::vector<std::pair<POINT, Rgb>> samples;  // pixels looked at, and their colours
    };
    const Case cases[] = {
        {"monochrome", MonoGreys(), 10, 2, {{{0, 0}, {255, 255, 255}}, {{1, 0}, {0, 0, 0}}, {{5, 1}, {255, 255, 255}}}},
        {"sixteen", SixteenColors(), 9, 2, {{{3, 0}, {48, 207, 3}}, {{8, 0}, {240, 15, 15}}, {{4, 1}, {0, 255, 0}}}},
        {"256", TwoFiftySix(), 5, 3, {{{0, 0}, {1, 254, 0}}, {{4, 2}, {7, 248, 3}}, {{2, 1}, {0xC8, 0x37, 0x64}}}},
        {"true colour", TrueColor(), 10, 2, {{{9, 0}, {9, 19, 29}}, {{0, 1}, {0x30, 0x40, 0x50}}}},
    };
    for (const Case& c : cases) {
        ScratchDir dir;
        const std::wstring path = dir.Path(L"b.pcx");
        kypcx_test::WriteFileBytes(path, c.fixture.Bytes());
        PcxErrorCode code = 0;
        HBITMAP bitmap = KYPCX_EXPORT(LoadPCXIntoBitmapW)(path.c_str(), &code);
        ASSERT_NE(nullptr, bitmap) << c.name << " code " << code;
        EXPECT_EQ(PCX_OK, code);
        const auto pixels = ReadPixels(bitmap, c.width, c.height);
        for (const auto& sample : c.samples) {
            const Rgb got = pixels[sample.first.y * c.width + sample.first.x];
            EXPECT_TRUE(got == sample.second) << c.name << " at " << sample.first.x << "," << sample.first.y
                                              << ": got " << int(got.r) << "," << int(got.g) << "," << int(got.b);
        }
        DeleteObject(bitmap);
    }
}

TEST(FlushPCXLine, ClosingCallDoesNothing) {
    EXPECT_TRUE(KYPCX_EXPORT(FlushPCXLine)(nullptr, 0, 0, nullptr, nullptr, nullptr));
}

}  // namespace
