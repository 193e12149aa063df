// The codec's IWICBitmapDecoder, one class per format (CodecFormats.h): a PCX
// decoder gives its file's one image as frame 0, a DCX decoder each page of
// its file as a frame. It reads from the stream it is initialized with and
// never from a path; its frames share the stream and take the decoder's lock
// for every read, so frames may be used from several threads.
#pragma once

#include <windows.h>

#include <wincodec.h>

#include "codec/CodecFormats.h"
#include "kypcx/dcx_directory.h"
#include "kypcx/pcx_reader.h"
#include "win/HandleGuards.h"

class PcxBitmapDecoder final : public IWICBitmapDecoder {
public:
    // A new decoder of `format`, asked for interface `iid`.
    static HRESULT Create(const CodecFormat& format, REFIID iid, void** out);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE QueryCapability(IStream* stream, DWORD* capability) override;
    HRESULT STDMETHODCALLTYPE Initialize(IStream* stream, WICDecodeOptions cacheOptions) override;
    HRESULT STDMETHODCALLTYPE GetContainerFormat(GUID* containerFormat) override;
    HRESULT STDMETHODCALLTYPE GetDecoderInfo(IWICBitmapDecoderInfo** info) override;
    HRESULT STDMETHODCALLTYPE CopyPalette(IWICPalette* palette) override;
    HRESULT STDMETHODCALLTYPE GetMetadataQueryReader(IWICMetadataQueryReader** reader) override;
    HRESULT STDMETHODCALLTYPE GetPreview(IWICBitmapSource** preview) override;
    HRESULT STDMETHODCALLTYPE GetColorContexts(UINT count, IWICColorContext** contexts, UINT* actualCount) override;
    HRESULT STDMETHODCALLTYPE GetThumbnail(IWICBitmapSource** thumbnail) override;
    HRESULT STDMETHODCALLTYPE GetFrameCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetFrame(UINT index, IWICBitmapFrameDecode** frame) override;

    // For the frames: the stream, set once Initialize succeeded and kept for
    // the decoder's life, and the lock every reader of it holds.
    IStream* stream() const { return stream_; }
    SRWLOCK* lock() { return &lock_; }

private:
    // Made and destroyed in heap blocks of their own (win/HandleGuards.h).
    template <typename T, typename... Args>
    friend T* HeapNew(Args&&... args);
    template <typename T>
    friend void HeapDelete(T* object);

    // What a stream holds as this decoder's format sees it.
    struct Contents {
        uint64_t length = 0;
        UINT frameCount = 0;
        kypcx::PcxImagePlan image;        // a PCX file's image
        kypcx::DcxDirectory directory;    // a DCX file's pages
    };

    explicit PcxBitmapDecoder(const CodecFormat& format);
    ~PcxBitmapDecoder();
    // Reads the stream's PCX header or DCX directory; fails as Initialize
    // does for a stream this decoder cannot read.
    HRESULT Examine(IStream* stream, Contents* contents) const;
    // Plans page `index` of the DCX file.
    HRESULT PlanPage(IStream* stream, const Contents& contents, UINT index, kypcx::PcxImagePlan* plan) const;

    volatile LONG references_ = 1;
    const CodecFormat& format_;
    SRWLOCK lock_ = SRWLOCK_INIT;
    IStream* stream_ = nullptr;
    Contents contents_;
};
