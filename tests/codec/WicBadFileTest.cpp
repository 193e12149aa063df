// Hostile and cut files through the codec: the bad-file table, every cut of
// small files of several layouts, and the shared corpus (the fuzz files
// among them). Each file, as a PCX file and as the page of a DCX file, is
// decoded by the codec exactly where KyPCX.dll's layout reader decodes it, to
// the same pixels, and refused with a failing HRESULT where the reader
// refuses it; nothing crashes or reads outside the stream.
#include <windows.h>

#include <string>
#include <vector>

#include "KyPCX.h"
#include "KyPCXCodec.h"
#include "codec/WicClient.h"
#include "support/BadFileTable.h"
#include "support/DcxFixtures.h"
#include "support/KyPcxTestSupport.h"
#include "support/LayoutFixtures.h"
#include "support/PcxFixtures.h"

namespace {

using kypcx_test::ComRef;
using kypcx_test::FrameImage;
using kypcx_test::ScratchDir;
using Bytes = std::vector<uint8_t>;

// The codec's frame `index` of `bytes` opened with the decoder of
// `container`: hr is the first failure (Initialize, GetFrame or a read).
FrameImage CodecFrame(const GUID& container, Bytes bytes, UINT index) {
    ComRef<IWICBitmapDecoder> decoder;
    const HRESULT hr = kypcx_test::OpenWith(container, bytes, &decoder);
    if (FAILED(hr)) {
        FrameImage failed;
        failed.hr = hr;
        return failed;
    }
    return kypcx_test::ReadFrame(decoder.get(), index);
}

// The codec and LoadPCXImageW on one file or page: both refuse it, or both
// decode it to the same image.
void ExpectCodecAsExport(const FrameImage& codec, const std::wstring& path, UINT item, const std::string& what) {
    PcxErrorCode code = 0;
    HGLOBAL dib = KYPCX_EXPORT(LoadPCXImageW)(path.c_str(), item, 0, &code, nullptr);
    if (dib == nullptr) {
        EXPECT_TRUE(FAILED(codec.hr)) << what << ": the export refuses it with code " << code;
        return;
    }
    kypcx_test::ExpectFrameMatchesDib(codec, dib, what);
    GlobalFree(dib);
}

// `bytes` as a PCX file and as the one page of a DCX file.
void ExpectFileAsExport(ScratchDir& dir, const Bytes& bytes, const std::string& what) {
    const std::wstring pcx = dir.Path(L"bad.pcx");
    kypcx_test::WriteFileBytes(pcx, bytes);
    ExpectCodecAsExport(CodecFrame(GUID_KyPcxContainerFormatPcx, bytes, 0), pcx, KYPCX_WHOLE_FILE, what + " (PCX)");
    const Bytes page = kypcx_test::AssembleDcx({bytes});
    const std::wstring dcx = dir.Path(L"bad.dcx");
    kypcx_test::WriteFileBytes(dcx, page);
    ExpectCodecAsExport(CodecFrame(GUID_KyPcxContainerFormatDcx, page, 0), dcx, 0, what + " (DCX page)");
}

class WicBadFile : public ::testing::TestWithParam<kypcx_test::BadFile> {};

TEST_P(WicBadFile, RefusedOrDecodedAsTheExportDoesIt) {
    ScratchDir dir;
    ExpectFileAsExport(dir, GetParam().bytes, GetParam().name);
}

INSTANTIATE_TEST_SUITE_P(Table, WicBadFile, ::testing::ValuesIn(kypcx_test::BadFiles()),
                         [](const ::testing::TestParamInfo<kypcx_test::BadFile>& info) {
                             return std::string(info.param.name);
                         });

// Every length a file can be cut to: the rows the bytes hold and zeros below
// them, a trailer or a header that cannot be read refused.
TEST(WicBadFile, EveryCutOfSmallFiles) {
    ScratchDir dir;
    const struct {
        const char* name;
        Bytes bytes;
    } files[] = {
        {"1 bit", kypcx_test::fixtures::MonoGreys().Bytes()},
        {"256 colours", kypcx_test::fixtures::TwoFiftySix().Bytes()},
        {"24 bits", kypcx_test::fixtures::TrueColor().Bytes()},
        {"32 bits stored", kypcx_test::LayoutFile(kypcx_test::MakeLayoutImage(4, 8, 6, 3), true)},
        {"4 colours", kypcx_test::LayoutFile(kypcx_test::MakeLayoutImage(1, 2, 9, 4), false)},
    };
    for (const auto& file : files) {
        for (size_t length = 0; length <= file.bytes.size(); ++length) {
            const Bytes cut(file.bytes.begin(), file.bytes.begin() + length);
            ExpectFileAsExport(dir, cut, std::string(file.name) + " cut to " + std::to_string(length));
            if (HasFatalFailure()) return;
        }
    }
}

// Every file of the shared corpus: PCX files whole, DCX files page by page
// (as many frames as the export finds pages).
TEST(WicBadFile, SharedCorpus) {
    const std::wstring corpus = kypcx_test::CorpusDir();
    if (corpus.empty()) GTEST_SKIP() << "no shared corpus beside the project";
    const std::vector<std::wstring> paths = kypcx_test::FilesUnder(corpus, {L".pcx", L".dcx", L".bin"});
    ASSERT_FALSE(paths.empty());
    for (const std::wstring& path : paths) {
        const std::string name = kypcx_test::Narrow(path);
        const Bytes bytes = kypcx_test::ReadFileBytes(path);
        const bool dcx = bytes.size() >= 4 && kypcx_test::GetWord(bytes, 0) == kypcx_test::kDcxMagic;
        if (!dcx) {
            ExpectCodecAsExport(CodecFrame(GUID_KyPcxContainerFormatPcx, bytes, 0), path, KYPCX_WHOLE_FILE, name);
            continue;
        }
        Bytes copy = bytes;
        ComRef<IWICBitmapDecoder> decoder;
        UINT frames = 0;
        if (SUCCEEDED(kypcx_test::OpenWith(GUID_KyPcxContainerFormatDcx, copy, &decoder))) {
            EXPECT_EQ(S_OK, decoder->GetFrameCount(&frames)) << name;
        }
        for (UINT i = 0; i < frames; ++i)
            ExpectCodecAsExport(kypcx_test::ReadFrame(decoder.get(), i), path, i, name + " page " + std::to_string(i));
        PcxErrorCode code = 0;
        HGLOBAL behind = KYPCX_EXPORT(LoadPCXImageW)(path.c_str(), frames, 0, &code, nullptr);
        EXPECT_EQ(nullptr, behind) << name << ": the export finds a page behind the frames";
        if (behind != nullptr) GlobalFree(behind);
    }
}

}  // namespace
