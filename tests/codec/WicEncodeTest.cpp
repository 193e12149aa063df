// Pictures saved through the imaging component's encoders, as a program
// saves them: the factory finds the PCX and DCX encoders by their container
// formats, every pixel format they write is saved through WritePixels in
// several calls and through WriteSource, and what they wrote is read back by
// the codec's own decoder and by KyPCX.dll's readers (the layout reader for
// every layout, the classic reader for the classic ones) with the pixels,
// colours and resolution that were saved; alpha is a fourth plane only
// where some pixel is not opaque. DCX files hold their frames as pages.
#include <windows.h>

#include <wincodec.h>

#include <cstring>
#include <string>
#include <vector>

#include "KyPCX.h"
#include "KyPCXCodec.h"
#include "codec/EncoderClient.h"
#include "codec/RegistryClient.h"
#include "codec/WicClient.h"
#include "support/KyPcxTestSupport.h"

namespace {

using kypcx_test::Alpha;
using kypcx_test::ComRef;
using kypcx_test::EncodingSession;
using kypcx_test::FrameImage;
using kypcx_test::FrameWrite;
using kypcx_test::Picture;
using kypcx_test::ScratchDir;
using kypcx_test::ShownColors;
using kypcx_test::TestStream;
using Bytes = std::vector<uint8_t>;

TEST(WicEncoder, TheFactoryFindsBothEncodersAsRegistered) {
    struct Case {
        const GUID* container;
        const CLSID* encoderClass;
        const wchar_t* extensions;
        const wchar_t* mimeTypes;
    };
    const Case cases[] = {
        {&GUID_KyPcxContainerFormatPcx, &CLSID_KyPcxPcxEncoder, L".pcx", L"image/x-pcx"},
        {&GUID_KyPcxContainerFormatDcx, &CLSID_KyPcxDcxEncoder, L".dcx", L"image/x-dcx"},
    };
    for (const Case& c : cases) {
        ComRef<IWICBitmapEncoder> encoder;
        ASSERT_EQ(S_OK, kypcx_test::CreateEncoder(*c.container, &encoder));
        GUID container = {};
        EXPECT_EQ(S_OK, encoder->GetContainerFormat(&container));
        EXPECT_TRUE(IsEqualGUID(*c.container, container));
        ComRef<IWICBitmapEncoderInfo> info;
        ASSERT_EQ(S_OK, encoder->GetEncoderInfo(info.put()));
        kypcx_test::ExpectCodecInfo(info.get(), *c.encoderClass, *c.container, c.extensions, c.mimeTypes);
    }

    // Both are listed among the encoders a program enumerates.
    ComRef<IEnumUnknown> all;
    ASSERT_EQ(S_OK, kypcx_test::Factory()->CreateComponentEnumerator(WICEncoder, WICComponentEnumerateDefault,
                                                                      all.put()));
    int found = 0;
    for (;;) {
        ComRef<IUnknown> item;
        ULONG got = 0;
        if (all->Next(1, item.put(), &got) != S_OK || got != 1) break;
        ComRef<IWICBitmapCodecInfo> info;
        CLSID clsid = {};
        if (SUCCEEDED(item->QueryInterface(IID_IWICBitmapCodecInfo, reinterpret_cast<void**>(info.put()))) &&
            SUCCEEDED(info->GetCLSID(&clsid)))
            found += IsEqualCLSID(clsid, CLSID_KyPcxPcxEncoder) || IsEqualCLSID(clsid, CLSID_KyPcxDcxEncoder);
    }
    EXPECT_EQ(2, found);
}

// How a picture of a case is saved and what a reader gives back for it.
struct FormatCase {
    const char* name;
    const GUID* format;
    Alpha alpha;
    // The two colours of a 1-bit picture: black and white, which one plane
    // of one bit shows, or two others, which take four planes of one bit.
    bool blackAndWhite;
    const GUID* readBack;  // the decoder's pixel format for the file
    int planes;
    int bitsPerPlane;
    bool classic;  // a layout the classic exports read
};

const FormatCase kFormatCases[] = {
    {"bw1", &GUID_WICPixelFormat1bppIndexed, Alpha::Opaque, true, &GUID_WICPixelFormat1bppIndexed, 1, 1, true},
    {"color1", &GUID_WICPixelFormat1bppIndexed, Alpha::Opaque, false, &GUID_WICPixelFormat4bppIndexed, 4, 1, true},
    {"indexed4", &GUID_WICPixelFormat4bppIndexed, Alpha::Opaque, true, &GUID_WICPixelFormat4bppIndexed, 4, 1, true},
    {"indexed8", &GUID_WICPixelFormat8bppIndexed, Alpha::Opaque, true, &GUID_WICPixelFormat8bppIndexed, 1, 8, true},
    {"bgr24", &GUID_WICPixelFormat24bppBGR, Alpha::Opaque, true, &GUID_WICPixelFormat24bppBGR, 3, 8, true},
    {"bgra_opaque", &GUID_WICPixelFormat32bppBGRA, Alpha::Opaque, true, &GUID_WICPixelFormat24bppBGR, 3, 8, true},
    {"bgra_alpha", &GUID_WICPixelFormat32bppBGRA, Alpha::Translucent, true, &GUID_WICPixelFormat32bppBGRA, 4, 8,
     false},
};

struct SizeCase {
    UINT width;
    UINT height;
};
// One pixel; odd widths, so that 1- and 4-bit rows end inside a byte; one
// row; a wide picture, whose 24- and 32-bit lines are longer than the
// encoder's block of 64 KiB.
const SizeCase kSizes[] = {{1, 1}, {37, 11}, {13, 1}, {3, 29}, {30001, 2}};

Picture CasePicture(const FormatCase& c, const SizeCase& s) {
    Picture p = kypcx_test::PatternPicture(*c.format, s.width, s.height, c.alpha, 3);
    if (!c.blackAndWhite) p.palette = {0xFFC03010, 0xFF20A0E0};
    return p;
}

// The colours a reader gives for a picture in the layout its case names.
std::vector<WICColor> ExpectedPalette(const FormatCase& c, const Picture& p) {
    std::vector<WICColor> colors = p.palette;
    if (IsEqualGUID(*c.readBack, GUID_WICPixelFormat4bppIndexed)) colors.resize(16, 0xFF000000);
    return colors;
}

// A frame read back holds the picture: its format as the case says, the
// colours it was given and every pixel as it was shown.
void ExpectFrameHoldsPicture(const FrameImage& frame, const FormatCase& c, const Picture& p, double dpiX,
                             double dpiY) {
    ASSERT_EQ(S_OK, frame.hr);
    ASSERT_EQ(p.width, frame.width);
    ASSERT_EQ(p.height, frame.height);
    EXPECT_TRUE(IsEqualGUID(*c.readBack, frame.format)) << kypcx_test::Narrow(kypcx_test::GuidText(frame.format));
    EXPECT_EQ(dpiX, frame.dpiX);
    EXPECT_EQ(dpiY, frame.dpiY);
    if (!p.palette.empty()) {
        EXPECT_EQ(ExpectedPalette(c, p), frame.palette);
    }
    const std::vector<uint32_t> saved = ShownColors(p);
    const std::vector<uint32_t> read = ShownColors(frame);
    ASSERT_EQ(saved.size(), read.size());
    for (size_t i = 0; i < saved.size(); ++i)
        ASSERT_EQ(saved[i], read[i]) << "pixel " << i % p.width << "," << i / p.width;
}

// The file's header: the layout the case names, the resolution given.
void ExpectLayout(const Bytes& file, const FormatCase& c, int dpiX, int dpiY) {
    ASSERT_GE(file.size(), 128u);
    PcxHeader header;
    std::memcpy(&header, file.data(), sizeof header);
    EXPECT_EQ(c.planes, header.planes);
    EXPECT_EQ(c.bitsPerPlane, header.bitsPerPixel);
    EXPECT_EQ(1, header.encoding);
    EXPECT_EQ(dpiX, header.horizontalDpi);
    EXPECT_EQ(dpiY, header.verticalDpi);
}

class WicEncodeFormats : public ::testing::TestWithParam<FormatCase> {};

// Every size of the case's format: WritePixels in calls of 1, 2, 3... lines
// from rows padded beyond their pixels, and WriteSource of a bitmap of the
// same picture, write the same bytes, which the codec's decoder and the
// DLL's readers give back as the picture.
TEST_P(WicEncodeFormats, WritePixelsAndWriteSourceSaveThePicture) {
    const FormatCase& c = GetParam();
    ScratchDir dir;
    for (const SizeCase& s : kSizes) {
        SCOPED_TRACE(std::to_string(s.width) + " x " + std::to_string(s.height));
        const Picture p = CasePicture(c, s);
        FrameWrite how;
        how.rowsPerCall = 1;
        how.dpiX = 150.4;  // rounded into the header
        how.dpiY = 74.5;
        Bytes file = kypcx_test::EncodeBytes(GUID_KyPcxContainerFormatPcx, {p}, how);
        ASSERT_FALSE(file.empty());
        ExpectLayout(file, c, 150, 75);

        ComRef<IWICBitmapDecoder> decoder;
        ASSERT_EQ(S_OK, kypcx_test::OpenBytes(file, &decoder));
        GUID container = {};
        EXPECT_EQ(S_OK, decoder->GetContainerFormat(&container));
        EXPECT_TRUE(IsEqualGUID(GUID_KyPcxContainerFormatPcx, container));
        const FrameImage frame = kypcx_test::ReadFrame(decoder.get(), 0);
        ExpectFrameHoldsPicture(frame, c, p, 150, 75);

        // The DLL's readers: from memory and from the file, and the classic
        // one for the classic layouts.
        PcxErrorCode code = 0;
        HGLOBAL dib = KYPCX_EXPORT(LoadPCXImageFromMemory)(file.data(), DWORD(file.size()), 0, &code, nullptr);
        ASSERT_NE(nullptr, dib) << code;
        kypcx_test::ExpectFrameMatchesDib(frame, dib, "LoadPCXImageFromMemory");
        GlobalFree(dib);
        const std::wstring path = dir.Path(L"saved.pcx");
        kypcx_test::WriteFileBytes(path, file);
        dib = KYPCX_EXPORT(LoadPCXImageW)(path.c_str(), KYPCX_WHOLE_FILE, 0, &code, nullptr);
        ASSERT_NE(nullptr, dib) << code;
        kypcx_test::ExpectFrameMatchesDib(frame, dib, "LoadPCXImageW");
        GlobalFree(dib);
        if (c.classic) {
            dib = KYPCX_EXPORT(LoadPCXIntoDIBW)(path.c_str(), &code);
            ASSERT_NE(nullptr, dib) << code;
            kypcx_test::ExpectFrameMatchesDib(frame, dib, "LoadPCXIntoDIBW");
            GlobalFree(dib);
        }

        // The same picture all at once, and as a source.
        how.rowsPerCall = 0;
        EXPECT_EQ(file, kypcx_test::EncodeBytes(GUID_KyPcxContainerFormatPcx, {p}, how)) << "in one call";
        EncodingSession s;
        s.Framed();
        IWICBitmapFrameEncode* target = s.frame.get();
        ASSERT_EQ(S_OK, target->SetResolution(150.4, 74.5));
        if (!p.palette.empty()) {
            ASSERT_EQ(S_OK, target->SetPalette(kypcx_test::MakePalette(p.palette).get()));
        }
        ComRef<IWICBitmap> source = kypcx_test::MakeBitmap(p);
        ASSERT_EQ(S_OK, target->WriteSource(source.get(), nullptr));
        ASSERT_EQ(S_OK, target->Commit());
        ASSERT_EQ(S_OK, s.encoder->Commit());
        EXPECT_EQ(file, s.stream->bytes) << "through WriteSource";
    }
}

INSTANTIATE_TEST_SUITE_P(Table, WicEncodeFormats, ::testing::ValuesIn(kFormatCases),
                         [](const ::testing::TestParamInfo<FormatCase>& info) { return std::string(info.param.name); });

// A BGRA picture whose only pixel that is not opaque is its last one: the
// lines before it were held as three planes and are written again with a
// fourth; the file keeps every pixel and its alpha.
TEST(WicEncodeAlpha, OnePixelThatIsNotOpaqueAtTheEndKeepsAlpha) {
    for (UINT rowsPerCall : {1u, 0u}) {
        Picture p = kypcx_test::PatternPicture(GUID_WICPixelFormat32bppBGRA, 301, 57);
        p.pixels[size_t(p.stride) * 56 + 4 * 300 + 3] = 254;
        FrameWrite how;
        how.rowsPerCall = rowsPerCall;
        Bytes file = kypcx_test::EncodeBytes(GUID_KyPcxContainerFormatPcx, {p}, how);
        ComRef<IWICBitmapDecoder> decoder;
        ASSERT_EQ(S_OK, kypcx_test::OpenBytes(file, &decoder));
        const FrameImage frame = kypcx_test::ReadFrame(decoder.get(), 0);
        ExpectFrameHoldsPicture(frame, kFormatCases[6], p, 96, 96);
    }
}

// WriteSource as programs use it: a rectangle of a larger bitmap into a
// frame that takes its size and format from it (its rows written where they
// lie); sources of other formats, converted, a band of rows at a time; an
// indexed source's colours for a frame that has none; a picture written as
// two rectangles one under the other.
TEST(WicEncodeSource, RectanglesAndOtherFormatsAreConverted) {
    const Picture bgr = kypcx_test::PatternPicture(GUID_WICPixelFormat24bppBGR, 40, 30);
    const Picture indexed = kypcx_test::PatternPicture(GUID_WICPixelFormat8bppIndexed, 23, 9);
    // More than the megabyte of converted rows the frame copies at a time.
    const Picture large = kypcx_test::PatternPicture(GUID_WICPixelFormat8bppIndexed, 700, 600);
    const Picture translucent = kypcx_test::PatternPicture(GUID_WICPixelFormat32bppBGRA, 17, 5, Alpha::Translucent);
    struct Case {
        const char* name;
        const Picture* source;
        const GUID* frameFormat;     // null: the frame takes the source's
        bool sized;                  // SetSize with the rectangles' span first
        std::vector<WICRect> rects;  // written in turn, one under the other; none: the whole source once
        const GUID* readBack;
    };
    const Case cases[] = {
        {"a rectangle, the source's size and format", &bgr, nullptr, false, {{5, 7, 21, 13}},
         &GUID_WICPixelFormat24bppBGR},
        {"two rectangles", &bgr, nullptr, true, {{0, 0, 40, 12}, {0, 12, 40, 18}}, &GUID_WICPixelFormat24bppBGR},
        {"indexed into 24 bits", &indexed, &GUID_WICPixelFormat24bppBGR, false, {}, &GUID_WICPixelFormat24bppBGR},
        {"indexed into 24 bits, in bands", &large, &GUID_WICPixelFormat24bppBGR, false, {},
         &GUID_WICPixelFormat24bppBGR},
        {"24 bits into BGRA", &bgr, &GUID_WICPixelFormat32bppBGRA, false, {}, &GUID_WICPixelFormat24bppBGR},
        {"BGRA into 24 bits", &translucent, &GUID_WICPixelFormat24bppBGR, false, {}, &GUID_WICPixelFormat24bppBGR},
        {"the source's colours", &indexed, nullptr, false, {}, &GUID_WICPixelFormat8bppIndexed},
        {"BGRA kept", &translucent, nullptr, false, {{0, 1, 17, 4}}, &GUID_WICPixelFormat32bppBGRA},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const INT sourceWidth = INT(c.source->width);
        WICRect span = {0, 0, sourceWidth, INT(c.source->height)};
        if (!c.rects.empty()) {
            span = c.rects[0];
            span.Height = 0;
            for (const WICRect& r : c.rects) span.Height += r.Height;
        }
        EncodingSession s;
        s.Framed();
        IWICBitmapFrameEncode* frame = s.frame.get();
        if (c.sized) {
            ASSERT_EQ(S_OK, frame->SetSize(UINT(span.Width), UINT(span.Height)));
        }
        if (c.frameFormat != nullptr) {
            GUID format = *c.frameFormat;
            ASSERT_EQ(S_OK, frame->SetPixelFormat(&format));
        }
        ComRef<IWICBitmap> source = kypcx_test::MakeBitmap(*c.source);
        if (c.rects.empty()) {
            ASSERT_EQ(S_OK, frame->WriteSource(source.get(), nullptr));
        }
        for (WICRect r : c.rects) ASSERT_EQ(S_OK, frame->WriteSource(source.get(), &r));
        ASSERT_EQ(S_OK, frame->Commit());
        ASSERT_EQ(S_OK, s.encoder->Commit());

        // What was written: the source's pixels in the span, as their colours
        // show, alpha dropped where the frame has none.
        const std::vector<uint32_t> all = ShownColors(*c.source);
        const bool keepsAlpha = IsEqualGUID(*c.readBack, GUID_WICPixelFormat32bppBGRA);
        std::vector<uint32_t> expected;
        for (INT y = span.Y; y < span.Y + span.Height; ++y)
            for (INT x = span.X; x < span.X + span.Width; ++x)
                expected.push_back(all[size_t(y) * sourceWidth + x] | (keepsAlpha ? 0 : 0xFF000000u));

        ComRef<IWICBitmapDecoder> decoder;
        ASSERT_EQ(S_OK, kypcx_test::OpenBytes(s.stream->bytes, &decoder));
        const FrameImage read = kypcx_test::ReadFrame(decoder.get(), 0);
        ASSERT_EQ(S_OK, read.hr);
        EXPECT_EQ(UINT(span.Width), read.width);
        EXPECT_EQ(UINT(span.Height), read.height);
        EXPECT_TRUE(IsEqualGUID(*c.readBack, read.format)) << kypcx_test::Narrow(kypcx_test::GuidText(read.format));
        EXPECT_EQ(expected, ShownColors(read));
        if (IsEqualGUID(*c.readBack, GUID_WICPixelFormat8bppIndexed)) {
            EXPECT_EQ(c.source->palette, read.palette);
        }
    }
}

// The pictures of every case as the pages of one DCX file, written to a
// file through the factory's stream as a program does: the decoder gives
// each page as its frame, and LoadPCXImageW each page.
TEST(WicEncodeDcx, FramesArePagesReadBackOneByOne) {
    ScratchDir dir;
    const std::wstring path = dir.Path(L"pages.dcx");
    std::vector<Picture> pictures;
    for (const FormatCase& c : kFormatCases) pictures.push_back(CasePicture(c, {37 + UINT(pictures.size()), 9}));
    {
        ComRef<IWICStream> stream;
        ASSERT_EQ(S_OK, kypcx_test::Factory()->CreateStream(stream.put()));
        ASSERT_EQ(S_OK, stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE));
        ComRef<IWICBitmapEncoder> encoder;
        ASSERT_EQ(S_OK, kypcx_test::CreateEncoder(GUID_KyPcxContainerFormatDcx, &encoder));
        ASSERT_EQ(S_OK, encoder->Initialize(stream.get(), WICBitmapEncoderNoCache));
        FrameWrite how;
        how.rowsPerCall = 2;
        how.dpiX = 200;
        how.dpiY = 100;
        for (const Picture& p : pictures) ASSERT_EQ(S_OK, kypcx_test::WriteFrame(encoder.get(), p, how));
        ASSERT_EQ(S_OK, encoder->Commit());
    }
    // The export's pages first: it opens the file for itself alone.
    std::vector<HGLOBAL> dibs;
    for (UINT i = 0; i < pictures.size(); ++i) {
        PcxErrorCode code = 0;
        dibs.push_back(KYPCX_EXPORT(LoadPCXImageW)(path.c_str(), i, 0, &code, nullptr));
        EXPECT_NE(nullptr, dibs.back()) << "page " << i << ": " << code;
    }
    const Bytes file = kypcx_test::ReadFileBytes(path);
    ASSERT_GE(file.size(), 4096u);
    const auto entry = [&](size_t n) {
        uint32_t v;
        std::memcpy(&v, file.data() + 4 * n, 4);
        return v;
    };
    EXPECT_EQ(987654321u, entry(0));
    EXPECT_EQ(4096u, entry(1));
    EXPECT_EQ(0u, entry(pictures.size() + 1));

