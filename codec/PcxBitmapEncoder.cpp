// The encoder object: the stream and the byte writer its frames share, the
// count of frames, a DCX file's directory, and the answers of a codec
// without thumbnails, previews, metadata or colour contexts.
#include "codec/PcxBitmapEncoder.h"

#include <wincodecsdk.h>

#include <cstring>

#include "codec/PcxBitmapFrameEncode.h"
#include "codec/StatusResults.h"

namespace {

// The block the byte writer gathers bytes in: what the stream is handed a
// write at a time.
constexpr size_t kBlockSize = 65536;

}  // namespace

PcxBitmapEncoder::PcxBitmapEncoder(const EncoderFormat& format)
    : format_(format), out_(stream_.sink(), nullptr, 0) {
    kypcx::MakeEmptyDcxDirectory(&directory_);
}

HRESULT PcxBitmapEncoder::Initialize(IStream* stream, WICBitmapEncoderCacheOption) {
    if (stream == nullptr) return E_INVALIDARG;
    ExclusiveLockScope hold(&lock_);
    if (stream_.opened()) return WINCODEC_ERR_WRONGSTATE;
    if (!block_.Resize(kBlockSize)) return E_OUTOFMEMORY;
    // A DCX file's directory is written at Commit, where the encoder began.
    const HRESULT hr = stream_.Open(stream, writesDcx());
    if (FAILED(hr)) return hr;
    out_.UseBlock(block_.data(), kBlockSize, 0);
    return S_OK;
}

HRESULT PcxBitmapEncoder::GetContainerFormat(GUID* containerFormat) {
    if (containerFormat == nullptr) return E_INVALIDARG;
    *containerFormat = *format_.files.containerFormat;
    return S_OK;
}

HRESULT PcxBitmapEncoder::GetEncoderInfo(IWICBitmapEncoderInfo** info) {
    return CodecComponentInfo(*format_.encoderClass, IID_IWICBitmapEncoderInfo, reinterpret_cast<void**>(info));
}

HRESULT PcxBitmapEncoder::SetColorContexts(UINT, IWICColorContext**) { return WINCODEC_ERR_UNSUPPORTEDOPERATION; }

HRESULT PcxBitmapEncoder::SetPalette(IWICPalette* palette) {
    if (palette == nullptr) return E_INVALIDARG;
    ExclusiveLockScope hold(&lock_);
    if (!stream_.opened()) return WINCODEC_ERR_NOTINITIALIZED;
    if (committed_) return WINCODEC_ERR_WRONGSTATE;
    WICColor colors[256];
    UINT count = 0;
    const HRESULT hr = palette->GetColors(256, colors, &count);
    if (FAILED(hr)) return hr;
    std::memcpy(colors_, colors, sizeof colors);
    colorCount_ = count;
    return S_OK;
}

HRESULT PcxBitmapEncoder::SetThumbnail(IWICBitmapSource*) { return WINCODEC_ERR_UNSUPPORTEDOPERATION; }

HRESULT PcxBitmapEncoder::SetPreview(IWICBitmapSource*) { return WINCODEC_ERR_UNSUPPORTEDOPERATION; }

HRESULT PcxBitmapEncoder::CreateNewFrame(IWICBitmapFrameEncode** frame, IPropertyBag2** options) {
    if (frame == nullptr) return E_INVALIDARG;
    *frame = nullptr;
    if (options != nullptr) *options = nullptr;
    ExclusiveLockScope hold(&lock_);
    // A PCX file holds one image, a DCX file's directory 1022 pages.
    if (frameCount_ >= format_.maxFrames) return WINCODEC_ERR_UNSUPPORTEDOPERATION;
    if (!stream_.opened()) return WINCODEC_ERR_NOTINITIALIZED;
    if (committed_ || uncommittedFrame_) return WINCODEC_ERR_WRONGSTATE;
    // After a failed write the stream does not hold what was written: no
    // page could be added to it.
    if (FAILED(stream_.failure())) return stream_.failure();

    IPropertyBag2* bag = nullptr;
    if (options != nullptr) {
        // The encoders take no options: the bag a program fills before
        // the frame's Initialize holds none.
        IWICComponentFactory* factory = nullptr;
        HRESULT hr = CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&factory));
        if (SUCCEEDED(hr)) {
            hr = factory->CreateEncoderPropertyBag(nullptr, 0, &bag);
            factory->Release();
        }
        if (FAILED(hr)) return hr;
    }
    const HRESULT hr = PcxBitmapFrameEncode::Create(this, frameCount_, frame);
    if (FAILED(hr)) {
        if (bag != nullptr) bag->Release();
        return hr;
    }
    ++frameCount_;
    uncommittedFrame_ = true;
    if (options != nullptr) *options = bag;
    return S_OK;
}

UINT PcxBitmapEncoder::CopyColors(WICColor* colors) const {
    std::memcpy(colors, colors_, sizeof(WICColor) * colorCount_);
    return colorCount_;
}

HRESULT PcxBitmapEncoder::BeginPage(UINT index, const PcxHeader& largest, uint32_t lineCount) {
    if (!writesDcx()) return S_OK;
    if (!directoryBegun_) {
        // The directory's place, as an empty one (so that the bytes are a
        // DCX file of no pages until Commit lists them).
        uint8_t bytes[kypcx::kDcxDirectorySize];
        kypcx::StoreDcxDirectory(directory_, bytes);
        if (!out_.PutBytes(bytes, sizeof bytes))
            return CodecWriteResultOf(kypcx::Status::WriteShort, stream_.failure());
        directoryBegun_ = true;
    }
    const uint64_t start = out_.taken();
    const kypcx::Status status = kypcx::CheckPcxImageEnd(largest, lineCount, start, kypcx::kDcxMaxFileLength);
    if (status != kypcx::Status::Ok) return CodecWriteResultOf(status);
    directory_.words[index + 1] = static_cast<uint32_t>(start);
    return S_OK;
}

HRESULT PcxBitmapEncoder::Commit() {
    ExclusiveLockScope hold(&lock_);
    if (!stream_.opened()) return WINCODEC_ERR_NOTINITIALIZED;
    if (committed_ || uncommittedFrame_ || frameCount_ == 0) return WINCODEC_ERR_WRONGSTATE;
    if (FAILED(stream_.failure())) return stream_.failure();
    if (writesDcx()) {
        // Every page is in the stream: the directory that lists them goes
        // where its place was kept, and the stream is left at the end.
        uint8_t bytes[kypcx::kDcxDirectorySize];
        kypcx::StoreDcxDirectory(directory_, bytes);
        const HRESULT hr = stream_.WriteAt(0, bytes, sizeof bytes, out_.taken());
        if (FAILED(hr)) return hr;
    }
    committed_ = true;
    return S_OK;
}

HRESULT PcxBitmapEncoder::GetMetadataQueryWriter(IWICMetadataQueryWriter** writer) {
    return AnswerWithoutObject(writer, WINCODEC_ERR_UNSUPPORTEDOPERATION);
}
