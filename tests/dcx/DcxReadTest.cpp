// Reading DCX items through the exports: each page decodes exactly as the
// same bytes do as a PCX file of their own (pixels, palette, line-function
// calls), on every path; index errors, a damaged directory and offsets that
// point anywhere answer with a code or the page's own picture.
#include <windows.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "support/DcxFixtures.h"
#include "support/DibView.h"
#include "support/KyPcxTestSupport.h"
#include "support/PcxFixtures.h"

namespace {

using Bytes = std::vector<uint8_t>;
using kypcx_test::AssembleDcx;
using kypcx_test::DcxEntry;
using kypcx_test::PcxFixture;
using kypcx_test::ScratchDir;
using kypcx_test::SetDcxEntry;
using kypcx_test::WriteFileBytes;
namespace fixtures = kypcx_test::fixtures;

// A second 256-colour page whose trailer differs from TwoFiftySix's.
PcxFixture OtherTwoFiftySix() {
    PcxFixture f = fixtures::TwoFiftySix();
    for (size_t i = 0; i < f.trailer.size(); ++i) f.trailer[i] = static_cast<uint8_t>(255 - f.trailer[i]);
    return f;
}

// The pages of the multi-page fixture, in order.
std::vector<Bytes> Pages() {
    return {fixtures::TwoFiftySix().Bytes(), fixtures::MonoGreys().Bytes(), OtherTwoFiftySix().Bytes(),
            fixtures::SixteenColors().Bytes(), fixtures::TrueColor().Bytes()};
}

// The whole DIB block: header, colour table and pixels.
Bytes DibBytes(HGLOBAL dib) {
    Bytes bytes;
    if (dib == nullptr) return bytes;
    const BYTE* p = static_cast<const BYTE*>(GlobalLock(dib));
    const BITMAPINFOHEADER* h = reinterpret_cast<const BITMAPINFOHEADER*>(p);
    const size_t size = h->biSize + h->biClrUsed * sizeof(RGBQUAD) +
                        ((h->biBitCount * size_t(h->biWidth) + 31) / 32) * 4 * size_t(h->biHeight);
    bytes.assign(p, p + size);
    GlobalUnlock(dib);
    GlobalFree(dib);
    return bytes;
}

// A bitmap's size and its pixels as 24-bit rows.
Bytes BitmapPixels(HBITMAP bitmap) {
    Bytes pixels;
    if (bitmap == nullptr) return pixels;
    BITMAP record;
    GetObjectW(bitmap, sizeof record, &record);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = record.bmWidth;
    info.bmiHeader.biHeight = record.bmHeight;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    pixels.resize(((24 * size_t(record.bmWidth) + 31) / 32) * 4 * record.bmHeight + 8);
    kypcx_test::SetWord(pixels, pixels.size() - 8, record.bmWidth);
    kypcx_test::SetWord(pixels, pixels.size() - 4, record.bmHeight);
    HDC dc = GetDC(nullptr);
    GetDIBits(dc, bitmap, 0, record.bmHeight, pixels.data(), &info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, dc);
    DeleteObject(bitmap);
    return pixels;
}

// Every row and its number, as a line function sees them.
struct RowLog {
    std::vector<LONG> rows;
    int refuseAt = -1;
};
RowLog* g_rows = nullptr;
BOOL CALLBACK LogRow(BYTE* row, LONG rowNumber, LONG, BITMAPINFOHEADER*) {
    if (row != nullptr) KYPCX_NOTE_LINE_FUNCTION_FRAME();
    g_rows->rows.push_back(rowNumber);
    return int(g_rows->rows.size()) - 1 != g_rows->refuseAt;
}
RowLog* g_bands = nullptr;
BOOL CALLBACK LogBand(BYTE* rows, INT_PTR startRow, INT_PTR rowCount, HBITMAP bitmap, HDC dc, void* description) {
    if (rows != nullptr) KYPCX_NOTE_LINE_FUNCTION_FRAME();
    g_bands->rows.push_back(LONG(startRow * 1000 + rowCount));
    return KYPCX_EXPORT(FlushPCXLine)(rows, startRow, rowCount, bitmap, dc, description);
}

class DcxRead : public ::testing::Test {
protected:
    void SetUp() override {
        dcx_ = dir_.Path(L"pages.dcx");
        WriteFileBytes(dcx_, AssembleDcx(Pages()));
    }
    // Writes the page alone as a PCX file and returns its path.
    std::wstring Single(size_t index) {
        const std::wstring path = dir_.Path(L"page" + std::to_wstring(index) + L".pcx");
        WriteFileBytes(path, Pages()[index]);
        return path;
    }
    ScratchDir dir_;
    std::wstring dcx_;
};

TEST_F(DcxRead, EveryPageDecodesAsItsOwnPcxFileOnEveryPath) {
    for (UINT i = 0; i < Pages().size(); ++i) {
        const std::wstring single = Single(i);
        PcxErrorCode code = 0, singleCode = 0;
        const Bytes dib = DibBytes(KYPCX_EXPORT(LoadDCXIntoDIBW)(dcx_.c_str(), i, &code));
        EXPECT_EQ(PCX_OK, code) << "page " << i;
        ASSERT_FALSE(dib.empty()) << "page " << i;
        EXPECT_EQ(DibBytes(KYPCX_EXPORT(LoadPCXIntoDIBW)(single.c_str(), &singleCode)), dib) << "page " << i;

        code = 0;
        const Bytes dibA =
            DibBytes(KYPCX_EXPORT(LoadDCXIntoDIBA)(kypcx_test::Narrow(dcx_).c_str(), i, &code));
        EXPECT_EQ(dib, dibA) << "page " << i << " through the ANSI form";

        code = 0;
        const Bytes bitmap = BitmapPixels(KYPCX_EXPORT(LoadDCXIntoBitmapW)(dcx_.c_str(), i, &code));
        EXPECT_EQ(PCX_OK, code) << "page " << i;
        EXPECT_EQ(BitmapPixels(KYPCX_EXPORT(LoadPCXIntoBitmapW)(single.c_str(), &singleCode)), bitmap)
            << "page " << i;
    }
    // The two 256-colour pages keep their own colours.
    HGLOBAL first = KYPCX_EXPORT(LoadDCXIntoDIBW)(dcx_.c_str(), 0, nullptr);
    HGLOBAL third = KYPCX_EXPORT(LoadDCXIntoDIBW)(dcx_.c_str(), 2, nullptr);
    {
        kypcx_test::DibView a(first), b(third);
        ASSERT_TRUE(a.valid() && b.valid());
        EXPECT_EQ(a.Index(0, 0), b.Index(0, 0));
        EXPECT_EQ(255 - a.Pixel(0, 0).r, b.Pixel(0, 0).r);
    }
    GlobalFree(first);
    GlobalFree(third);
}

TEST_F(DcxRead, LineFunctionsSeeTheSameCallsAsForTheFile) {
    RowLog item, file;
    for (UINT i : {0u, 4u}) {
        item.rows.clear();
        file.rows.clear();
        PcxErrorCode code = 0;
        g_rows = &item;
        HGLOBAL a = KYPCX_EXPORT(LoadDCXItemToDIBW)(dcx_.c_str(), i, &code, LogRow);
        g_rows = &file;
        HGLOBAL b = KYPCX_EXPORT(LoadPCXIntoDIBW)(Single(i).c_str(), &code);  // the row count to expect
        EXPECT_EQ(PCX_OK, code);
        kypcx_test::DibView view(b);
        EXPECT_EQ(size_t(view.header().biHeight), item.rows.size()) << "page " << i;
        EXPECT_EQ(view.header().biHeight - 1, item.rows.front()) << "from the top row down";
        GlobalFree(a);
        GlobalFree(b);

        g_bands = &item;
        item.rows.clear();
        HBITMAP bitmap = KYPCX_EXPORT(LoadDCXItemToBitmapW)(dcx_.c_str(), i, &code, LogBand);
        EXPECT_EQ(PCX_OK, code);
        EXPECT_FALSE(item.rows.empty());
        if (bitmap != nullptr) DeleteObject(bitmap);
        g_bands = nullptr;
    }
    // A line function that says no stops the decode with 13.
    item.rows.clear();
    item.refuseAt = 0;
    g_rows = &item;
    PcxErrorCode code = 0;
    EXPECT_EQ(nullptr, KYPCX_EXPORT(LoadDCXItemToDIBA)(kypcx_test::Narrow(dcx_).c_str(), 1, &code, LogRow));
    EXPECT_EQ(PCX_ERR_USER_ABORT, code);
    EXPECT_EQ(1u, item.rows.size());
    g_rows = nullptr;
}

TEST_F(DcxRead, PaletteHeaderColorSpaceAndClipboard) {
    PcxHeader header;
    std::memset(&header, 0, sizeof header);
    PcxErrorCode code = 0;
    HPALETTE palette = KYPCX_EXPORT(ReadDCXItemPaletteW)(dcx_.c_str(), 2, &header, &code);
    ASSERT_NE(nullptr, palette);
    EXPECT_EQ(PCX_OK, code);
    EXPECT_EQ(8, header.bitsPerPixel);
    PALETTEENTRY entries[256];
    ASSERT_EQ(256u, GetPaletteEntries(palette, 0, 256, entries));
    const Bytes trailer = OtherTwoFiftySix().trailer;
    EXPECT_EQ(trailer[3 * 7], entries[7].peRed);
    EXPECT_EQ(trailer[3 * 7 + 1], entries[7].peGreen);
    DeleteObject(palette);

    // A non-RGB page: colour space 12 in the encoding byte.
    PcxFixture nonRgb = fixtures::TrueColor();
    nonRgb.header.encoding = 12;
    const std::wstring mixed = dir_.Path(L"mixed.dcx");
    WriteFileBytes(mixed, AssembleDcx({fixtures::MonoGreys().Bytes(), nonRgb.Bytes()}));
    EXPECT_EQ(12, KYPCX_EXPORT(GetDCXColorSpaceW)(mixed.c_str(), 1));
    EXPECT_EQ(12, KYPCX_EXPORT(GetDCXColorSpaceA)(kypcx_test::Narrow(mixed).c_str(), 1));
    EXPECT_EQ(1, KYPCX_EXPORT(GetDCXColorSpaceW)(mixed.c_str(), 0));
    EXPECT_EQ(-1, KYPCX_EXPORT(GetDCXColorSpaceW)(mixed.c_str(), 2));
    EXPECT_EQ(-1, KYPCX_EXPORT(GetDCXColorSpaceW)(dir_.Path(L"missing.dcx").c_str(), 0));
    EXPECT_EQ(-1, KYPCX_EXPORT(GetDCXColorSpaceW)(nullptr, 0));
    code = 0;
    EXPECT_EQ(nullptr, KYPCX_EXPORT(LoadDCXIntoDIBW)(mixed.c_str(), 1, &code));
    EXPECT_EQ(PCX_ERR_ENCODING, code);
    code = 0;
    HGLOBAL dib = KYPCX_EXPORT(LoadNonRGBDCXIntoDIBW)(mixed.c_str(), 1, &code);
    ASSERT_NE(nullptr, dib);
    EXPECT_EQ(PCX_OK, code);
    {
        kypcx_test::DibView view(dib);
        EXPECT_EQ(12u, view.header().biCompression);
        EXPECT_EQ((kypcx_test::Rgb{9, 19, 29}), view.Pixel(9, 0));
    }
    GlobalFree(dib);

    code = 0;
    ASSERT_EQ(1, KYPCX_EXPORT(PutDCXItemToClipboardW)(dcx_.c_str(), 4, &code));
    EXPECT_EQ(PCX_OK, code);
    ASSERT_TRUE(OpenClipboard(nullptr));
    HBITMAP onClipboard = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP));
    BITMAP record = {};
    if (onClipboard != nullptr) GetObjectW(onClipboard, sizeof record, &record);
    CloseClipboard();
    EXPECT_EQ(10, record.bmWidth);
    EXPECT_EQ(2, record.bmHeight);
}

