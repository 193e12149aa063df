// The ...A forms convert their path and answer exactly as their ...W twins.
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "frame/AnsiEntry.h"
#include "support/DcxFixtures.h"
#include "support/KyPcxTestSupport.h"
#include "support/PcxFixtures.h"

namespace {

using kypcx_test::HeaderSpec;
using kypcx_test::MakeHeader;

TEST(AnsiForms, EmptyPathAnswersAsTheWideFormDoes) {
    auto infoW = KYPCX_EXPORT(PCXInfoW);
    auto infoA = KYPCX_EXPORT(PCXInfoA);
    PcxHeader header;
    PcxErrorCode codeW = PCX_OK, codeA = PCX_OK;
    const BOOL resultW = infoW(L"", &header, &codeW);
    const BOOL resultA = infoA("", &header, &codeA);
    EXPECT_EQ(FALSE, resultW);
    EXPECT_EQ(resultW, resultA);
    EXPECT_EQ(PCX_ERR_OPEN_FILE, codeW);
    EXPECT_EQ(codeW, codeA);
    EXPECT_EQ(KYPCX_EXPORT(GetPCXColorSpaceW)(L""), KYPCX_EXPORT(GetPCXColorSpaceA)(""));
    EXPECT_EQ(-1, KYPCX_EXPORT(GetPCXColorSpaceA)(""));
}

TEST(AnsiForms, NullPathFailsToOpen) {
    PcxHeader header;
    PcxErrorCode code = PCX_OK;
    EXPECT_FALSE(KYPCX_EXPORT(PCXInfoA)(nullptr, &header, &code));
    EXPECT_EQ(PCX_ERR_OPEN_FILE, code);
    EXPECT_EQ(-1, KYPCX_EXPORT(GetPCXColorSpaceA)(nullptr));
}

TEST(AnsiForms, ConvertedPathReachesTheSameFile) {
    kypcx_test::ScratchDir dir;
    HeaderSpec spec;
    spec.encoding = 13;
    spec.xMax = 3;
    spec.bytesPerLine = 4;
    kypcx_test::WriteFileBytes(dir.Path(L"ansi.pcx"), MakeHeader(spec));
    const std::string pathA = dir.PathA("ansi.pcx");
    EXPECT_EQ(13, KYPCX_EXPORT(GetPCXColorSpaceA)(pathA.c_str()));
    PcxHeader header;
    PcxErrorCode code = PCX_OK;
    EXPECT_FALSE(KYPCX_EXPORT(PCXInfoA)(pathA.c_str(), &header, &code));
    EXPECT_EQ(PCX_ERR_ENCODING, code);
}

// The DCX forms on a two-page file: each A form reaches the page and answers
// as its W form does, through its own 32-bit entry. Items 0 and 1 exist, 2
// does not; every call leaves what it allocates freed.
TEST(AnsiForms, DcxFormsAnswerAsTheirWideTwins) {
    kypcx_test::ScratchDir dir;
    const std::vector<uint8_t> dcx = kypcx_test::AssembleDcx(
        {kypcx_test::fixtures::TwoFiftySix().Bytes(), kypcx_test::fixtures::SixteenColors().Bytes()});
    kypcx_test::WriteFileBytes(dir.Path(L"two.dcx"), dcx);
    const std::wstring pathW = dir.Path(L"two.dcx");
    const std::string pathA = dir.PathA("two.dcx");
    struct Outcome {
        bool succeeded;
        PcxErrorCode code;
        bool operator==(const Outcome& o) const { return succeeded == o.succeeded && code == o.code; }
    };
    struct Row {
        const char* name;
        Outcome (*wide)(LPCWSTR, UINT);
        Outcome (*ansi)(LPCSTR, UINT);
    };
    const Row rows[] = {
        {"LoadDCXIntoBitmap",
         [](LPCWSTR p, UINT i) {
             PcxErrorCode c = -1;
             HBITMAP b = KYPCX_EXPORT(LoadDCXIntoBitmapW)(p, i, &c);
             return Outcome{b != nullptr && DeleteObject(b), c};
         },
         [](LPCSTR p, UINT i) {
             PcxErrorCode c = -1;
             HBITMAP b = KYPCX_EXPORT(LoadDCXIntoBitmapA)(p, i, &c);
             return Outcome{b != nullptr && DeleteObject(b), c};
         }},
        {"LoadDCXItemToBitmap",
         [](LPCWSTR p, UINT i) {
             PcxErrorCode c = -1;
             HBITMAP b = KYPCX_EXPORT(LoadDCXItemToBitmapW)(p, i, &c, nullptr);
             return Outcome{b != nullptr && DeleteObject(b), c};
         },
         [](LPCSTR p, UINT i) {
             PcxErrorCode c = -1;
             HBITMAP b = KYPCX_EXPORT(LoadDCXItemToBitmapA)(p, i, &c, nullptr);
             return Outcome{b != nullptr && DeleteObject(b), c};
         }},
        {"LoadNonRGBDCXIntoDIB",
         [](LPCWSTR p, UINT i) {
             PcxErrorCode c = -1;
             HGLOBAL d = KYPCX_EXPORT(LoadNonRGBDCXIntoDIBW)(p, i, &c);
             return Outcome{d != nullptr && GlobalFree(d) == nullptr, c};
         },
         [](LPCSTR p, UINT i) {
             PcxErrorCode c = -1;
             HGLOBAL d = KYPCX_EXPORT(LoadNonRGBDCXIntoDIBA)(p, i, &c);
             return Outcome{d != nullptr && GlobalFree(d) == nullptr, c};
         }},
        {"ReadDCXItemPalette",
         [](LPCWSTR p, UINT i) {
             PcxErrorCode c = -1;
             PcxHeader h;
             HPALETTE pal = KYPCX_EXPORT(ReadDCXItemPaletteW)(p, i, &h, &c);
             return Outcome{pal != nullptr && DeleteObject(pal), c};
         },
         [](LPCSTR p, UINT i) {
             PcxErrorCode c = -1;
             PcxHeader h;
             HPALETTE pal = KYPCX_EXPORT(ReadDCXItemPaletteA)(p, i, &h, &c);
             return Outcome{pal != nullptr && DeleteObject(pal), c};
         }},
        {"PutDCXItemToClipboard",
         [](LPCWSTR p, UINT i) {
             PcxErrorCode c = -1;
             return Outcome{KYPCX_EXPORT(PutDCXItemToClipboardW)(p, i, &c) == 1, c};
         },
         [](LPCSTR p, UINT i) {
             PcxErrorCode c = -1;
             return Outcome{KYPCX_EXPORT(PutDCXItemToClipboardA)(p, i, &c) == 1, c};
         }},
        {"GetPCXImageInfo",
         [](LPCWSTR p, UINT i) {
             PcxErrorCode c = -1;
             PcxImageInfo info{};
             info.size = sizeof info;
             return Outcome{KYPCX_EXPORT(GetPCXImageInfoW)(p, i, 0, &info, &c) != FALSE, c};
         },
         [](LPCSTR p, UINT i) {
             PcxErrorCode c = -1;
             PcxImageInfo info{};
             info.size = sizeof info;
             return Outcome{KYPCX_EXPORT(GetPCXImageInfoA)(p, i, 0, &info, &c) != FALSE, c};
         }},
    };
    for (const Row& row : rows) {
        for (UINT page = 0; page <= 2; ++page) {
            const Outcome wide = row.wide(pathW.c_str(), page);
            const Outcome ansi = row.ansi(pathA.c_str(), page);
            EXPECT_EQ(page <= 1, wide.succeeded) << row.name << "W, page " << page << ", code " << wide.code;
            EXPECT_TRUE(wide == ansi) << row.name << "A, page " << page << ": " << ansi.succeeded << "/" << ansi.code
                                      << ", W form " << wide.succeeded << "/" << wide.code;
        }
    }
    EXPECT_EQ(dcx, kypcx_test::ReadFileBytes(pathW)) << "only readers ran";

    // The clipboard's bitmap (item 1's, put there each time) added by either form.
    for (const bool ansi : {false, true}) {
        PcxErrorCode code = -1;
        ASSERT_EQ(1, KYPCX_EXPORT(PutDCXItemToClipboardW)(pathW.c_str(), 1, &code));
        const BOOL added = ansi ? KYPCX_EXPORT(AddClipboardToDCXFileA)(pathA.c_str(), &code)
                                : KYPCX_EXPORT(AddClipboardToDCXFileW)(pathW.c_str(), &code);
        EXPECT_TRUE(added) << (ansi ? "A" : "W") << " form, code " << code;
    }
    // The same bitmap gave the same page both times.
    const std::vector<uint8_t> after = kypcx_test::ReadFileBytes(pathW);
    const uint32_t third = kypcx_test::DcxEntry(after, 3), fourth = kypcx_test::DcxEntry(after, 4);
    ASSERT_TRUE(third == dcx.size() && fourth > third && fourth < after.size() && kypcx_test::DcxEntry(after, 5) == 0)
        << "two pages added behind the two there";
    EXPECT_TRUE(std::equal(after.begin() + third, after.begin() + fourth, after.begin() + fourth, after.end()));
}

}  // namespace

