// Every file of the shared corpus goes through each decoder: it decodes, or
// it is refused with a code; nothing crashes and nothing is left open.
#include <windows.h>

#include <set>

#include "support/KyPcxTestSupport.h"

namespace {

const std::set<PcxErrorCode> kRefusals = {PCX_ERR_VERSION,       PCX_ERR_ENCODING,    PCX_ERR_CREATE_BITMAP,
                                          PCX_ERR_HARDWARE_DEPENDENT, PCX_ERR_PALETTE_READ, PCX_ERR_ALLOC,
                                          PCX_ERR_FILE_IO};

TEST(CorpusDecode, EveryFileDecodesOrIsRefusedWithACode) {
    const std::wstring corpus = kypcx_test::CorpusDir();
    if (corpus.empty()) GTEST_SKIP() << "shared/corpus is not beside the project; corpus checks skipped";
    const auto files = kypcx_test::FilesUnder(corpus, {L".pcx", L".bin", L".dcx"});
    ASSERT_FALSE(files.empty());
    int decoded = 0;
    for (const std::wstring& path : files) {
        const std::string name = kypcx_test::Narrow(path);
        PcxErrorCode code = 0;
        HGLOBAL dib = KYPCX_EXPORT(LoadPCXIntoDIBW)(path.c_str(), &code);
        if (dib != nullptr) {
            ++decoded;
            EXPECT_EQ(PCX_OK, code) << name;
            GlobalFree(dib);
        } else {
            EXPECT_TRUE(kRefusals.count(code)) << name << " gave code " << code;
        }

        code = 0;
        HBITMAP bitmap = KYPCX_EXPORT(LoadPCXIntoBitmapW)(path.c_str(), &code);
        EXPECT_EQ(dib != nullptr, bitmap != nullptr) << name << ": the two decoders disagree, code " << code;
        if (bitmap != nullptr) DeleteObject(bitmap);
        else EXPECT_TRUE(kRefusals.count(code)) << name << " gave code " << code;

        // The same bytes through the in-memory decoder.
        const std::vector<uint8_t> bytes = kypcx_test::ReadFileBytes(path);
        code = 0;
        bitmap = KYPCX_EXPORT(LoadPCXIntoBitmapFromMemory)(bytes.data(), DWORD(bytes.size()), &code, nullptr);
        if (bitmap != nullptr) DeleteObject(bitmap);
        else EXPECT_TRUE(kRefusals.count(code)) << name << " from memory gave code " << code;
    }
    EXPECT_GT(decoded, 20);
}

}  // namespace