TEST_F(DcxRead, IndexErrorsAndDamagedDirectories) {
    const Bytes pages = AssembleDcx(Pages());
    Bytes wrongMagic = pages;
    wrongMagic[2] ^= 0x40;
    Bytes cut = pages;
    cut.resize(3000);
    const Bytes full = AssembleDcx(kypcx_test::FullTablePages());
    struct Case {
        const wchar_t* name;
        Bytes bytes;
        UINT index;
        PcxErrorCode code;
    };
    const Case cases[] = {
        {L"index = count.dcx", pages, 5, PCX_OK},
        {L"index 1022.dcx", pages, 1022, PCX_ERR_NO_ITEM},
        {L"index 5000.dcx", pages, 5000, PCX_ERR_NO_ITEM},
        {L"full, index 1022.dcx", full, 1022, PCX_ERR_NO_ITEM},
        {L"wrong magic.dcx", wrongMagic, 0, PCX_ERR_DCX_ID},
        {L"directory cut short.dcx", cut, 0, PCX_ERR_FILE_IO},
        {L"empty.dcx", {}, 0, PCX_ERR_FILE_IO},
    };
    for (const Case& c : cases) {
        const std::wstring path = dir_.Path(c.name);
        WriteFileBytes(path, c.bytes);
        PcxErrorCode code = 0;
        EXPECT_EQ(nullptr, KYPCX_EXPORT(LoadDCXIntoDIBW)(path.c_str(), c.index, &code)) << kypcx_test::Narrow(c.name);
        EXPECT_EQ(c.code, code) << kypcx_test::Narrow(c.name);
        code = 0;
        EXPECT_EQ(nullptr, KYPCX_EXPORT(LoadDCXIntoBitmapW)(path.c_str(), c.index, &code));
        EXPECT_EQ(c.code, code) << kypcx_test::Narrow(c.name);
        code = 0;
        PcxHeader header;
        EXPECT_EQ(nullptr, KYPCX_EXPORT(ReadDCXItemPaletteW)(path.c_str(), c.index, &header, &code));
        EXPECT_EQ(c.code, code) << kypcx_test::Narrow(c.name);
        // The extent says "no such page" where the readers find none.
        ULONGLONG start = 1, end = 1;
        code = 0;
        EXPECT_FALSE(KYPCX_EXPORT(DCXItemExtentW)(path.c_str(), c.index, &start, &end, &code));
        EXPECT_EQ(c.code == PCX_OK ? PCX_ERR_NO_ITEM : c.code, code) << kypcx_test::Narrow(c.name);
        EXPECT_TRUE(DeleteFileW(path.c_str())) << kypcx_test::Narrow(c.name) << " is still open";
    }
    // Where the pages lie, as the directory lists them.
    const std::string pathA = kypcx_test::Narrow(dcx_);
    for (UINT index = 0; index < 5; ++index) {
        ULONGLONG start = 0, end = 0;
        PcxErrorCode code = 0;
        ASSERT_TRUE(KYPCX_EXPORT(DCXItemExtentA)(pathA.c_str(), index, &start, &end, &code)) << index;
        EXPECT_EQ(PCX_OK, code);
        EXPECT_EQ(DcxEntry(pages, index + 1), start) << index;
        EXPECT_EQ(index < 4 ? DcxEntry(pages, index + 2) : pages.size(), end) << index;
    }
    {
        PcxErrorCode code = 0;
        ULONGLONG start = 0;
        EXPECT_FALSE(KYPCX_EXPORT(DCXItemExtentW)(dcx_.c_str(), 0, &start, nullptr, &code));
        EXPECT_EQ(PCX_ERR_FILE_IO, code) << "nowhere to put the end";
    }
    PcxErrorCode code = 0;
    HGLOBAL last = KYPCX_EXPORT(LoadDCXIntoDIBW)(dir_.Path(L"full.dcx").c_str(), 1020, &code);
    EXPECT_EQ(PCX_ERR_OPEN_FILE, code) << "missing file";
    WriteFileBytes(dir_.Path(L"full.dcx"), full);
    last = KYPCX_EXPORT(LoadDCXIntoDIBW)(dir_.Path(L"full.dcx").c_str(), 1020, &code);
    EXPECT_NE(nullptr, last) << "index 1020 of a full table reads";
    if (last != nullptr) GlobalFree(last);

    HANDLE held = CreateFileW(dcx_.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    code = 0;
    EXPECT_EQ(nullptr, KYPCX_EXPORT(LoadDCXIntoDIBW)(dcx_.c_str(), 0, &code));
    EXPECT_EQ(PCX_ERR_OPEN_FILE, code);
    CloseHandle(held);
}

// All 1022 entries in use: the page in entry 1022 is listed, so it reads,
// ending at the file's length as any last page does (its 256 colours are
// the file's last 769 bytes). Entry 1023 is never a page nor a page's end,
// even where another writer filled it.
TEST_F(DcxRead, TheLastPageOfAFullTable) {
    const std::vector<Bytes> pages = kypcx_test::FullTablePages();
    const Bytes full = AssembleDcx(pages);
    Bytes foreign = full;
    SetDcxEntry(foreign, 1023, DcxEntry(full, 1022) + 200);  // inside the last page
    const std::wstring alone = dir_.Path(L"last.pcx");
    WriteFileBytes(alone, pages.back());
    PcxErrorCode code = 0;
    const Bytes classic = DibBytes(KYPCX_EXPORT(LoadPCXIntoDIBW)(alone.c_str(), &code));
    const Bytes layout = DibBytes(KYPCX_EXPORT(LoadPCXImageW)(alone.c_str(), KYPCX_WHOLE_FILE, 0, &code, nullptr));
    ASSERT_FALSE(classic.empty());
    ASSERT_FALSE(layout.empty());
    for (const auto& [name, bytes] : {std::pair{L"full.dcx", full}, std::pair{L"entry 1023 filled.dcx", foreign}}) {
        SCOPED_TRACE(kypcx_test::Narrow(name));
        const std::wstring path = dir_.Path(name);
        WriteFileBytes(path, bytes);
        code = PCX_OK;
        EXPECT_EQ(1022u, KYPCX_EXPORT(GetDCXInfoW)(path.c_str(), &code));
        EXPECT_EQ(PCX_OK, code);
        code = 0;
        EXPECT_EQ(classic, DibBytes(KYPCX_EXPORT(LoadDCXIntoDIBW)(path.c_str(), 1021, &code)));
        EXPECT_EQ(PCX_OK, code);
        code = 0;
        EXPECT_EQ(layout, DibBytes(KYPCX_EXPORT(LoadPCXImageW)(path.c_str(), 1021, 0, &code, nullptr)));
        EXPECT_EQ(PCX_OK, code);
        ULONGLONG start = 0, end = 0;
        code = 0;
        EXPECT_TRUE(KYPCX_EXPORT(DCXItemExtentW)(path.c_str(), 1021, &start, &end, &code));
        EXPECT_EQ(PCX_OK, code);
        EXPECT_EQ(DcxEntry(full, 1022), start);
        EXPECT_EQ(bytes.size(), end);
        code = 0;
        EXPECT_EQ(nullptr, KYPCX_EXPORT(LoadPCXImageW)(path.c_str(), 1022, 0, &code, nullptr));
        EXPECT_EQ(PCX_ERR_NO_ITEM, code) << "still no page behind entry 1022";
        EXPECT_TRUE(DeleteFileW(path.c_str())) << "still open";
    }
}

TEST_F(DcxRead, OffsetsPointingAnywhereGiveACodeOrThePagesOwnPicture) {
    const Bytes good = AssembleDcx(Pages());
    const uint32_t length = static_cast<uint32_t>(good.size());
    // Offsets out of order: the pages' bytes stay where they are, the
    // entries list them as 1, 0, 2, 3, 4. Each still reads as its own page.
    Bytes swapped = good;
    SetDcxEntry(swapped, 1, DcxEntry(good, 2));
    SetDcxEntry(swapped, 2, DcxEntry(good, 1));
    Bytes equal = good;
    SetDcxEntry(equal, 3, DcxEntry(good, 2));
    Bytes pastEnd = good;
    SetDcxEntry(pastEnd, 5, length + 100);  // item 4 starts, item 3 ends, past the file
    Bytes intoDirectory = good;
    SetDcxEntry(intoDirectory, 4, 16);
    Bytes tooShort = good;
    SetDcxEntry(tooShort, 2, DcxEntry(good, 1) + 100);  // item 0 holds 100 bytes
    struct Case {
        const wchar_t* name;
        Bytes bytes;
        UINT index;
        PcxErrorCode code;
        int samePictureAsPage;  // -1: none
    };
    const Case cases[] = {
        {L"out of order, first entry.dcx", swapped, 0, PCX_OK, 1},
        {L"out of order, second entry.dcx", swapped, 1, PCX_OK, 0},
        {L"equal offsets.dcx", equal, 1, PCX_ERR_ITEM_OFFSET, -1},
        {L"equal offsets, the page holding them.dcx", equal, 2, PCX_OK, 1},
        {L"starts past the end.dcx", pastEnd, 4, PCX_ERR_FILE_IO, -1},
        {L"ends past the end.dcx", pastEnd, 3, PCX_ERR_FILE_IO, -1},
        {L"into the directory.dcx", intoDirectory, 3, PCX_ERR_ITEM_OFFSET, -1},
        {L"too short for a header.dcx", tooShort, 0, PCX_ERR_FILE_IO, -1},
    };
    for (const Case& c : cases) {
        const std::wstring path = dir_.Path(c.name);
        WriteFileBytes(path, c.bytes);
        PcxErrorCode code = 0;
        const Bytes dib = DibBytes(KYPCX_EXPORT(LoadDCXIntoDIBW)(path.c_str(), c.index, &code));
        EXPECT_EQ(c.code, code) << kypcx_test::Narrow(c.name);
        EXPECT_EQ(c.code == PCX_OK, !dib.empty()) << kypcx_test::Narrow(c.name);
        if (c.samePictureAsPage >= 0) {
            EXPECT_EQ(DibBytes(KYPCX_EXPORT(LoadPCXIntoDIBW)(Single(c.samePictureAsPage).c_str(), &code)), dib)
                << kypcx_test::Narrow(c.name);
        }
        EXPECT_EQ(c.bytes, kypcx_test::ReadFileBytes(path)) << "reading changed " << kypcx_test::Narrow(c.name);
    }
}

// A page too small to hold a trailer behind its header takes no colours
// from what lies before it, here a 12 in the trailer of the page before.
TEST_F(DcxRead, ASmallPageTakesNoTrailerFromThePageBefore) {
    PcxFixture small;
    small.header.bitsPerPixel = 8;
    small.header.xMax = 15;
    small.header.yMax = 9;
    small.header.bytesPerLine = 16;
    for (int i = 0; i < 160; ++i) small.data.push_back(static_cast<uint8_t>(i));
    PcxFixture before = fixtures::TwoFiftySix();
    Bytes pages0 = before.Bytes();
    const Bytes page1 = small.Bytes();
    // The byte 769 before the small page's end lies in the first page's trailer.
    const size_t markerInFirst = pages0.size() + page1.size() - 769;
    ASSERT_LT(markerInFirst, pages0.size());
    ASSERT_GT(markerInFirst, pages0.size() - 768);
    pages0[markerInFirst] = 0x0C;
    const std::wstring path = dir_.Path(L"small page.dcx");
    WriteFileBytes(path, AssembleDcx({pages0, page1}));

    PcxErrorCode code = 0;
    EXPECT_EQ(nullptr, KYPCX_EXPORT(LoadDCXIntoDIBW)(path.c_str(), 1, &code));
    EXPECT_EQ(PCX_ERR_PALETTE_READ, code);
    code = 0;
    EXPECT_EQ(nullptr, KYPCX_EXPORT(LoadDCXIntoBitmapW)(path.c_str(), 1, &code));
    EXPECT_EQ(PCX_ERR_PALETTE_READ, code);
    // As the same bytes do in a file of their own.
    const std::wstring single = dir_.Path(L"small.pcx");
    WriteFileBytes(single, page1);
    code = 0;
    EXPECT_EQ(nullptr, KYPCX_EXPORT(LoadPCXIntoDIBW)(single.c_str(), &code));
    EXPECT_EQ(PCX_ERR_PALETTE_READ, code);
    // The page before keeps its own trailer.
    code = 0;
    HGLOBAL first = KYPCX_EXPORT(LoadDCXIntoDIBW)(path.c_str(), 0, &code);
    EXPECT_NE(nullptr, first);
    if (first != nullptr) GlobalFree(first);
}

}  // namespace
