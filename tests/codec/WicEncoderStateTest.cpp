// The encoders' answers to calls out of order, bad arguments and what they
// do not have, with the codes the imaging component's own encoders give;
// the pixel format each asked-for format is written in; and streams that
// fail under a frame: every failure a clear HRESULT, nothing written twice,
// no crash.
#include <windows.h>

#include <wincodec.h>

#include <algorithm>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "KyPCXCodec.h"
#include "codec/EncoderClient.h"
#include "codec/RegistryClient.h"
#include "codec/WicClient.h"
#include "support/KyPcxTestSupport.h"

namespace {

using kypcx_test::ComRef;
using Session = kypcx_test::EncodingSession;
using kypcx_test::Picture;
using kypcx_test::TestStream;
using Bytes = std::vector<uint8_t>;

struct StateCase {
    const char* name;
    HRESULT expected;
    std::function<HRESULT(Session&)> call;  // the steps, the last one's HRESULT
};

const StateCase kStateCases[] = {
    // The encoder.
    {"Initialize without a stream", E_INVALIDARG,
     [](Session& s) { return s.encoder->Initialize(nullptr, WICBitmapEncoderNoCache); }},
    {"Initialize twice", WINCODEC_ERR_WRONGSTATE,
     [](Session& s) {
         s.Init();
         return s.encoder->Initialize(s.stream.get(), WICBitmapEncoderNoCache);
     }},
    {"CreateNewFrame before Initialize", WINCODEC_ERR_NOTINITIALIZED, [](Session& s) { return s.NewFrame(); }},
    {"CreateNewFrame without a place for the frame", E_INVALIDARG,
     [](Session& s) {
         s.Init();
         return s.encoder->CreateNewFrame(nullptr, nullptr);
     }},
    {"SetPalette before Initialize", WINCODEC_ERR_NOTINITIALIZED,
     [](Session& s) { return s.encoder->SetPalette(kypcx_test::MakePalette(s.picture.palette).get()); }},
    {"SetPalette without a palette", E_INVALIDARG, [](Session& s) { return s.encoder->SetPalette(nullptr); }},
    {"Commit before Initialize", WINCODEC_ERR_NOTINITIALIZED, [](Session& s) { return s.encoder->Commit(); }},
    {"Commit with no frame", WINCODEC_ERR_WRONGSTATE,
     [](Session& s) {
         s.Init();
         return s.encoder->Commit();
     }},
    {"Commit with a frame not committed", WINCODEC_ERR_WRONGSTATE,
     [](Session& s) {
         s.Ready();
         EXPECT_EQ(S_OK, s.Lines(0, 4));
         return s.encoder->Commit();
     }},
    {"Commit twice", WINCODEC_ERR_WRONGSTATE,
     [](Session& s) {
         s.Done();
         EXPECT_EQ(S_OK, s.encoder->Commit());
         return s.encoder->Commit();
     }},
    {"a second frame of a PCX file", WINCODEC_ERR_UNSUPPORTEDOPERATION,
     [](Session& s) {
         s.Done();
         return s.NewFrame();
     }},
    {"a DCX page while the last is not committed", WINCODEC_ERR_WRONGSTATE,
     [](Session& s) {
         s = Session(GUID_KyPcxContainerFormatDcx);
         s.Ready();
         return s.NewFrame();
     }},
    {"a DCX page after Commit", WINCODEC_ERR_WRONGSTATE,
     [](Session& s) {
         s = Session(GUID_KyPcxContainerFormatDcx);
         s.Done();
         EXPECT_EQ(S_OK, s.encoder->Commit());
         return s.NewFrame();
     }},
    {"encoder SetThumbnail", WINCODEC_ERR_UNSUPPORTEDOPERATION,
     [](Session& s) { return s.encoder->SetThumbnail(kypcx_test::MakeBitmap(s.picture).get()); }},
    {"encoder SetPreview", WINCODEC_ERR_UNSUPPORTEDOPERATION,
     [](Session& s) { return s.encoder->SetPreview(kypcx_test::MakeBitmap(s.picture).get()); }},
    {"encoder SetColorContexts", WINCODEC_ERR_UNSUPPORTEDOPERATION,
     [](Session& s) { return s.encoder->SetColorContexts(0, nullptr); }},
    {"encoder GetMetadataQueryWriter", WINCODEC_ERR_UNSUPPORTEDOPERATION,
     [](Session& s) {
         ComRef<IWICMetadataQueryWriter> writer;
         return s.encoder->GetMetadataQueryWriter(writer.put());
     }},
    {"GetContainerFormat without a place for it", E_INVALIDARG,
     [](Session& s) { return s.encoder->GetContainerFormat(nullptr); }},
    {"GetEncoderInfo without a place for it", E_INVALIDARG,
     [](Session& s) { return s.encoder->GetEncoderInfo(nullptr); }},

    // A frame before its Initialize.
    {"frame Initialize twice", WINCODEC_ERR_WRONGSTATE,
     [](Session& s) {
         s.Framed();
         return s.frame->Initialize(nullptr);
     }},
    {"SetSize before the frame's Initialize", WINCODEC_ERR_WRONGSTATE,
     [](Session& s) {
         s.Init();
         EXPECT_EQ(S_OK, s.NewFrame());
         return s.frame->SetSize(5, 4);
     }},
    {"SetResolution before the frame's Initialize", WINCODEC_ERR_WRONGSTATE,
     [](Session& s) {
         s.Init();
         EXPECT_EQ(S_OK, s.NewFrame());
         return s.frame->SetResolution(96, 96);
     }},
    {"SetPixelFormat before the frame's Initialize", WINCODEC_ERR_WRONGSTATE,
     [](Session& s) {
         s.Init();
         EXPECT_EQ(S_OK, s.NewFrame());
         GUID format = GUID_WICPixelFormat24bppBGR;
         return s.frame->SetPixelFormat(&format);
     }},
    {"frame SetPalette before the frame's Initialize", WINCODEC_ERR_NOTINITIALIZED,
     [](Session& s) {
         s.Init();
         EXPECT_EQ(S_OK, s.NewFrame());
         return s.frame->SetPalette(kypcx_test::MakePalette(s.picture.palette).get());
     }},
    {"WriteSource before the frame's Initialize", WINCODEC_ERR_WRONGSTATE,
     [](Session& s) {
         s.Init();
         EXPECT_EQ(S_OK, s.NewFrame());
         return s.Source(nullptr);
     }},

    // Lines.
    {"WritePixels before SetSize", WINCODEC_ERR_WRONGSTATE,
     [](Session& s) {
         s.Framed();
         s.Format(s.picture.format);
         return s.Lines(0, 1);
     }},
    {"WritePixels before SetPixelFormat", WINCODEC_ERR_WRONGSTATE,
     [](Session& s) {
         s.Framed();
         EXPECT_EQ(S_OK, s.frame->SetSize(5, 4));
         return s.Lines(0, 1);
     }},
    {"WritePixels beyond the last line", E_INVALIDARG,
     [](Session& s) {
         s.Ready();
         EXPECT_EQ(S_OK, s.Lines(0, 3));
         return s.Lines(0, 2);
     }},
    {"WritePixels of no lines", E_INVALIDARG,
     [](Session& s) {
         s.Ready();
         return s.Lines(0, 0);
     }},
    {"WritePixels with a stride below a row", E_INVALIDARG,
     [](Session& s) {
         s.Ready();
         return s.frame->WritePixels(2, 4, 100, s.picture.pixels.data());
     }},
    {"WritePixels with a buffer short of the last line", E_INVALIDARG,
     [](Session& s) {
         s.Ready();
         return s.frame->WritePixels(2, s.picture.stride, s.picture.stride + 4, s.picture.pixels.data());
     }},
    {"WritePixels without pixels", E_INVALIDARG,
     [](Session& s) {
         s.Ready();
         return s.frame->WritePixels(1, s.picture.stride, s.picture.stride, nullptr);
     }},
    {"a size the header cannot hold", WINCODEC_ERR_IMAGESIZEOUTOFRANGE,
     [](Session& s) {
         s.Ready();
         EXPECT_EQ(S_OK, s.frame->SetSize(40000, 1));
         std::vector<BYTE> row(40000);
         return s.frame->WritePixels(1, 40000, 40000, row.data());
     }},

    // What is fixed once lines are written.
    {"SetSize once lines are written", WINCODEC_ERR_WRONGSTATE,
     [](Session& s) {
         s.Ready();
         EXPECT_EQ(S_OK, s.Lines(0, 1));
         return s.frame->SetSize(5, 4);
     }},
    {"SetResolution once lines are written", WINCODEC_ERR_WRONGSTATE,
     [](Session& s) {
         s.Ready();
         EXPECT_EQ(S_OK, s.Lines(0, 1));
         return s.frame->SetResolution(300, 300);
     }},
    {"SetPixelFormat once lines are written", WINCODEC_ERR_WRONGSTATE,
     [](Session& s) {
         s.Ready();
         EXPECT_EQ(S_OK, s.Lines(0, 1));
         GUID format = GUID_WICPixelFormat8bppIndexed;
         return s.frame->SetPixelFormat(&format);
     }},
    {"frame SetPalette once lines are written", WINCODEC_ERR_WRONGSTATE,
     [](Session& s) {
         s.Ready();
         EXPECT_EQ(S_OK, s.Lines(0, 1));
         return s.frame->SetPalette(kypcx_test::MakePalette(s.picture.palette).get());
     }},

    // The frame's Commit.
    {"frame Commit before any line", WINCODEC_ERR_WRONGSTATE,
     [](Session& s) {
         s.Ready();
         return s.frame->Commit();
     }},
    {"frame Commit before the last line", WINCODEC_ERR_WRONGSTATE,
     [](Session& s) {
         s.Ready();
         EXPECT_EQ(S_OK, s.Lines(0, 3));
         return s.frame->Commit();
     }},
    {"frame Commit twice", WINCODEC_ERR_WRONGSTATE,
     [](Session& s) {
         s.Done();
         return s.frame->Commit();
     }},
    {"an 8-bit frame without colours", WINCODEC_ERR_PALETTEUNAVAILABLE,
     [](Session& s) {
         s.Ready(false);
         EXPECT_EQ(S_OK, s.Lines(0, 4));
         return s.frame->Commit();
     }},
    {"a 4-bit frame without colours", WINCODEC_ERR_PALETTEUNAVAILABLE,
     [](Session& s) {
         s.picture = kypcx_test::PatternPicture(GUID_WICPixelFormat4bppIndexed, 9, 2);
         s.Ready(false);
         EXPECT_EQ(S_OK, s.Lines(0, 2));
         return s.frame->Commit();
     }},
    {"a 1-bit frame without colours: black and white", S_OK,
     [](Session& s) {
         s.picture = kypcx_test::PatternPicture(GUID_WICPixelFormat1bppIndexed, 9, 2);
         s.Ready(false);
         EXPECT_EQ(S_OK, s.Lines(0, 2));
         return s.frame->Commit();
     }},
    {"an 8-bit frame with the encoder's colours", S_OK,
     [](Session& s) {
         s.Init();
         EXPECT_EQ(S_OK, s.encoder->SetPalette(kypcx_test::MakePalette(s.picture.palette).get()));
         EXPECT_EQ(S_OK, s.NewFrame());
         EXPECT_EQ(S_OK, s.frame->Initialize(nullptr));
         EXPECT_EQ(S_OK, s.frame->SetSize(5, 4));
         s.Format(s.picture.format);
         EXPECT_EQ(S_OK, s.Lines(0, 4));
         return s.frame->Commit();
     }},

    // Resolutions the header cannot hold.
    {"SetResolution below half a dot", E_INVALIDARG,
     [](Session& s) {
         s.Framed();
         return s.frame->SetResolution(0.4, 96);
     }},
    {"SetResolution beyond 32767", E_INVALIDARG,
     [](Session& s) {
         s.Framed();
         return s.frame->SetResolution(96, 32767.5);
     }},
    {"SetResolution not a number", E_INVALIDARG,
     [](Session& s) {
         s.Framed();
         return s.frame->SetResolution(std::numeric_limits<double>::quiet_NaN(), 96);
     }},

    // What a frame does not have.
    {"frame SetThumbnail", WINCODEC_ERR_UNSUPPORTEDOPERATION,
     [](Session& s) {
         s.Framed();
         return s.frame->SetThumbnail(kypcx_test::MakeBitmap(s.picture).get());
     }},
    {"frame SetColorContexts", WINCODEC_ERR_UNSUPPORTEDOPERATION,
     [](Session& s) {
         s.Framed();
         return s.frame->SetColorContexts(0, nullptr);
     }},
    {"frame GetMetadataQueryWriter", WINCODEC_ERR_UNSUPPORTEDOPERATION,
     [](Session& s) {
         s.Framed();
         ComRef<IWICMetadataQueryWriter> writer;
         return s.frame->GetMetadataQueryWriter(writer.put());
     }},

    // WriteSource's arguments.
    {"WriteSource without a source", E_INVALIDARG,
     [](Session& s) {
         s.Framed();
         return s.frame->WriteSource(nullptr, nullptr);
     }},
    {"WriteSource of a rectangle narrower than the frame", E_INVALIDARG,
     [](Session& s) {
         s.Ready();
         WICRect rect = {0, 0, 4, 4};
         return s.Source(&rect);
     }},
    {"WriteSource of a rectangle outside the source", E_INVALIDARG,
     [](Session& s) {
         s.Ready();
         WICRect rect = {0, 2, 5, 3};
         return s.Source(&rect);
     }},
    {"WriteSource beyond the last line", E_INVALIDARG,
     [](Session& s) {
         s.Ready();
         EXPECT_EQ(S_OK, s.Lines(0, 1));
         return s.Source(nullptr);
     }},
    {"WriteSource of an empty rectangle", E_INVALIDARG,
     [](Session& s) {
         s.Framed();
         WICRect rect = {0, 0, 0, 0};
         return s.Source(&rect);
     }},
};

TEST(WicEncoderState, CallsOutOfOrderAndBadArguments) {
    for (const StateCase& c : kStateCases) {
        Session s;
        EXPECT_EQ(c.expected, c.call(s)) << c.name;
    }
}

// Refused calls leave the frame as it was: it goes on to write the picture
// a frame that never saw them writes.
TEST(WicEncoderState, RefusedCallsChangeNothing) {
    Session s;
    s.Ready();
    EXPECT_EQ(E_INVALIDARG, s.frame->WritePixels(2, 4, 100, s.picture.pixels.data()));
    EXPECT_EQ(S_OK, s.Lines(0, 3));
    EXPECT_EQ(E_INVALIDARG, s.Lines(0, 2));
    WICRect rect = {0, 0, 5, 2};
    EXPECT_EQ(E_INVALIDARG, s.Source(&rect));
    EXPECT_EQ(WINCODEC_ERR_WRONGSTATE, s.frame->Commit());
    EXPECT_EQ(WINCODEC_ERR_WRONGSTATE, s.encoder->Commit());
    EXPECT_EQ(S_OK, s.Lines(3, 1));
    EXPECT_EQ(S_OK, s.frame->Commit());
    EXPECT_EQ(S_OK, s.encoder->Commit());
    EXPECT_EQ(kypcx_test::EncodeBytes(GUID_KyPcxContainerFormatPcx, {s.picture}), s.stream->bytes);
}

// SetPixelFormat answers the format a frame is written in: the written
// formats themselves, and for others the nearest.
TEST(WicEncoderState, SetPixelFormatAnswersTheNearestWrittenFormat) {
    const struct {
        const GUID* asked;
        const GUID* answered;
    } cases[] = {
        {&GUID_WICPixelFormat1bppIndexed, &GUID_WICPixelFormat1bppIndexed},
        {&GUID_WICPixelFormat4bppIndexed, &GUID_WICPixelFormat4bppIndexed},
        {&GUID_WICPixelFormat8bppIndexed, &GUID_WICPixelFormat8bppIndexed},
        {&GUID_WICPixelFormat24bppBGR, &GUID_WICPixelFormat24bppBGR},
        {&GUID_WICPixelFormat32bppBGRA, &GUID_WICPixelFormat32bppBGRA},
        {&GUID_WICPixelFormatBlackWhite, &GUID_WICPixelFormat1bppIndexed},
        {&GUID_WICPixelFormat2bppIndexed, &GUID_WICPixelFormat4bppIndexed},
        {&GUID_WICPixelFormat32bppPBGRA, &GUID_WICPixelFormat32bppBGRA},
        {&GUID_WICPixelFormat32bppRGBA, &GUID_WICPixelFormat32bppBGRA},
        {&GUID_WICPixelFormat64bppRGBA, &GUID_WICPixelFormat32bppBGRA},
        {&GUID_WICPixelFormat32bppBGR, &GUID_WICPixelFormat24bppBGR},
        {&GUID_WICPixelFormat24bppRGB, &GUID_WICPixelFormat24bppBGR},
        {&GUID_WICPixelFormat16bppBGR565, &GUID_WICPixelFormat24bppBGR},
        {&GUID_WICPixelFormat8bppGray, &GUID_WICPixelFormat24bppBGR},
        {&GUID_WICPixelFormat48bppRGB, &GUID_WICPixelFormat24bppBGR},
        {&GUID_WICPixelFormatDontCare, &GUID_WICPixelFormat24bppBGR},
        {&GUID_KyPcxVendor, &GUID_WICPixelFormat24bppBGR},  // no pixel format at all
    };
    for (const auto& c : cases) {
        Session s;
        s.Framed();
        GUID format = *c.asked;
        EXPECT_EQ(S_OK, s.frame->SetPixelFormat(&format));
        EXPECT_TRUE(IsEqualGUID(*c.answered, format))
            << kypcx_test::Narrow(kypcx_test::GuidText(*c.asked)) << " gave "
            << kypcx_test::Narrow(kypcx_test::GuidText(format));
    }
    Session s;
    s.Framed();
    EXPECT_EQ(E_INVALIDARG, s.frame->SetPixelFormat(nullptr));
}

// Pictures whose coded bytes take several of the encoder's blocks, written
// into a stream that fails at some byte (or writes short there): the call
// under which it fails gives the stream's failure, every later write gives
// it again, and the frame is never committed, so neither is the encoder.
TEST(WicEncoderStream, AStreamThatFailsGivesItsFailure) {
    Picture late = kypcx_test::PatternPicture(GUID_WICPixelFormat32bppBGRA, 300, 300);
    late.pixels[size_t(late.stride) * 299 + 3] = 7;  // alpha decides at the last row
    const Picture pictures[] = {
        kypcx_test::PatternPicture(GUID_WICPixelFormat24bppBGR, 400, 300),
        late,
        kypcx_test::PatternPicture(GUID_WICPixelFormat8bppIndexed, 600, 300),
    };
    for (const Picture& p : pictures) {
        const Bytes whole = kypcx_test::EncodeBytes(GUID_KyPcxContainerFormatPcx, {p});
        ASSERT_GT(whole.size(), 3 * 65536u);
        const struct {
            uint64_t failAt;
            bool shortWrite;
        } points[] = {{0, false}, {65536, false}, {150000, false}, {whole.size() - 1, false}, {100000, true},
                      {whole.size() - 1, true}};
        for (const auto& point : points) {
            SCOPED_TRACE(std::to_string(kypcx_test::BitsPerPixel(p.format)) + " bits, failing at " +
                         std::to_string(point.failAt) + (point.shortWrite ? ", short" : ""));
            Session s;
            s.picture = p;
            s.stream->failAt = point.failAt;
            s.stream->shortWrite = point.shortWrite;
            const HRESULT failure = point.shortWrite ? WINCODEC_ERR_STREAMWRITE : STG_E_MEDIUMFULL;
            s.Ready();
            HRESULT first = S_OK;
            for (UINT y = 0; y < p.height; y += 16) {
                const HRESULT hr = s.Lines(y, std::min(16u, p.height - y));
                if (FAILED(first)) {
                    EXPECT_EQ(failure, hr) << "a write after the failure";
                }
                if (FAILED(hr) && SUCCEEDED(first)) first = hr;
            }
            const HRESULT committed = s.frame->Commit();
            if (SUCCEEDED(first)) {
                first = committed;
            } else {
                EXPECT_EQ(WINCODEC_ERR_WRONGSTATE, committed) << "lines are missing";
            }
            EXPECT_EQ(failure, first);
            EXPECT_EQ(WINCODEC_ERR_WRONGSTATE, s.encoder->Commit());
            EXPECT_LE(s.stream->bytes.size(), point.failAt);
            const size_t compared = std::min(s.stream->bytes.size(), whole.size());
            EXPECT_EQ(Bytes(whole.begin(), whole.begin() + compared),
                      Bytes(s.stream->bytes.begin(), s.stream->bytes.begin() + compared))
                << "what was written is the file's beginning, nothing twice";
        }
    }
}

// A DCX file's directory is written last, at the encoder's Commit, over the
// place kept for it: a stream that fails there fails the Commit.
TEST(WicEncoderStream, TheDirectoryWrittenAtCommitCanFail) {
    Session s(GUID_KyPcxContainerFormatDcx);
    s.Done();
    s.stream->failAt = 0;
    EXPECT_EQ(STG_E_MEDIUMFULL, s.encoder->Commit());
    EXPECT_EQ(STG_E_MEDIUMFULL, s.encoder->Commit());
    ComRef<IWICBitmapFrameEncode> more;
    EXPECT_EQ(STG_E_MEDIUMFULL, s.encoder->CreateNewFrame(more.put(), nullptr)) << "no page after a failure";
}

}  // namespace
