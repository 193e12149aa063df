// LoadPCXIntoBitmapFromMemory: its palette rules, its line function
// protocol and where it differs from the file decoder.
#include <windows.h>

#include <vector>

#include "support/KyPcxTestSupport.h"
#include "support/PcxFixtures.h"

namespace {

using kypcx_test::PcxFixture;

// The 256-colour fixture without its overshooting last run, which the
// memory decoder refuses.
PcxFixture TwoFiftySixExact() {
    PcxFixture f = kypcx_test::fixtures::TwoFiftySix();
    f.data[f.data.size() - 2] = 0xC6;
    return f;
}
using kypcx_test::RunOf;
using namespace kypcx_test::fixtures;
using Bytes = std::vector<uint8_t>;

struct LineCall {
    INT_PTR line;
    INT_PTR count;
    Bytes row;
    std::vector<RGBQUAD> table;
    DWORD clrUsed;
};

struct Lines {
    std::vector<LineCall> calls;
    int refuseAt = -1;
    size_t rowBytes = 0;
};
Lines* g_lines = nullptr;

BOOL CALLBACK RecordLine(BYTE* row, INT_PTR line, INT_PTR count, HBITMAP bitmap, HDC dc, void* description) {
    if (row != nullptr) KYPCX_NOTE_LINE_FUNCTION_FRAME();
    auto* info = static_cast<BITMAPINFO*>(description);
    LineCall call{line, count, Bytes(row, row + g_lines->rowBytes), {}, info->bmiHeader.biClrUsed};
    for (DWORD i = 0; i < info->bmiHeader.biClrUsed; ++i) call.table.push_back(info->bmiColors[i]);
    g_lines->calls.push_back(call);
    if (int(g_lines->calls.size()) - 1 == g_lines->refuseAt) return FALSE;
    return KYPCX_EXPORT(FlushPCXLine)(row, line, count, bitmap, dc, description);
}

class MemoryDecode : public ::testing::Test {
protected:
    void SetUp() override { g_lines = &lines_; }
    void TearDown() override {
        g_lines = nullptr;
        if (bitmap_ != nullptr) DeleteObject(bitmap_);
    }
    void Decode(const Bytes& bytes, size_t rowBytes, PcxLineCallback callback = RecordLine) {
        lines_.rowBytes = rowBytes;
        code_ = 0;
        bitmap_ = KYPCX_EXPORT(LoadPCXIntoBitmapFromMemory)(bytes.data(), DWORD(bytes.size()), &code_, callback);
    }
    COLORREF PixelAt(int x, int y) {
        HDC dc = CreateCompatibleDC(nullptr);
        HGDIOBJ old = SelectObject(dc, bitmap_);
        const COLORREF c = GetPixel(dc, x, y);
        SelectObject(dc, old);
        DeleteDC(dc);
        return c;
    }
    Lines lines_;
    HBITMAP bitmap_ = nullptr;
    PcxErrorCode code_ = 0;
};

TEST_F(MemoryDecode, TwoFiftySixColorsTakeTheTrailerEntryForEntry) {
    Decode(TwoFiftySixExact().Bytes(), 8);
    ASSERT_NE(nullptr, bitmap_);
    EXPECT_EQ(PCX_OK, code_);
    ASSERT_EQ(3u, lines_.calls.size());
    const Bytes trailer = kypcx_test::TrailerPalette();
    ASSERT_EQ(256u, lines_.calls[0].clrUsed);
    for (int k : {0, 1, 100, 255}) {
        EXPECT_EQ(trailer[3 * k], lines_.calls[0].table[k].rgbRed);
        EXPECT_EQ(trailer[3 * k + 1], lines_.calls[0].table[k].rgbGreen);
        EXPECT_EQ(trailer[3 * k + 2], lines_.calls[0].table[k].rgbBlue);
    }
    for (INT_PTR i = 0; i < 3; ++i) {
        EXPECT_EQ(2 - i, lines_.calls[i].line);
        EXPECT_EQ(1, lines_.calls[i].count);
    }
    EXPECT_EQ((Bytes{1, 2, 3, 4, 5}), Bytes(lines_.calls[0].row.begin(), lines_.calls[0].row.begin() + 5));
    EXPECT_EQ(RGB(1, 254, 0), PixelAt(0, 0));
}

TEST_F(MemoryDecode, MissingTrailerGivesCodeTenAndABlankBitmap) {
    PcxFixture f = TwoFiftySix();
    f.trailer.clear();
    f.data.resize(f.data.size() + 900, 0);
    Decode(f.Bytes(), 8);
    ASSERT_NE(nullptr, bitmap_) << "the undrawn bitmap is returned";
    EXPECT_EQ(PCX_ERR_PALETTE_READ, code_);
    EXPECT_TRUE(lines_.calls.empty());
    BITMAP bm;
    GetObjectW(bitmap_, sizeof bm, &bm);
    EXPECT_EQ(5, bm.bmWidth);
    EXPECT_EQ(3, bm.bmHeight);
}

TEST_F(MemoryDecode, MonochromeIsAlwaysBlackAndWhiteInAColorBitmap) {
    Decode(MonoGreys().Bytes(), 4);
    ASSERT_NE(nullptr, bitmap_);
    ASSERT_FALSE(lines_.calls.empty());
    const auto& table = lines_.calls[0].table;
    ASSERT_EQ(2u, table.size());
    EXPECT_EQ(0, table[0].rgbRed);
    EXPECT_EQ(255, table[1].rgbRed);
    EXPECT_EQ(255, table[1].rgbBlue);
    BITMAP bm;
    GetObjectW(bitmap_, sizeof bm, &bm);
    EXPECT_GT(bm.bmBitsPixel, 1) << "a screen-compatible bitmap, not a monochrome one";
    EXPECT_EQ(RGB(255, 255, 255), PixelAt(0, 0));
    EXPECT_EQ(RGB(0, 0, 0), PixelAt(1, 0));
}

TEST_F(MemoryDecode, TrueColorReordersThePlanesAndHasNoTable) {
    Decode(TrueColor().Bytes(), 32);
    ASSERT_NE(nullptr, bitmap_);
    ASSERT_EQ(2u, lines_.calls.size());
    EXPECT_EQ(0u, lines_.calls[0].clrUsed);
    EXPECT_EQ((Bytes{20, 10, 0, 21, 11, 1}), Bytes(lines_.calls[0].row.begin(), lines_.calls[0].row.begin() + 6));
    EXPECT_EQ(RGB(9, 19, 29), PixelAt(9, 0));
}

TEST_F(MemoryDecode, SixteenColorsTakeTheHeaderPalette) {
    Decode(SixteenColors().Bytes(), 8);
    ASSERT_NE(nullptr, bitmap_);
    ASSERT_FALSE(lines_.calls.empty());
    const Bytes pal = kypcx_test::SixteenColorPalette();
    ASSERT_EQ(16u, lines_.calls[0].table.size());
    EXPECT_EQ(pal[3 * 5], lines_.calls[0].table[5].rgbRed);
    EXPECT_EQ(pal[3 * 5 + 1], lines_.calls[0].table[5].rgbGreen);
    EXPECT_EQ(RGB(48, 207, 3), PixelAt(3, 0));
}

TEST_F(MemoryDecode, RefusalOnTheThirdLineKeepsThePartlyDrawnBitmap) {
    PcxFixture tall = TrueColor();
    tall.header.yMax = 4;
    for (int i = 0; i < 3; ++i)
        for (int p = 0; p < 3; ++p) kypcx_test::Append(tall.data, RunOf(10, uint8_t(p)));
    lines_.refuseAt = 2;
    Decode(tall.Bytes(), 32);
    ASSERT_NE(nullptr, bitmap_);
    EXPECT_EQ(PCX_ERR_CREATE_BITMAP, code_);
    EXPECT_EQ(3u, lines_.calls.size()) << "not called after it said no";
    EXPECT_EQ(RGB(0x30, 0x40, 0x50), PixelAt(0, 1)) << "lines before the refusal are drawn";
}

TEST_F(MemoryDecode, RunAcrossALineEndStopsWithCodeThree) {
    PcxFixture f = TwoFiftySix();
    f.data = {1, 2, 3, 4, 5, 6, 0xC4, 9, 0xC3, 8};  // line 2 starts with a run of 4 then a run of 3 past its end
    Decode(f.Bytes(), 8);
    ASSERT_NE(nullptr, bitmap_);
    EXPECT_EQ(PCX_ERR_VERSION, code_);
    ASSERT_EQ(1u, lines_.calls.size()) << "the bad line never reaches the line function";
    EXPECT_EQ(2, lines_.calls[0].line);
}

TEST_F(MemoryDecode, NullLineFunctionDrawsWithRgbEvenAfterAPaletteFileDecode) {
    kypcx_test::ScratchDir dir;
    const std::wstring path = dir.Path(L"palette.pcx");
    kypcx_test::WriteFileBytes(path, TwoFiftySix().Bytes());
    PcxErrorCode code = 0;
    HBITMAP fromFile = KYPCX_EXPORT(LoadPCXIntoBitmapW)(path.c_str(), &code);
    ASSERT_NE(nullptr, fromFile);
    DeleteObject(fromFile);
    Decode(TwoFiftySixExact().Bytes(), 8, nullptr);
    ASSERT_NE(nullptr, bitmap_);
    EXPECT_EQ(PCX_OK, code_);
    EXPECT_EQ(RGB(2, 253, 1), PixelAt(1, 0));
    EXPECT_EQ(RGB(7, 248, 3), PixelAt(4, 2));
}

}  // namespace
