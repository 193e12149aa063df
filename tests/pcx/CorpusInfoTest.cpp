// Every real PCX file of the shared corpus goes through PCXInfoW and
// GetPCXColorSpaceW without a crash, answering TRUE or a code.
#include <windows.h>

#include <set>

#include "support/KyPcxTestSupport.h"

namespace {

TEST(CorpusInfo, EveryFileIsInspectedOrRefusedWithACode) {
    const std::wstring corpus = kypcx_test::CorpusDir();
    if (corpus.empty()) GTEST_SKIP() << "shared/corpus is not beside the project; corpus checks skipped";
    const auto files = kypcx_test::FilesUnder(corpus, {L".pcx", L".bin", L".dcx"});
    ASSERT_FALSE(files.empty());
    const std::set<PcxErrorCode> allowed = {PCX_ERR_VERSION, PCX_ERR_ENCODING, PCX_ERR_HARDWARE_DEPENDENT,
                                            PCX_ERR_FILE_IO, PCX_ERR_OPEN_FILE};
    int accepted = 0;
    for (const std::wstring& path : files) {
        // The corpus may be read-only; inspect a writable copy, as the
        // library opens files for writing too.
        kypcx_test::ScratchDir dir;
        const std::wstring copy = dir.Path(L"copy.pcx");
        kypcx_test::WriteFileBytes(copy, kypcx_test::ReadFileBytes(path));
        PcxHeader header;
        PcxErrorCode code = PCX_OK;
        const BOOL ok = KYPCX_EXPORT(PCXInfoW)(copy.c_str(), &header, &code);
        if (ok) {
            ++accepted;
            EXPECT_EQ(PCX_OK, code) << kypcx_test::Narrow(path);
        } else {
            EXPECT_TRUE(allowed.count(code)) << kypcx_test::Narrow(path) << " gave code " << code;
        }
        const LONG space = KYPCX_EXPORT(GetPCXColorSpaceW)(copy.c_str());
        EXPECT_TRUE(space >= -1 && space <= 255) << kypcx_test::Narrow(path);
    }
    EXPECT_GT(accepted, 20);
}

}  // namespace
