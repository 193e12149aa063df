// The decoder object: examining and holding the stream, frame count and
// frames, and the answers of a codec without previews, thumbnails,
// metadata, colour contexts or a container palette.
#include "codec/PcxBitmapDecoder.h"

#include "codec/CodecModule.h"
#include "codec/CodecObject.h"
#include "codec/PcxBitmapFrameDecode.h"
#include "codec/StatusResults.h"
#include "codec/StreamReads.h"
#include "win/HandleGuards.h"

namespace {

// Puts a stream back where it was when the scope began, as QueryCapability
// must leave it.
class StreamPositionKeeper {
public:
    explicit StreamPositionKeeper(IStream* stream) : stream_(stream) {
        LARGE_INTEGER zero = {};
        kept_ = SUCCEEDED(stream_->Seek(zero, STREAM_SEEK_CUR, &position_));
    }
    ~StreamPositionKeeper() {
        if (!kept_) return;
        LARGE_INTEGER back;
        back.QuadPart = static_cast<LONGLONG>(position_.QuadPart);
        stream_->Seek(back, STREAM_SEEK_SET, nullptr);
    }
    StreamPositionKeeper(const StreamPositionKeeper&) = delete;
    StreamPositionKeeper& operator=(const StreamPositionKeeper&) = delete;

private:
    IStream* stream_;
    ULARGE_INTEGER position_ = {};
    bool kept_ = false;
};

}  // namespace

PcxBitmapDecoder::PcxBitmapDecoder(const CodecFormat& format) : format_(format) { CountCodecObject(); }

PcxBitmapDecoder::~PcxBitmapDecoder() {
    if (stream_ != nullptr) stream_->Release();
    UncountCodecObject();
}

HRESULT PcxBitmapDecoder::Create(const CodecFormat& format, REFIID iid, void** out) {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    PcxBitmapDecoder* decoder = HeapNew<PcxBitmapDecoder>(format);
    if (decoder == nullptr) return E_OUTOFMEMORY;
    const HRESULT hr = decoder->QueryInterface(iid, out);
    decoder->Release();
    return hr;
}

HRESULT PcxBitmapDecoder::QueryInterface(REFIID iid, void** out) {
    if (out == nullptr) return E_INVALIDARG;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IWICBitmapDecoder)) {
        *out = static_cast<IWICBitmapDecoder*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

ULONG PcxBitmapDecoder::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&references_)); }

ULONG PcxBitmapDecoder::Release() {
    const LONG left = InterlockedDecrement(&references_);
    if (left == 0) HeapDelete(this);
    return static_cast<ULONG>(left);
}

HRESULT PcxBitmapDecoder::Examine(IStream* stream, Contents* contents) const {
    HRESULT hr = GetStreamLength(stream, &contents->length);
    if (FAILED(hr)) return hr;
    if (format_.container == CodecContainer::Pcx) {
        hr = PlanStreamImage(stream, 0, contents->length, &contents->image);
        if (FAILED(hr)) return hr;
        contents->frameCount = 1;
        return S_OK;
    }
    // A DCX file: its whole directory, as every reader of pages wants it.
    uint8_t bytes[kypcx::kDcxDirectorySize];
    uint32_t got = 0;
    hr = ReadStreamAt(stream, 0, bytes, sizeof bytes, &got);
    if (FAILED(hr)) return hr;
    if (got >= 4 && kypcx::ReadLe32(bytes) != kypcx::kDcxMagic) return CodecResultOf(kypcx::Status::NotDcx);
    if (got != sizeof bytes) return CodecResultOf(kypcx::Status::DirectoryCutShort);
    kypcx::LoadDcxDirectory(bytes, got, &contents->directory);
    contents->frameCount = kypcx::CountDcxItems(contents->directory);
    return S_OK;
}

HRESULT PcxBitmapDecoder::PlanPage(IStream* stream, const Contents& contents, UINT index,
                                   kypcx::PcxImagePlan* plan) const {
    kypcx::DcxItemExtent extent;
    const kypcx::Status found = kypcx::FindDcxItemExtent(contents.directory, index, contents.length, &extent);
    if (found != kypcx::Status::Ok) return CodecResultOf(found);
    return PlanStreamImage(stream, extent.start, extent.end, plan);
}

