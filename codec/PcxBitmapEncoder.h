// The codec's IWICBitmapEncoder, one class per format (EncoderFormats.h): a
// PCX encoder writes one frame as a PCX file, a DCX encoder up to 1022
// frames as the pages of a DCX file, its page directory written at Commit.
// Both write to the stream they are initialized with, from where it stands,
// frame after frame through one core byte writer; a frame's rows go to the
// stream as WritePixels hands them (PcxFrameWriter.h). The encoder's lock
// guards its state and its frames' state, as every call of either takes it.
#pragma once

#include <windows.h>

#include <wincodec.h>

#include "codec/CodecObject.h"
#include "codec/EncoderFormats.h"
#include "codec/EncoderStream.h"
#include "kypcx/dcx_directory.h"
#include "kypcx/pcx_writer.h"
#include "win/HandleGuards.h"

class PcxBitmapEncoder final : public CodecObject<PcxBitmapEncoder, IWICBitmapEncoder> {
public:
    // A new encoder of `format`, asked for interface `iid`.
    static HRESULT Create(const EncoderFormat& format, REFIID iid, void** out) { return CreateAs(iid, out, format); }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override { return Answer(iid, out); }

    HRESULT STDMETHODCALLTYPE Initialize(IStream* stream, WICBitmapEncoderCacheOption cacheOption) override;
    HRESULT STDMETHODCALLTYPE GetContainerFormat(GUID* containerFormat) override;
    HRESULT STDMETHODCALLTYPE GetEncoderInfo(IWICBitmapEncoderInfo** info) override;
    HRESULT STDMETHODCALLTYPE SetColorContexts(UINT count, IWICColorContext** contexts) override;
    HRESULT STDMETHODCALLTYPE SetPalette(IWICPalette* palette) override;
    HRESULT STDMETHODCALLTYPE SetThumbnail(IWICBitmapSource* thumbnail) override;
    HRESULT STDMETHODCALLTYPE SetPreview(IWICBitmapSource* preview) override;
    HRESULT STDMETHODCALLTYPE CreateNewFrame(IWICBitmapFrameEncode** frame, IPropertyBag2** options) override;
    HRESULT STDMETHODCALLTYPE Commit() override;
    HRESULT STDMETHODCALLTYPE GetMetadataQueryWriter(IWICMetadataQueryWriter** writer) override;

    // For its frames, each call made holding lock().
    SRWLOCK* lock() { return &lock_; }
    kypcx::PcxByteWriter& out() { return out_; }
    EncoderStream& stream() { return stream_; }
    // The palette SetPalette gave the encoder: up to 256 colours (0xAARRGGBB)
    // into `colors`; how many, 0 for none.
    UINT CopyColors(WICColor* colors) const;
    // Frame `index`'s image begins where the writer stands: a DCX file's
    // directory goes first, before the first page, and the page's offset into
    // it. Refuses a DCX page whose largest coded form could end past where
    // the directory's 32-bit offsets reach.
    HRESULT BeginPage(UINT index, const PcxHeader& largest, uint32_t lineCount);
    // The uncommitted frame is committed: another may be made, or the
    // encoder committed.
    void FrameCommitted() { uncommittedFrame_ = false; }

private:
    // Made and destroyed in heap blocks of their own (win/HandleGuards.h).
    template <typename T, typename... Args>
    friend T* HeapNew(Args&&... args);
    template <typename T>
    friend void HeapDelete(T* object);

    explicit PcxBitmapEncoder(const EncoderFormat& format);
    ~PcxBitmapEncoder() = default;
    bool writesDcx() const { return format_.maxFrames > 1; }

    const EncoderFormat& format_;
    SRWLOCK lock_ = SRWLOCK_INIT;
    EncoderStream stream_;
    HeapBuffer block_;
    kypcx::PcxByteWriter out_;
    UINT frameCount_ = 0;
    bool uncommittedFrame_ = false;
    bool committed_ = false;
    WICColor colors_[256] = {};
    UINT colorCount_ = 0;
    bool directoryBegun_ = false;
    kypcx::DcxDirectory directory_;
};
