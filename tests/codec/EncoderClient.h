// What the encoder tests do as a program that saves pictures through the
// imaging component does: pictures of every pixel format the encoders take,
// a stream over memory that can be made to fail, frames written with
// WritePixels or WriteSource, and what a picture's pixels show, to hold a
// frame read back against the picture that was saved.
#pragma once

#include <windows.h>

#include <wincodec.h>

#include <cstdint>
#include <string>
#include <vector>

#include "KyPCXCodec.h"
#include "codec/WicClient.h"

namespace kypcx_test {

// An IStream over bytes in memory. It can be told to fail: a write that
// would reach past `failAt` bytes from the start writes nothing and answers
// `writeError`, or, with `shortWrite`, writes what fits and answers S_OK
// with the count it wrote; with `seekFails` every Seek fails.
class TestStream final : public IStream {
public:
    // A new stream, its one reference the caller's.
    static TestStream* Create();

    std::vector<uint8_t> bytes;
    uint64_t position = 0;
    uint64_t failAt = UINT64_MAX;
    HRESULT writeError = STG_E_MEDIUMFULL;
    bool shortWrite = false;
    bool seekFails = false;
    int writes = 0;  // Write calls made

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return ULONG(InterlockedIncrement(&references_)); }
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE Read(void* buffer, ULONG count, ULONG* read) override;
    HRESULT STDMETHODCALLTYPE Write(const void* buffer, ULONG count, ULONG* written) override;
    HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* position) override;
    HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Commit(DWORD) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Revert() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Stat(STATSTG* stat, DWORD) override;
    HRESULT STDMETHODCALLTYPE Clone(IStream**) override { return E_NOTIMPL; }

private:
    TestStream() = default;
    ~TestStream() = default;
    volatile LONG references_ = 1;
};

// A picture as a program hands it to a frame: rows `stride` bytes apart in
// its pixel format, and the colours of an indexed one (0xAARRGGBB).
struct Picture {
    GUID format = GUID_WICPixelFormat24bppBGR;
    UINT width = 0;
    UINT height = 0;
    UINT stride = 0;
    std::vector<uint8_t> pixels;
    std::vector<WICColor> palette;
};

// How much alpha a BGRA pattern holds.
enum class Alpha { Opaque, Translucent };

// A deterministic picture of `format` (1, 4 or 8 bits indexed, 24-bit BGR,
// 32-bit BGRA): every colour of an indexed palette occurs where the size
// allows, neighbours repeat and differ so that the coder makes runs and
// literal bytes; rows padded by `padding` bytes that hold 0xA5. Palettes
// hold distinct colours; `Alpha::Translucent` varies the alpha of BGRA
// pixels, `Alpha::Opaque` leaves every one 255.
Picture PatternPicture(const GUID& format, UINT width, UINT height, Alpha alpha = Alpha::Opaque, UINT padding = 0);

// What each pixel of rows in `format` shows, top row first, as 0xAARRGGBB
// (alpha 255 for formats without it; an indexed pixel's colour from
// `palette`, alpha forced to 255, black past its end).
std::vector<uint32_t> ShownColors(const GUID& format, UINT width, UINT height, UINT stride, const uint8_t* pixels,
                                  const std::vector<WICColor>& palette);
inline std::vector<uint32_t> ShownColors(const Picture& p) {
    return ShownColors(p.format, p.width, p.height, p.stride, p.pixels.data(), p.palette);
}
inline std::vector<uint32_t> ShownColors(const FrameImage& f) {
    return ShownColors(f.format, f.width, f.height, f.stride, f.pixels.data(), f.palette);
}

// The factory's encoder for a container format.
HRESULT CreateEncoder(const GUID& container, ComRef<IWICBitmapEncoder>* encoder);

// A palette of `colors`.
ComRef<IWICPalette> MakePalette(const std::vector<WICColor>& colors);

// A bitmap of the imaging component holding `picture` (its palette too),
// as a program's source for WriteSource.
ComRef<IWICBitmap> MakeBitmap(const Picture& picture);

// How a frame is written.
struct FrameWrite {
    UINT rowsPerCall = 0;        // WritePixels' lines a call, growing by one each call; 0: all at once
    bool framePalette = true;    // SetPalette on the frame for an indexed picture
    double dpiX = 0, dpiY = 0;   // SetResolution unless 0
};

// One frame of `picture`: CreateNewFrame, Initialize, SetSize,
// SetResolution, SetPixelFormat (which must answer the picture's own
// format), SetPalette, WritePixels and Commit. The first failing call's
// HRESULT, or S_OK.
HRESULT WriteFrame(IWICBitmapEncoder* encoder, const Picture& picture, const FrameWrite& how = FrameWrite());

// Encodes `pictures` into a new encoder of `container` over a new test
// stream and commits it; the stream's bytes, or empty with a failure added.
std::vector<uint8_t> EncodeBytes(const GUID& container, const std::vector<Picture>& pictures,
                                 const FrameWrite& how = FrameWrite());

// An encoder over a new test stream, its frame, a picture (8-bit, 5 x 4),
// and the steps a program takes; each step expects to succeed.
struct EncodingSession {
    explicit EncodingSession(const GUID& container = GUID_KyPcxContainerFormatPcx);

    ComRef<IWICBitmapEncoder> encoder;
    ComRef<TestStream> stream;
    ComRef<IWICBitmapFrameEncode> frame;
    Picture picture;

    // The encoder's Initialize on the stream.
    void Init();
    HRESULT NewFrame() { return encoder->CreateNewFrame(frame.put(), nullptr); }
    // Initialized, a frame made and initialized.
    void Framed();
    void Format(const GUID& format);
    // Framed, sized and formatted for the picture, with its colours or none.
    void Ready(bool colors = true);
    // WritePixels of `count` of the picture's lines from line `first`.
    HRESULT Lines(UINT first, UINT count);
    // Ready, every line written and the frame committed.
    void Done();
    // WriteSource of a bitmap of the picture.
    HRESULT Source(WICRect* rect);
};

}  // namespace kypcx_test