    ComRef<IWICBitmapDecoder> decoder;
    ASSERT_EQ(S_OK, kypcx_test::OpenFile(path, &decoder));
    GUID container = {};
    EXPECT_EQ(S_OK, decoder->GetContainerFormat(&container));
    EXPECT_TRUE(IsEqualGUID(GUID_KyPcxContainerFormatDcx, container));
    UINT frames = 0;
    ASSERT_EQ(S_OK, decoder->GetFrameCount(&frames));
    ASSERT_EQ(pictures.size(), frames);
    for (UINT i = 0; i < frames; ++i) {
        SCOPED_TRACE("page " + std::to_string(i));
        const FrameImage frame = kypcx_test::ReadFrame(decoder.get(), i);
        ExpectFrameHoldsPicture(frame, kFormatCases[i], pictures[i], 200, 100);
        if (dibs[i] != nullptr) kypcx_test::ExpectFrameMatchesDib(frame, dibs[i], "LoadPCXImageW");
    }
    for (HGLOBAL dib : dibs) GlobalFree(dib);
}

// An encoder writes from where the stream stands: a DCX file's offsets
// count from there. A PCX encoder takes a stream that cannot seek; a DCX
// encoder, which writes its directory at Commit, refuses one.
TEST(WicEncodeDcx, OffsetsCountFromWhereTheEncoderBegan) {
    const Picture first = kypcx_test::PatternPicture(GUID_WICPixelFormat8bppIndexed, 19, 7);
    const Picture second = kypcx_test::PatternPicture(GUID_WICPixelFormat24bppBGR, 5, 3);
    EncodingSession s(GUID_KyPcxContainerFormatDcx);
    TestStream* stream = s.stream.get();
    stream->bytes.assign(100, 0x77);
    stream->position = 100;
    s.Init();
    ASSERT_EQ(S_OK, kypcx_test::WriteFrame(s.encoder.get(), first));
    ASSERT_EQ(S_OK, kypcx_test::WriteFrame(s.encoder.get(), second));
    ASSERT_EQ(S_OK, s.encoder->Commit());
    EXPECT_EQ(stream->bytes.size(), stream->position) << "the stream is left at the end";
    EXPECT_EQ(Bytes(100, 0x77), Bytes(stream->bytes.begin(), stream->bytes.begin() + 100));
    Bytes dcx(stream->bytes.begin() + 100, stream->bytes.end());
    EXPECT_EQ(dcx, kypcx_test::EncodeBytes(GUID_KyPcxContainerFormatDcx, {first, second}));
    ComRef<IWICBitmapDecoder> decoder;
    ASSERT_EQ(S_OK, kypcx_test::OpenBytes(dcx, &decoder));
    UINT frames = 0;
    ASSERT_EQ(S_OK, decoder->GetFrameCount(&frames));
    ASSERT_EQ(2u, frames);
    EXPECT_EQ(ShownColors(second), ShownColors(kypcx_test::ReadFrame(decoder.get(), 1)));

    for (const GUID* container : {&GUID_KyPcxContainerFormatPcx, &GUID_KyPcxContainerFormatDcx}) {
        ComRef<TestStream> unseekable;
        *unseekable.put() = TestStream::Create();
        unseekable->seekFails = true;
        ComRef<IWICBitmapEncoder> other;
        ASSERT_EQ(S_OK, kypcx_test::CreateEncoder(*container, &other));
        const bool dcxFile = container == &GUID_KyPcxContainerFormatDcx;
        ASSERT_EQ(dcxFile ? STG_E_INVALIDFUNCTION : S_OK, other->Initialize(unseekable.get(), WICBitmapEncoderNoCache));
        if (dcxFile) continue;
        ASSERT_EQ(S_OK, kypcx_test::WriteFrame(other.get(), second));
        ASSERT_EQ(S_OK, other->Commit());
        EXPECT_EQ(kypcx_test::EncodeBytes(GUID_KyPcxContainerFormatPcx, {second}), unseekable->bytes);
    }
}