HRESULT PcxBitmapDecoder::QueryCapability(IStream* stream, DWORD* capability) {
    if (stream == nullptr || capability == nullptr) return E_INVALIDARG;
    *capability = 0;
    {
        ExclusiveLockScope hold(&lock_);
        if (stream_ != nullptr) return WINCODEC_ERR_WRONGSTATE;
    }
    StreamPositionKeeper keeper(stream);
    Contents* contents = HeapNew<Contents>();
    kypcx::PcxImagePlan* page = HeapNew<kypcx::PcxImagePlan>();
    HRESULT hr = contents != nullptr && page != nullptr ? Examine(stream, contents) : E_OUTOFMEMORY;
    if (SUCCEEDED(hr)) {
        // A PCX file's one image was planned by the examination; a DCX file's
        // pages are planned one by one.
        bool every = true;
        if (format_.container == CodecContainer::Dcx)
            for (UINT i = 0; every && i < contents->frameCount; ++i) every = SUCCEEDED(PlanPage(stream, *contents, i, page));
        *capability = WICBitmapDecoderCapabilityCanDecodeSomeImages;
        if (every) *capability |= WICBitmapDecoderCapabilityCanDecodeAllImages;
    }
    HeapDelete(page);
    HeapDelete(contents);
    // A stream this decoder cannot read is no failure here: it can decode
    // none of its images. A stream that cannot be read at all is.
    const bool verdict = hr == WINCODEC_ERR_UNKNOWNIMAGEFORMAT || hr == WINCODEC_ERR_BADHEADER ||
                         hr == WINCODEC_ERR_BADIMAGE || hr == WINCODEC_ERR_FRAMEMISSING;
    return SUCCEEDED(hr) || verdict ? S_OK : hr;
}

HRESULT PcxBitmapDecoder::Initialize(IStream* stream, WICDecodeOptions) {
    if (stream == nullptr) return E_INVALIDARG;
    ExclusiveLockScope hold(&lock_);
    if (stream_ != nullptr) return WINCODEC_ERR_WRONGSTATE;
    const HRESULT hr = Examine(stream, &contents_);
    if (FAILED(hr)) return hr;
    stream->AddRef();
    stream_ = stream;
    return S_OK;
}

HRESULT PcxBitmapDecoder::GetContainerFormat(GUID* containerFormat) {
    if (containerFormat == nullptr) return E_INVALIDARG;
    *containerFormat = *format_.containerFormat;
    return S_OK;
}

HRESULT PcxBitmapDecoder::GetDecoderInfo(IWICBitmapDecoderInfo** info) {
    return CodecComponentInfo(*format_.decoderClass, IID_IWICBitmapDecoderInfo, reinterpret_cast<void**>(info));
}

HRESULT PcxBitmapDecoder::CopyPalette(IWICPalette* palette) {
    if (palette == nullptr) return E_INVALIDARG;
    // Colours belong to each image; a DCX file's pages each have their own.
    return WINCODEC_ERR_PALETTEUNAVAILABLE;
}

HRESULT PcxBitmapDecoder::GetMetadataQueryReader(IWICMetadataQueryReader** reader) {
    return AnswerWithoutObject(reader, WINCODEC_ERR_UNSUPPORTEDOPERATION);
}

HRESULT PcxBitmapDecoder::GetPreview(IWICBitmapSource** preview) {
    return AnswerWithoutObject(preview, WINCODEC_ERR_UNSUPPORTEDOPERATION);
}

HRESULT PcxBitmapDecoder::GetColorContexts(UINT, IWICColorContext**, UINT* actualCount) {
    if (actualCount == nullptr) return E_INVALIDARG;
    *actualCount = 0;
    return WINCODEC_ERR_UNSUPPORTEDOPERATION;
}

HRESULT PcxBitmapDecoder::GetThumbnail(IWICBitmapSource** thumbnail) {
    return AnswerWithoutObject(thumbnail, WINCODEC_ERR_CODECNOTHUMBNAIL);
}

HRESULT PcxBitmapDecoder::GetFrameCount(UINT* count) {
    if (count == nullptr) return E_INVALIDARG;
    ExclusiveLockScope hold(&lock_);
    if (stream_ == nullptr) return WINCODEC_ERR_NOTINITIALIZED;
    *count = contents_.frameCount;
    return S_OK;
}

HRESULT PcxBitmapDecoder::GetFrame(UINT index, IWICBitmapFrameDecode** frame) {
    if (frame == nullptr) return E_INVALIDARG;
    *frame = nullptr;
    ExclusiveLockScope hold(&lock_);
    if (stream_ == nullptr) return WINCODEC_ERR_NOTINITIALIZED;
    if (index >= contents_.frameCount) return E_INVALIDARG;
    kypcx::PcxImagePlan* plan = HeapNew<kypcx::PcxImagePlan>();
    if (plan == nullptr) return E_OUTOFMEMORY;
    HRESULT hr = S_OK;
    if (format_.container == CodecContainer::Pcx) *plan = contents_.image;
    else hr = PlanPage(stream_, contents_, index, plan);
    if (SUCCEEDED(hr)) hr = PcxBitmapFrameDecode::Create(this, *plan, frame);
    HeapDelete(plan);
    return hr;
}
