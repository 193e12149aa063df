// The codec's IWICBitmapFrameDecode: one PCX image (a PCX file's, or one
// page of a DCX file), planned by the one reader when the decoder made it
// and read when its pixels are asked for. It keeps its decoder, whose stream it reads under
// the decoder's lock.
#pragma once

#include <windows.h>

#include <wincodec.h>

#include "codec/PcxBitmapFrameRows.h"
#include "kypcx/pcx_reader.h"
#include "win/HandleGuards.h"

class PcxBitmapDecoder;

class PcxBitmapFrameDecode final : public IWICBitmapFrameDecode {
public:
    // A frame of `decoder` (which it keeps) for the image `plan` describes.
    static HRESULT Create(PcxBitmapDecoder* decoder, const kypcx::PcxImagePlan& plan, IWICBitmapFrameDecode** frame);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE GetSize(UINT* width, UINT* height) override;
    HRESULT STDMETHODCALLTYPE GetPixelFormat(WICPixelFormatGUID* pixelFormat) override;
    HRESULT STDMETHODCALLTYPE GetResolution(double* dpiX, double* dpiY) override;
    HRESULT STDMETHODCALLTYPE CopyPalette(IWICPalette* palette) override;
    HRESULT STDMETHODCALLTYPE CopyPixels(const WICRect* rect, UINT stride, UINT bufferSize, BYTE* buffer) override;

    HRESULT STDMETHODCALLTYPE GetMetadataQueryReader(IWICMetadataQueryReader** reader) override;
    HRESULT STDMETHODCALLTYPE GetColorContexts(UINT count, IWICColorContext** contexts, UINT* actualCount) override;
    HRESULT STDMETHODCALLTYPE GetThumbnail(IWICBitmapSource** thumbnail) override;

private:
    // Made and destroyed in heap blocks of their own (win/HandleGuards.h).
    template <typename T, typename... Args>
    friend T* HeapNew(Args&&... args);
    template <typename T>
    friend void HeapDelete(T* object);

    PcxBitmapFrameDecode(PcxBitmapDecoder* decoder, const kypcx::PcxImagePlan& plan);
    ~PcxBitmapFrameDecode();

    volatile LONG references_ = 1;
    PcxBitmapDecoder* decoder_;
    kypcx::PcxImagePlan plan_;
    PcxBitmapFrameRows rows_;
};
