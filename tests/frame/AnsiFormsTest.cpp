// The ...A forms convert their path and answer exactly as their ...W twins.
#include <windows.h>

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
