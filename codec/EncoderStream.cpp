// Writing an encoder's bytes to its stream.
#include "codec/EncoderStream.h"

#include <wincodec.h>

EncoderStream::~EncoderStream() {
    if (stream_ != nullptr) stream_->Release();
}

HRESULT EncoderStream::Open(IStream* stream, bool needsPosition) {
    LARGE_INTEGER zero = {};
    ULARGE_INTEGER here = {};
    const HRESULT hr = stream->Seek(zero, STREAM_SEEK_CUR, &here);
    if (FAILED(hr) && needsPosition) return hr;
    if (FAILED(hr)) here.QuadPart = 0;
    stream->AddRef();
    stream_ = stream;
    start_ = here.QuadPart;
    return S_OK;
}

HRESULT EncoderStream::WriteAll(const uint8_t* bytes, size_t length) {
    if (FAILED(failure_)) return failure_;
    while (length > 0) {
        // The stream takes at most a ULONG a call; the writer's blocks are far smaller.
        const ULONG part = length > 0x40000000u ? 0x40000000u : static_cast<ULONG>(length);
        ULONG written = 0;
        HRESULT hr = stream_->Write(bytes, part, &written);
        // A stream that takes fewer bytes than it was given and says nothing
        // is full or broken all the same.
        if (SUCCEEDED(hr) && written != part) hr = WINCODEC_ERR_STREAMWRITE;
        if (FAILED(hr)) {
            failure_ = hr;
            return hr;
        }
        bytes += part;
        length -= part;
    }
    return S_OK;
}

bool EncoderStream::Write(void* context, const uint8_t* bytes, size_t length) {
    return SUCCEEDED(static_cast<EncoderStream*>(context)->WriteAll(bytes, length));
}

HRESULT EncoderStream::SeekTo(uint64_t offset) {
    if (FAILED(failure_)) return failure_;
    LARGE_INTEGER to;
    to.QuadPart = static_cast<LONGLONG>(start_ + offset);
    const HRESULT hr = stream_->Seek(to, STREAM_SEEK_SET, nullptr);
    if (FAILED(hr)) failure_ = hr;
    return hr;
}

HRESULT EncoderStream::WriteAt(uint64_t offset, const uint8_t* bytes, size_t length, uint64_t end) {
    HRESULT hr = SeekTo(offset);
    if (SUCCEEDED(hr)) hr = WriteAll(bytes, length);
    if (SUCCEEDED(hr)) hr = SeekTo(end);
    return hr;
}
