// The ...A forms convert their path and answer exactly as their ...W twins.
#include <windows.h>

#include <string>

#include "frame/AnsiEntry.h"
#include "support/KyPcxTestSupport.h"

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
