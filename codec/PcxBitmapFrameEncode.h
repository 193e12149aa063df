// The codec's IWICBitmapFrameEncode: one image of a PCX file or one page of
// a DCX file. Its size, pixel format, resolution and palette are set until
// its first lines are written; the image's header goes out with them (or,
// for a BGRA frame, once it is known whether alpha is kept: PcxFrameWriter.h)
// and the rest at Commit. Calls take the encoder's lock, and answer as the
// imaging component's own encoders do, in the same order:
//   WINCODEC_ERR_WRONGSTATE      Initialize twice; SetSize, SetResolution,
//                                SetPixelFormat, SetPalette once lines are
//                                written; WritePixels before the size and
//                                format; Commit before every line is written,
//                                or twice
//   WINCODEC_ERR_NOTINITIALIZED  SetPalette before Initialize
//   E_INVALIDARG                 lines beyond the height, a stride or buffer
//                                too small for them, null pointers, a
//                                resolution the header cannot hold
//   WINCODEC_ERR_PALETTEUNAVAILABLE  Commit of a 4- or 8-bit frame that had
//                                no colours (its own or the encoder's) when
//                                its lines began
#pragma once

#include <windows.h>

#include <wincodec.h>

#include "codec/CodecObject.h"
#include "codec/EncodePixelFormats.h"
#include "codec/PcxFrameWriter.h"

class PcxBitmapEncoder;

class PcxBitmapFrameEncode final : public CodecObject<PcxBitmapFrameEncode, IWICBitmapFrameEncode> {
public:
    // Frame `index` of `encoder`, which it holds a reference to.
    static HRESULT Create(PcxBitmapEncoder* encoder, UINT index, IWICBitmapFrameEncode** out) {
        return CreateAs(IID_IWICBitmapFrameEncode, reinterpret_cast<void**>(out), encoder, index);
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override { return Answer(iid, out); }

    HRESULT STDMETHODCALLTYPE Initialize(IPropertyBag2* options) override;
    HRESULT STDMETHODCALLTYPE SetSize(UINT width, UINT height) override;
    HRESULT STDMETHODCALLTYPE SetResolution(double dpiX, double dpiY) override;
    HRESULT STDMETHODCALLTYPE SetPixelFormat(WICPixelFormatGUID* format) override;
    HRESULT STDMETHODCALLTYPE SetColorContexts(UINT count, IWICColorContext** contexts) override;
    HRESULT STDMETHODCALLTYPE SetPalette(IWICPalette* palette) override;
    HRESULT STDMETHODCALLTYPE SetThumbnail(IWICBitmapSource* thumbnail) override;
    HRESULT STDMETHODCALLTYPE WritePixels(UINT lineCount, UINT stride, UINT bufferSize, BYTE* pixels) override;
    HRESULT STDMETHODCALLTYPE WriteSource(IWICBitmapSource* source, WICRect* rect) override;
    HRESULT STDMETHODCALLTYPE Commit() override;
    HRESULT STDMETHODCALLTYPE GetMetadataQueryWriter(IWICMetadataQueryWriter** writer) override;

private:
    // Made and destroyed in heap blocks of their own (win/HandleGuards.h).
    template <typename T, typename... Args>
    friend T* HeapNew(Args&&... args);
    template <typename T>
    friend void HeapDelete(T* object);

    PcxBitmapFrameEncode(PcxBitmapEncoder* encoder, UINT index);
    ~PcxBitmapFrameEncode();

    // The first lines come: the picture is fixed and its image begun.
    HRESULT Start();
    // WriteSource's first step: the size, format and resolution the frame
    // lacks, taken from the source (the rectangle's size, where given).
    HRESULT TakeFromSource(IWICBitmapSource* source, const WICRect* rect);
    // The colours of a converted source, for a frame that has none.
    void TakeColors(IWICBitmapSource* converted);
    // Writes `rect` of a converted source that is a bitmap from its own
    // memory, locked for reading; false, with nothing done, where it is no
    // bitmap or will not be locked.
    bool WriteLockedBitmap(IWICBitmapSource* converted, const WICRect& rect, HRESULT* result, bool needsColors);

    PcxBitmapEncoder* encoder_;
    UINT index_;
    bool initialized_ = false;
    bool started_ = false;
    bool committed_ = false;
    UINT width_ = 0;
    UINT height_ = 0;
    UINT linesWritten_ = 0;
    const WrittenPixelFormat* format_ = nullptr;
    double dpiX_ = 0;  // 0: not set
    double dpiY_ = 0;
    WICColor colors_[256] = {};
    UINT colorCount_ = 0;
    bool colorsMissing_ = false;
    PcxFrameWriter* writer_ = nullptr;
    // The first failure of writing the image; every later write and Commit
    // gives it, as the stream no longer holds what was written.
    HRESULT failure_ = S_OK;
};
