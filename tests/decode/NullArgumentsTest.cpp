// Exports given a null error address or a null header answer without a
// crash: the result still says what happened.
#include <windows.h>

#include "support/KyPcxTestSupport.h"
#include "support/PcxFixtures.h"

namespace {

using namespace kypcx_test::fixtures;

TEST(NullArguments, DecodersWorkWithoutAnErrorAddress) {
    kypcx_test::ScratchDir dir;
    const std::wstring good = dir.Path(L"good.pcx");
    const std::wstring missing = dir.Path(L"missing.pcx");
    const std::vector<uint8_t> bytes = TwoFiftySix().Bytes();
    kypcx_test::WriteFileBytes(good, bytes);

    HGLOBAL dib = KYPCX_EXPORT(LoadPCXIntoDIBW)(good.c_str(), nullptr);
    EXPECT_NE(nullptr, dib);
    GlobalFree(dib);
    EXPECT_EQ(nullptr, KYPCX_EXPORT(LoadPCXIntoDIBW)(missing.c_str(), nullptr));
    EXPECT_EQ(nullptr, KYPCX_EXPORT(LoadNonRGBPCXIntoDIBW)(missing.c_str(), nullptr));
    HBITMAP bitmap = KYPCX_EXPORT(LoadPCXIntoBitmapW)(good.c_str(), nullptr);
    EXPECT_NE(nullptr, bitmap);
    DeleteObject(bitmap);
    EXPECT_EQ(nullptr, KYPCX_EXPORT(LoadPCXIntoBitmapW)(missing.c_str(), nullptr));
    EXPECT_EQ(0, KYPCX_EXPORT(PutPCXToClipboardW)(missing.c_str(), nullptr));
    bitmap = KYPCX_EXPORT(LoadPCXIntoBitmapFromMemory)(bytes.data(), DWORD(bytes.size()), nullptr, nullptr);
    EXPECT_NE(nullptr, bitmap);
    DeleteObject(bitmap);

    PcxHeader header;
    EXPECT_TRUE(KYPCX_EXPORT(PCXInfoW)(good.c_str(), &header, nullptr));
    EXPECT_FALSE(KYPCX_EXPORT(PCXInfoW)(missing.c_str(), &header, nullptr));
    EXPECT_EQ(nullptr, KYPCX_EXPORT(ReadPCXPalette)(dir.PathA("missing.pcx").c_str(), &header, nullptr));
}

TEST(NullArguments, NoHeaderToFillOrReadFrom) {
    kypcx_test::ScratchDir dir;
    const std::wstring good = dir.Path(L"good.pcx");
    kypcx_test::WriteFileBytes(good, TrueColor().Bytes());
    PcxErrorCode code = PCX_OK;
    EXPECT_FALSE(KYPCX_EXPORT(PCXInfoW)(good.c_str(), nullptr, &code));
    EXPECT_EQ(PCX_ERR_FILE_IO, code);
    code = PCX_OK;
    EXPECT_EQ(nullptr, KYPCX_EXPORT(ReadPCXPalette)(dir.PathA("good.pcx").c_str(), nullptr, &code));
    EXPECT_EQ(PCX_ERR_VERSION, code);
}

}  // namespace
