// ConvertToMonochrome: a one-bit copy decided by GDI, the source untouched.
#include <windows.h>

#include "encode/EncodeTestSupport.h"

namespace {

using namespace kypcx_test;

COLORREF PixelOf(HBITMAP bitmap, int x, int y) {
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ previous = SelectObject(dc, bitmap);
    const COLORREF c = GetPixel(dc, x, y);
    SelectObject(dc, previous);
    DeleteDC(dc);
    return c;
}

TEST(Monochrome, NullAndForeignHandlesGiveNull) {
    auto convert = KYPCX_EXPORT(ConvertToMonochrome);
    HCURSOR arrow = LoadCursorW(nullptr, IDC_ARROW);
    SetCursor(arrow);
    EXPECT_EQ(nullptr, convert(nullptr));
    EXPECT_EQ(arrow, GetCursor()) << "the cursor is left alone";
    HBRUSH brush = CreateSolidBrush(RGB(9, 9, 9));
    EXPECT_EQ(nullptr, convert(reinterpret_cast<HBITMAP>(brush)));
    DeleteObject(brush);
}

TEST(Monochrome, MonochromeStaysTheSame) {
    const std::vector<uint8_t> bits = PatternBits(37, 5, 1);
    HBITMAP source = MakeDeviceBitmap(37, 5, 1, bits);
    const std::vector<uint8_t> before = BitmapBits(source);
    HBITMAP copy = KYPCX_EXPORT(ConvertToMonochrome)(source);
    ASSERT_NE(nullptr, copy);
    ASSERT_NE(source, copy);
    BITMAP record = {};
    GetObjectW(copy, sizeof record, &record);
    EXPECT_EQ(37, record.bmWidth);
    EXPECT_EQ(5, record.bmHeight);
    EXPECT_EQ(1, record.bmPlanes);
    EXPECT_EQ(1, record.bmBitsPixel);
    const std::vector<uint8_t> copied = BitmapBits(copy);
    const size_t line = DeviceLineBytes(37, 1);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 37; ++x)
            ASSERT_EQ((bits[y * line + x / 8] >> (7 - x % 8)) & 1, (copied[y * line + x / 8] >> (7 - x % 8)) & 1)
                << x << "," << y;
    EXPECT_EQ(before, BitmapBits(source)) << "the source is unchanged";
    DeleteObject(copy);
    DeleteObject(source);
}

TEST(Monochrome, BlackAndWhiteColorBitmapKeepsItsPicture) {
    const int width = 23, height = 7;
    HBITMAP source = MakeScreenBitmap(width, height);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ previous = SelectObject(dc, source);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) SetPixel(dc, x, y, (x + 2 * y) % 3 == 0 ? RGB(255, 255, 255) : RGB(0, 0, 0));
    SelectObject(dc, previous);
    DeleteDC(dc);
    const std::vector<uint8_t> before = BitmapBits(source);

    HBITMAP mono = KYPCX_EXPORT(ConvertToMonochrome)(source);
    ASSERT_NE(nullptr, mono);
    BITMAP record = {};
    GetObjectW(mono, sizeof record, &record);
    EXPECT_EQ(1, record.bmBitsPixel);
    EXPECT_EQ(width, record.bmWidth);
    EXPECT_EQ(height, record.bmHeight);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            ASSERT_EQ((x + 2 * y) % 3 == 0 ? RGB(255, 255, 255) : RGB(0, 0, 0), PixelOf(mono, x, y)) << x << "," << y;
    EXPECT_EQ(before, BitmapBits(source));

    // And it saves as a one-bit PCX image.
    ScratchDir dir;
    PcxErrorCode code = 0;
    ASSERT_TRUE(KYPCX_EXPORT(SaveBitmapInPCXFormatW)(dir.Path(L"mono.pcx").c_str(), mono, &code));
    const PcxFileView pcx = ReadPcxFile(ReadFileBytes(dir.Path(L"mono.pcx")));
    ASSERT_TRUE(pcx.ok) << pcx.problem;
    EXPECT_EQ(1, pcx.header.bitsPerPixel);
    EXPECT_EQ(1, pcx.header.planes);
    DeleteObject(mono);
    DeleteObject(source);
}

}  // namespace
