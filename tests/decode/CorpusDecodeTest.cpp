// Every file of the shared corpus goes through each decoder: it decodes, or
// it is refused with a code; nothing crashes and nothing is left open. The
// multi-page DCX files of other writers decode page by page with the same
// pixels as the single-page PCX files they were made from.
#include <windows.h>

#include <set>

#include "support/DibView.h"
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

const std::set<PcxErrorCode> kDcxRefusals = {PCX_ERR_NO_ITEM, PCX_ERR_DCX_ID, PCX_ERR_ITEM_OFFSET};

TEST(CorpusDecode, EveryDcxPageDecodesOrIsRefusedWithACode) {
    const std::wstring corpus = kypcx_test::CorpusDir();
    if (corpus.empty()) GTEST_SKIP() << "shared/corpus is not beside the project; corpus checks skipped";
    int pages = 0;
    for (const std::wstring& path : kypcx_test::FilesUnder(corpus, {L".dcx", L".pcx"})) {
        const std::string name = kypcx_test::Narrow(path);
        PcxErrorCode code = PCX_OK;
        const UINT count = KYPCX_EXPORT(GetDCXInfoW)(path.c_str(), &code);
        const bool dcx = name.size() > 4 && (name.substr(name.size() - 4) == ".dcx");
        EXPECT_EQ(dcx ? PCX_OK : PCX_ERR_DCX_ID, code) << name;
        for (UINT i = 0; i < count; ++i) {
            code = 0;
            HGLOBAL dib = KYPCX_EXPORT(LoadDCXIntoDIBW)(path.c_str(), i, &code);
            if (dib != nullptr) {
                ++pages;
                GlobalFree(dib);
            } else {
                EXPECT_TRUE(kRefusals.count(code) || kDcxRefusals.count(code)) << name << " page " << i << ": " << code;
            }
            code = 0;
            HBITMAP bitmap = KYPCX_EXPORT(LoadDCXIntoBitmapW)(path.c_str(), i, &code);
            EXPECT_EQ(dib != nullptr, bitmap != nullptr) << name << " page " << i << ", code " << code;
            if (bitmap != nullptr) DeleteObject(bitmap);
        }
    }
    EXPECT_GE(pages, 14) << "the corpus holds 14 DCX pages";
}

// Whether two DIBs show the same picture. For 1-bit images, whose two
// colours readers choose by different rules, only the pattern is compared.
::testing::AssertionResult SamePixels(HGLOBAL a, HGLOBAL b) {
    kypcx_test::DibView x(a), y(b);
    if (!x.valid() || !y.valid()) return ::testing::AssertionFailure() << "not decoded";
    const LONG width = x.header().biWidth, height = x.header().biHeight;
    if (width != y.header().biWidth || height != y.header().biHeight) {
        return ::testing::AssertionFailure() << width << "x" << height << " against " << y.header().biWidth << "x"
                                             << y.header().biHeight;
    }
    const bool pattern = x.header().biBitCount == 1 || y.header().biBitCount == 1;
    for (LONG row = 0; row < height; ++row) {
        for (LONG col = 0; col < width; ++col) {
            const bool same = pattern ? (x.Pixel(col, row) == x.Pixel(0, 0)) == (y.Pixel(col, row) == y.Pixel(0, 0))
                                      : x.Pixel(col, row) == y.Pixel(col, row);
            if (!same) return ::testing::AssertionFailure() << "pixel (" << col << ", " << row << ") differs";
        }
    }
    return ::testing::AssertionSuccess();
}

TEST(CorpusDecode, DcxPagesOfOtherWritersMatchTheirPcxFiles) {
    const std::wstring corpus = kypcx_test::CorpusDir();
    if (corpus.empty()) GTEST_SKIP() << "shared/corpus is not beside the project; corpus checks skipped";
    struct Counterpart {
        const wchar_t* dcx;
        UINT page;
        const wchar_t* pcx;
    };
    // Files another program packed into DCX files (some pages re-encoded,
    // with other line lengths), and the PCX files they came from.
    const Counterpart cases[] = {
        {L"imagemagick\\input.dcx", 0, L"imagemagick\\input.pcx"},
        {L"imagemagick-written\\multipage_3_mixed.dcx", 0, L"twelvemonkeys\\CGA_BW.PCX"},
        {L"imagemagick-written\\multipage_3_mixed.dcx", 1, L"allegro5\\planet.pcx"},
        {L"imagemagick-written\\multipage_3_mixed.dcx", 2, L"sdl_image\\sample.pcx"},
        {L"imagemagick-written\\multipage_2_bilevel.dcx", 0, L"twelvemonkeys\\no-palette-monochrome.pcx"},
        {L"imagemagick-written\\multipage_2_bilevel.dcx", 1, L"commons-imaging\\1plane1bppCompressed.pcx"},
        {L"imagemagick-written\\multipage_5_tiny.dcx", 0, L"commons-imaging\\1plane1bppCompressed.pcx"},
        {L"imagemagick-written\\multipage_5_tiny.dcx", 3, L"commons-imaging\\1plane8bppCompressed.pcx"},
        {L"imagemagick-written\\multipage_5_tiny.dcx", 4, L"commons-imaging\\3plane8bppCompressed.pcx"},
        {L"imagemagick-written\\multipage_2_large.dcx", 0, L"image-rs\\24bit.pcx"},
        {L"imagemagick-written\\multipage_2_large.dcx", 1, L"image-rs\\256-palette.pcx"},
    };
    for (const Counterpart& c : cases) {
        const std::wstring dcx = corpus + L"\\" + c.dcx, pcx = corpus + L"\\" + c.pcx;
        const std::string name = kypcx_test::Narrow(c.dcx) + " page " + std::to_string(c.page);
        PcxErrorCode code = 0, pcxCode = 0;
        HGLOBAL page = KYPCX_EXPORT(LoadDCXIntoDIBW)(dcx.c_str(), c.page, &code);
        HGLOBAL file = KYPCX_EXPORT(LoadPCXIntoDIBW)(pcx.c_str(), &pcxCode);
        EXPECT_EQ(PCX_OK, code) << name;
        EXPECT_EQ(PCX_OK, pcxCode) << kypcx_test::Narrow(c.pcx);
        EXPECT_TRUE(SamePixels(page, file)) << name << " against " << kypcx_test::Narrow(c.pcx);
        if (page != nullptr) GlobalFree(page);
        if (file != nullptr) GlobalFree(file);
    }
}

}  // namespace