// The conversion every A form uses, on a W form of its own: paths in any
// position, two of them, and null paths, each arriving as the W form expects.
namespace ansi_entry {

std::wstring g_first, g_second;
bool g_secondNull = false;
int WINAPI TwoPathsW(int before, LPCWSTR first, HBITMAP between, LPCWSTR second, PcxErrorCode* after) {
    g_first = first != nullptr ? first : L"(null)";
    g_secondNull = second == nullptr;
    g_second = second != nullptr ? second : L"";
    *after = before + static_cast<int>(reinterpret_cast<INT_PTR>(between));
    return 7;
}

TEST(AnsiEntry, ConvertsEveryPathWhereverItStands) {
    PcxErrorCode code = 0;
    EXPECT_EQ(7, CallWithWidePath(TwoPathsW, 3, static_cast<LPCSTR>("C:\\a.pcx"), reinterpret_cast<HBITMAP>(4),
                                  static_cast<LPCSTR>("b c.dcx"), &code));
    EXPECT_EQ(L"C:\\a.pcx", g_first);
    EXPECT_EQ(L"b c.dcx", g_second);
    EXPECT_EQ(7, code) << "the other arguments pass unchanged";
    EXPECT_EQ(7, CallWithWidePath(TwoPathsW, 0, static_cast<LPCSTR>(""), static_cast<HBITMAP>(nullptr),
                                  static_cast<LPCSTR>(nullptr), &code));
    EXPECT_EQ(L"", g_first);
    EXPECT_TRUE(g_secondNull);
}

}  // namespace ansi_entry