// A DCX file lists 1022 pages: the 1023rd frame is refused, and the file of
// 1022 reads back to its last page.
TEST(WicEncodeDcx, TheDirectoryHoldsAtMost1022Frames) {
    std::vector<Picture> pictures;
    for (UINT i = 0; i < 1022; ++i) {
        Picture p = kypcx_test::PatternPicture(GUID_WICPixelFormat24bppBGR, 2, 1);
        p.pixels[0] = uint8_t(i);
        p.pixels[1] = uint8_t(i >> 8);
        pictures.push_back(p);
    }
    EncodingSession s(GUID_KyPcxContainerFormatDcx);
    s.Init();
    for (const Picture& p : pictures) ASSERT_EQ(S_OK, kypcx_test::WriteFrame(s.encoder.get(), p));
    EXPECT_EQ(WINCODEC_ERR_UNSUPPORTEDOPERATION, s.NewFrame());
    EXPECT_EQ(nullptr, s.frame.get());
    ASSERT_EQ(S_OK, s.encoder->Commit());

    ComRef<IWICBitmapDecoder> decoder;
    ASSERT_EQ(S_OK, kypcx_test::OpenBytes(s.stream->bytes, &decoder));
    UINT frames = 0;
    ASSERT_EQ(S_OK, decoder->GetFrameCount(&frames));
    ASSERT_EQ(1022u, frames);
    for (UINT i : {0u, 511u, 1021u})
        EXPECT_EQ(ShownColors(pictures[i]), ShownColors(kypcx_test::ReadFrame(decoder.get(), i))) << "page " << i;
}

}  // namespace
