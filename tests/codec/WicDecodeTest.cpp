// PCX files of every layout and a DCX file of many pages, opened as any
// imaging-component client opens them: by file name and by stream through the
// factory, which finds the registered decoders by the files' first bytes.
// Every frame holds the pixels, colours and resolution KyPCX.dll's layout
// reader gives for the same file or page; the decoders describe themselves
// as their registration says and answer for what they do not have as codecs
// without those features do.
#include <windows.h>

#include <string>
#include <vector>

#include "KyPCX.h"
#include "KyPCXCodec.h"
#include "codec/WicClient.h"
#include "support/DcxFixtures.h"
#include "support/KyPcxTestSupport.h"
#include "support/LayoutFixtures.h"
#include "support/PcxFixtures.h"

namespace {

using kypcx_test::ComRef;
using kypcx_test::FrameImage;
using kypcx_test::LayoutCase;
using kypcx_test::ScratchDir;
using Bytes = std::vector<uint8_t>;

// Odd sizes, so that 1- and 4-bit rows end inside a byte and DIB rows are
// padded.
constexpr int kWidth = 37;
constexpr int kHeight = 11;

const GUID& PixelFormatFor(WORD dibBits) {
    switch (dibBits) {
    case 1: return GUID_WICPixelFormat1bppIndexed;
    case 4: return GUID_WICPixelFormat4bppIndexed;
    case 8: return GUID_WICPixelFormat8bppIndexed;
    case 24: return GUID_WICPixelFormat24bppBGR;
    default: return GUID_WICPixelFormat32bppBGRA;
    }
}

// LoadPCXImageW of a file or page: the DIB, or null and a failure.
HGLOBAL ExportDib(const std::wstring& path, UINT item) {
    PcxErrorCode code = 0;
    HGLOBAL dib = KYPCX_EXPORT(LoadPCXImageW)(path.c_str(), item, 0, &code, nullptr);
    EXPECT_EQ(PCX_OK, code) << "LoadPCXImageW, item " << item;
    return dib;
}

class WicLayouts : public ::testing::TestWithParam<LayoutCase> {
protected:
    ScratchDir dir_;
};

TEST_P(WicLayouts, FileAndStreamGiveTheExportsImage) {
    const LayoutCase& c = GetParam();
    const kypcx_test::LayoutImage m = kypcx_test::MakeLayoutImage(c.planes, c.bits, kWidth, kHeight);
    for (bool stored : {false, true}) {
        SCOPED_TRACE(stored ? "stored lines" : "run-length coded");
        Bytes file = kypcx_test::LayoutFile(m, stored);
        const std::wstring path = dir_.Path(L"layout.pcx");
        kypcx_test::WriteFileBytes(path, file);
        HGLOBAL dib = ExportDib(path, KYPCX_WHOLE_FILE);
        ASSERT_NE(nullptr, dib);
        {
            ComRef<IWICBitmapDecoder> decoder;
            ASSERT_EQ(S_OK, kypcx_test::OpenFile(path, &decoder));
            GUID container = {};
            EXPECT_EQ(S_OK, decoder->GetContainerFormat(&container));
            EXPECT_TRUE(IsEqualGUID(GUID_KyPcxContainerFormatPcx, container));
            UINT frames = 0;
            EXPECT_EQ(S_OK, decoder->GetFrameCount(&frames));
            EXPECT_EQ(1u, frames);
            const FrameImage image = kypcx_test::ReadFrame(decoder.get(), 0);
            EXPECT_TRUE(IsEqualGUID(PixelFormatFor(c.dibBits), image.format));
            EXPECT_EQ(150.0, image.dpiX);
            EXPECT_EQ(75.0, image.dpiY);
            kypcx_test::ExpectFrameMatchesDib(image, dib, "by file name");
        }
        // Released, the decoder holds the file no more.
        EXPECT_TRUE(DeleteFileW(path.c_str()));

        ComRef<IWICBitmapDecoder> decoder;
        ASSERT_EQ(S_OK, kypcx_test::OpenBytes(file, &decoder));
        kypcx_test::ExpectFrameMatchesDib(kypcx_test::ReadFrame(decoder.get(), 0), dib, "by stream");
        GlobalFree(dib);
    }
}

INSTANTIATE_TEST_SUITE_P(Table, WicLayouts, ::testing::ValuesIn(kypcx_test::kLayoutCases),
                         [](const ::testing::TestParamInfo<LayoutCase>& info) { return std::string(info.param.name); });

// The factory picks the PCX decoder by a file's first bytes: the maker byte
// 0x0A, a version the readers take and encoding 0 or 1. Other first bytes
// are no PCX file to it (nothing else in the system reads PCX files).
TEST(WicLayouts, TheFactoryKnowsAPcxFileByItsFirstBytes) {
    const Bytes file = kypcx_test::LayoutFile(kypcx_test::MakeLayoutImage(1, 8), false);
    const struct {
        uint8_t maker, version, encoding;
        HRESULT expected;
    } cases[] = {
        {0x0A, 0, 1, S_OK}, {0x0A, 2, 1, S_OK}, {0x0A, 3, 1, S_OK}, {0x0A, 4, 1, S_OK}, {0x0A, 5, 1, S_OK},
        {0x0A, 5, 0, S_OK}, {0x0A, 1, 1, WINCODEC_ERR_COMPONENTNOTFOUND}, {0x0A, 6, 1, WINCODEC_ERR_COMPONENTNOTFOUND},
        {0x0A, 5, 2, WINCODEC_ERR_COMPONENTNOTFOUND}, {0x0B, 5, 1, WINCODEC_ERR_COMPONENTNOTFOUND},
    };
    for (const auto& c : cases) {
        Bytes bytes = file;
        bytes[0] = c.maker;
        bytes[1] = c.version;
        bytes[2] = c.encoding;
        ComRef<IWICBitmapDecoder> decoder;
        EXPECT_EQ(c.expected, kypcx_test::OpenBytes(bytes, &decoder))
            << int(c.maker) << " " << int(c.version) << " " << int(c.encoding);
    }
}

// QueryCapability answers for the whole header, not the first bytes the
// patterns match: what no reader could open is no image of the format.
TEST(WicDecoder, QueryCapabilityJudgesTheWholeHeader) {
    const Bytes pcx = kypcx_test::LayoutFile(kypcx_test::MakeLayoutImage(1, 8), false);
    const Bytes text = {'\n', 'n', 'o', 't', ' ', 'a', ' ', 'p', 'i', 'c', 't', 'u', 'r', 'e', '\n'};
    Bytes textLikeHeader(200, ' ');
    textLikeHeader[0] = '\n';
    textLikeHeader[1] = 5;
    textLikeHeader[2] = 1;
    Bytes fivePlanes = pcx;
    fivePlanes[65] = 5;
    Bytes noWidth = pcx;
    noWidth[4] = 40;  // xMin past xMax
    const Bytes tooShortForBpl = [&] {
        Bytes b = pcx;
        b[66] = 1;  // bytes per line fewer than the width needs
        b[67] = 0;
        return b;
    }();
    const DWORD all = WICBitmapDecoderCapabilityCanDecodeAllImages | WICBitmapDecoderCapabilityCanDecodeSomeImages;
    const Bytes dcx = kypcx_test::AssembleDcx({pcx, pcx});
    Bytes dcxBadPage = kypcx_test::AssembleDcx({pcx, fivePlanes});
    const struct {
        const char* name;
        const GUID* container;
        Bytes bytes;
        DWORD expected;
    } cases[] = {
        {"a PCX file", &GUID_KyPcxContainerFormatPcx, pcx, all},
        {"text beginning with a newline", &GUID_KyPcxContainerFormatPcx, text, 0},
        {"text after a PCX-like start", &GUID_KyPcxContainerFormatPcx, textLikeHeader, 0},
        {"an empty stream", &GUID_KyPcxContainerFormatPcx, Bytes{}, 0},
        {"the first 3 bytes", &GUID_KyPcxContainerFormatPcx, Bytes(pcx.begin(), pcx.begin() + 3), 0},
        {"a header cut at 127 bytes", &GUID_KyPcxContainerFormatPcx, Bytes(pcx.begin(), pcx.begin() + 127), 0},
        {"5 planes", &GUID_KyPcxContainerFormatPcx, fivePlanes, 0},
        {"no width", &GUID_KyPcxContainerFormatPcx, noWidth, 0},
        {"bytes per line too few", &GUID_KyPcxContainerFormatPcx, tooShortForBpl, 0},
        {"a DCX file", &GUID_KyPcxContainerFormatDcx, dcx, all},
        {"a DCX file with one bad page", &GUID_KyPcxContainerFormatDcx, dcxBadPage,
         DWORD{WICBitmapDecoderCapabilityCanDecodeSomeImages}},
        {"a DCX directory cut short", &GUID_KyPcxContainerFormatDcx, Bytes(dcx.begin(), dcx.begin() + 100), 0},
        {"a DCX magic alone", &GUID_KyPcxContainerFormatDcx, Bytes(dcx.begin(), dcx.begin() + 4), 0},
        {"a PCX file to the DCX decoder", &GUID_KyPcxContainerFormatDcx, pcx, 0},
        {"a DCX file to the PCX decoder", &GUID_KyPcxContainerFormatPcx, dcx, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ComRef<IWICBitmapDecoder> decoder;
        ASSERT_EQ(S_OK, kypcx_test::Factory()->CreateDecoder(*c.container, nullptr, decoder.put()));
        Bytes bytes = c.bytes;
        ComRef<IWICStream> stream = kypcx_test::MemoryStream(bytes);
        ASSERT_NE(nullptr, stream.get());
        DWORD capability = 0xFFFF;
        EXPECT_EQ(S_OK, decoder->QueryCapability(stream.get(), &capability));
        EXPECT_EQ(c.expected, capability);
    }
}

// One page of each layout, and a stored one, in one DCX file.
Bytes ManyPageDcx() {
    std::vector<Bytes> pages;
    for (const LayoutCase& c : kypcx_test::kLayoutCases)
        pages.push_back(kypcx_test::LayoutFile(kypcx_test::MakeLayoutImage(c.planes, c.bits, kWidth, kHeight), false));
    pages.push_back(kypcx_test::LayoutFile(kypcx_test::MakeLayoutImage(4, 8, 5, 3), true));
    return kypcx_test::AssembleDcx(pages);
}

TEST(WicDcx, EveryPageIsAFrameByFileNameAndByStream) {
    ScratchDir dir;
    Bytes dcx = ManyPageDcx();
    const std::wstring path = dir.Path(L"pages.dcx");
    kypcx_test::WriteFileBytes(path, dcx);
    const UINT pages = UINT(std::size(kypcx_test::kLayoutCases)) + 1;
    // The export's pages first: it opens the file for itself alone.
    std::vector<HGLOBAL> dibs;
    for (UINT i = 0; i < pages; ++i) {
        dibs.push_back(ExportDib(path, i));
        ASSERT_NE(nullptr, dibs.back()) << "page " << i;
    }

    for (bool byName : {true, false}) {
        SCOPED_TRACE(byName ? "by file name" : "by stream");
        ComRef<IWICBitmapDecoder> decoder;
        ASSERT_EQ(S_OK, byName ? kypcx_test::OpenFile(path, &decoder) : kypcx_test::OpenBytes(dcx, &decoder));
        GUID container = {};
        EXPECT_EQ(S_OK, decoder->GetContainerFormat(&container));
        EXPECT_TRUE(IsEqualGUID(GUID_KyPcxContainerFormatDcx, container));
        UINT frames = 0;
        ASSERT_EQ(S_OK, decoder->GetFrameCount(&frames));
        ASSERT_EQ(pages, frames);

        // Every frame made first and read afterwards from the last to the
        // first: frames share the stream, each reads its own page.
        std::vector<ComRef<IWICBitmapFrameDecode>> held(frames);
        for (UINT i = 0; i < frames; ++i) ASSERT_EQ(S_OK, decoder->GetFrame(i, held[i].put()));
        for (UINT i = frames; i-- > 0;)
            kypcx_test::ExpectFrameMatchesDib(kypcx_test::ReadFrame(held[i].get()), dibs[i], "page " + std::to_string(i));
        ComRef<IWICBitmapFrameDecode> none;
        EXPECT_EQ(E_INVALIDARG, decoder->GetFrame(frames, none.put()));
    }
    for (HGLOBAL dib : dibs) GlobalFree(dib);
}

// All 1022 entries in use: 1022 frames, the last one the page in entry 1022,
// which ends at the file's length (its colours are the file's last 769
// bytes) and holds what LoadPCXImageW gives for it; every frame decodes.
TEST(WicDcx, TheLastFrameOfAFullTable) {
    ScratchDir dir;
    Bytes dcx = kypcx_test::AssembleDcx(kypcx_test::FullTablePages());
    const std::wstring path = dir.Path(L"full.dcx");
    kypcx_test::WriteFileBytes(path, dcx);
    HGLOBAL dib = ExportDib(path, 1021);
    ASSERT_NE(nullptr, dib);
    for (bool byName : {true, false}) {
        SCOPED_TRACE(byName ? "by file name" : "by stream");
        ComRef<IWICBitmapDecoder> decoder;
        ASSERT_EQ(S_OK, byName ? kypcx_test::OpenFile(path, &decoder) : kypcx_test::OpenBytes(dcx, &decoder));
        UINT frames = 0;
        ASSERT_EQ(S_OK, decoder->GetFrameCount(&frames));
        EXPECT_EQ(1022u, frames);
        kypcx_test::ExpectFrameMatchesDib(kypcx_test::ReadFrame(decoder.get(), 1021), dib, "frame 1021");
        ComRef<IWICBitmapFrameDecode> none;
        EXPECT_EQ(E_INVALIDARG, decoder->GetFrame(1022, none.put()));
    }
    GlobalFree(dib);
    ComRef<IWICBitmapDecoder> fresh;
    ASSERT_EQ(S_OK, kypcx_test::Factory()->CreateDecoder(GUID_KyPcxContainerFormatDcx, nullptr, fresh.put()));
    ComRef<IWICStream> stream = kypcx_test::MemoryStream(dcx);
    DWORD capability = 0;
    EXPECT_EQ(S_OK, fresh->QueryCapability(stream.get(), &capability));
    EXPECT_EQ(DWORD(WICBitmapDecoderCapabilityCanDecodeAllImages | WICBitmapDecoderCapabilityCanDecodeSomeImages),
              capability);
}

// A frame read a row at a time on a thread of its own.
struct BandReader {
    IWICBitmapFrameDecode* frame = nullptr;
    std::vector<uint8_t> rows;
    HRESULT hr = S_OK;
};

DWORD WINAPI ReadInBands(void* param) {
    auto* r = static_cast<BandReader*>(param);
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    UINT width = 0, height = 0;
    r->frame->GetSize(&width, &height);
    WICPixelFormatGUID format;
    r->frame->GetPixelFormat(&format);
    const UINT stride = width * kypcx_test::BitsPerPixel(format) / 8;
    r->rows.assign(size_t(stride) * height, 0);
    for (UINT y = 0; y < height && SUCCEEDED(r->hr); ++y) {
        const WICRect band = {0, INT(y), INT(width), 1};
        r->hr = r->frame->CopyPixels(&band, stride, stride, r->rows.data() + size_t(y) * stride);
        Sleep(0);
    }
    CoUninitialize();
    return 0;
}

// Two frames of one decoder read in turns, a row at a time, from two
// threads: each keeps its own place in its own page of the shared stream.
TEST(WicDcx, FramesReadInTurnsFromTwoThreads) {
    KYPCX_SKIP_UNDER_I386_EMULATION();
    Bytes dcx = ManyPageDcx();
    const UINT pageOf[2] = {7, 9};  // 24-bit and 32-bit pages
    ComRef<IWICBitmapDecoder> decoder;
    ASSERT_EQ(S_OK, kypcx_test::OpenBytes(dcx, &decoder));
    ComRef<IWICBitmapFrameDecode> frames[2];
    BandReader readers[2];
    HANDLE threads[2];
    for (int k = 0; k < 2; ++k) {
        ASSERT_EQ(S_OK, decoder->GetFrame(pageOf[k], frames[k].put()));
        readers[k].frame = frames[k].get();
    }
    for (int k = 0; k < 2; ++k) threads[k] = CreateThread(nullptr, 0, ReadInBands, &readers[k], 0, nullptr);
    WaitForMultipleObjects(2, threads, TRUE, INFINITE);
    for (int k = 0; k < 2; ++k) {
        CloseHandle(threads[k]);
        EXPECT_EQ(S_OK, readers[k].hr);
        ComRef<IWICBitmapDecoder> alone;
        ASSERT_EQ(S_OK, kypcx_test::OpenBytes(dcx, &alone));
        const FrameImage whole = kypcx_test::ReadFrame(alone.get(), pageOf[k]);
        ASSERT_EQ(S_OK, whole.hr);
        EXPECT_EQ(whole.pixels, readers[k].rows) << "page " << pageOf[k];
    }
}

TEST(WicDecoder, DescribesItselfAsRegistered) {
    struct Case {
        const GUID* container;
        const CLSID* decoderClass;
        const wchar_t* extensions;
        const wchar_t* mimeTypes;
    };
    const Case cases[] = {
        {&GUID_KyPcxContainerFormatPcx, &CLSID_KyPcxPcxDecoder, L".pcx", L"image/x-pcx"},
        {&GUID_KyPcxContainerFormatDcx, &CLSID_KyPcxDcxDecoder, L".dcx", L"image/x-dcx"},
    };
    for (const Case& c : cases) {
        ComRef<IWICBitmapDecoder> decoder;
        ASSERT_EQ(S_OK, kypcx_test::Factory()->CreateDecoder(*c.container, nullptr, decoder.put()));
        GUID container = {};
        EXPECT_EQ(S_OK, decoder->GetContainerFormat(&container));
        EXPECT_TRUE(IsEqualGUID(*c.container, container));
        ComRef<IWICBitmapDecoderInfo> info;
        ASSERT_EQ(S_OK, decoder->GetDecoderInfo(info.put()));
        kypcx_test::ExpectCodecInfo(info.get(), *c.decoderClass, *c.container, c.extensions, c.mimeTypes);
    }
}

// What codecs without previews, thumbnails, metadata, colour contexts or a
// container palette answer; bad arguments and calls out of order.
TEST(WicDecoder, AnswersForWhatItDoesNotHave) {
    Bytes file = kypcx_test::LayoutFile(kypcx_test::MakeLayoutImage(3, 8), false);
    ComRef<IWICBitmapDecoder> decoder;
    ASSERT_EQ(S_OK, kypcx_test::Factory()->CreateDecoder(GUID_KyPcxContainerFormatPcx, nullptr, decoder.put()));
    UINT count = 0;
    EXPECT_EQ(WINCODEC_ERR_NOTINITIALIZED, decoder->GetFrameCount(&count));
    ComRef<IWICBitmapFrameDecode> frame;
    EXPECT_EQ(WINCODEC_ERR_NOTINITIALIZED, decoder->GetFrame(0, frame.put()));
    EXPECT_EQ(E_INVALIDARG, decoder->Initialize(nullptr, WICDecodeMetadataCacheOnDemand));

    // QueryCapability reads the stream and leaves it where it was.
    ComRef<IWICStream> stream = kypcx_test::MemoryStream(file);
    LARGE_INTEGER seven;
    seven.QuadPart = 7;
    ASSERT_EQ(S_OK, stream->Seek(seven, STREAM_SEEK_SET, nullptr));
    DWORD capability = 0;
    EXPECT_EQ(S_OK, decoder->QueryCapability(stream.get(), &capability));
    EXPECT_EQ(DWORD(WICBitmapDecoderCapabilityCanDecodeAllImages | WICBitmapDecoderCapabilityCanDecodeSomeImages),
              capability);
    ULARGE_INTEGER position = {};
    LARGE_INTEGER zero = {};
    EXPECT_EQ(S_OK, stream->Seek(zero, STREAM_SEEK_CUR, &position));
    EXPECT_EQ(7u, position.QuadPart);
    Bytes notPcx(300, 0x89);
    ComRef<IWICStream> other = kypcx_test::MemoryStream(notPcx);
    EXPECT_EQ(S_OK, decoder->QueryCapability(other.get(), &capability));
    EXPECT_EQ(0u, capability);

    ASSERT_EQ(S_OK, decoder->Initialize(stream.get(), WICDecodeMetadataCacheOnDemand));
    EXPECT_EQ(WINCODEC_ERR_WRONGSTATE, decoder->Initialize(stream.get(), WICDecodeMetadataCacheOnDemand));
    EXPECT_EQ(WINCODEC_ERR_WRONGSTATE, decoder->QueryCapability(stream.get(), &capability));

    ComRef<IWICPalette> palette;
    ASSERT_EQ(S_OK, kypcx_test::Factory()->CreatePalette(palette.put()));
    EXPECT_EQ(WINCODEC_ERR_PALETTEUNAVAILABLE, decoder->CopyPalette(palette.get()));
    ComRef<IWICBitmapSource> source;
    EXPECT_EQ(WINCODEC_ERR_CODECNOTHUMBNAIL, decoder->GetThumbnail(source.put()));
    EXPECT_EQ(WINCODEC_ERR_UNSUPPORTEDOPERATION, decoder->GetPreview(source.put()));
    ComRef<IWICMetadataQueryReader> reader;
    EXPECT_EQ(WINCODEC_ERR_UNSUPPORTEDOPERATION, decoder->GetMetadataQueryReader(reader.put()));
    UINT contexts = 5;
    EXPECT_EQ(WINCODEC_ERR_UNSUPPORTEDOPERATION, decoder->GetColorContexts(0, nullptr, &contexts));
    EXPECT_EQ(0u, contexts);
    EXPECT_EQ(E_INVALIDARG, decoder->GetFrameCount(nullptr));
    EXPECT_EQ(E_INVALIDARG, decoder->GetContainerFormat(nullptr));

    ASSERT_EQ(S_OK, decoder->GetFrame(0, frame.put()));
    EXPECT_EQ(WINCODEC_ERR_PALETTEUNAVAILABLE, frame->CopyPalette(palette.get()));  // 24-bit
    EXPECT_EQ(WINCODEC_ERR_CODECNOTHUMBNAIL, frame->GetThumbnail(source.put()));
    EXPECT_EQ(WINCODEC_ERR_UNSUPPORTEDOPERATION, frame->GetMetadataQueryReader(reader.put()));
    // A frame has no colour profile: the count is 0, and asking for the
    // contexts with room for one gives none and leaves the room alone.
    contexts = 5;
    EXPECT_EQ(S_OK, frame->GetColorContexts(0, nullptr, &contexts));
    EXPECT_EQ(0u, contexts);
    ComRef<IWICColorContext> room;
    ASSERT_EQ(S_OK, kypcx_test::Factory()->CreateColorContext(room.put()));
    IWICColorContext* rooms[1] = {room.get()};
    contexts = 5;
    EXPECT_EQ(S_OK, frame->GetColorContexts(1, rooms, &contexts));
    EXPECT_EQ(0u, contexts);
    WICColorContextType type = WICColorContextExifColorSpace;
    EXPECT_EQ(S_OK, room->GetType(&type));
    EXPECT_EQ(WICColorContextUninitialized, type);
    EXPECT_EQ(E_INVALIDARG, frame->GetColorContexts(0, nullptr, nullptr));
    EXPECT_EQ(E_INVALIDARG, frame->GetSize(nullptr, nullptr));
    EXPECT_EQ(E_INVALIDARG, frame->GetResolution(nullptr, nullptr));
    EXPECT_EQ(E_INVALIDARG, frame->CopyPalette(nullptr));
    ComRef<IWICBitmapSource> asSource;
    EXPECT_EQ(S_OK, frame->QueryInterface(IID_IWICBitmapSource, reinterpret_cast<void**>(asSource.put())));
}

// A header that gives no resolution: the frame reports 96 dpi, as images
// without one are shown.
TEST(WicDecoder, NoResolutionIs96Dpi) {
    kypcx_test::PcxFixture f = kypcx_test::fixtures::TrueColor();
    f.header.hDpi = 0;
    f.header.vDpi = -3;
    Bytes file = f.Bytes();
    ComRef<IWICBitmapDecoder> decoder;
    ASSERT_EQ(S_OK, kypcx_test::OpenBytes(file, &decoder));
    const FrameImage image = kypcx_test::ReadFrame(decoder.get(), 0);
    ASSERT_EQ(S_OK, image.hr);
    EXPECT_EQ(96.0, image.dpiX);
    EXPECT_EQ(96.0, image.dpiY);
}

}  // namespace
