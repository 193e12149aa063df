// Positioned reads from an IStream, and the block-wise feed of coded lines.
#include "codec/StreamReads.h"

#include <wincodec.h>

#include <cstring>

HRESULT ReadStreamAt(IStream* stream, uint64_t at, void* bytes, uint32_t count, uint32_t* got) {
    *got = 0;
    if (at > uint64_t(INT64_MAX)) return WINCODEC_ERR_STREAMREAD;
    LARGE_INTEGER position;
    position.QuadPart = static_cast<LONGLONG>(at);
    HRESULT hr = stream->Seek(position, STREAM_SEEK_SET, nullptr);
    if (FAILED(hr)) return hr;
    auto* out = static_cast<uint8_t*>(bytes);
    // A stream may hand over fewer bytes than asked before its end; read on
    // until it gives none.
    while (*got < count) {
        ULONG read = 0;
        hr = stream->Read(out + *got, count - *got, &read);
        if (FAILED(hr)) return hr;
        if (read > count - *got) return WINCODEC_ERR_STREAMREAD;
        if (read == 0) break;
        *got += read;
    }
    return S_OK;
}

HRESULT GetStreamLength(IStream* stream, uint64_t* length) {
    // Where the stream ends is where a seek to its end lands; a file
    // stream's statistics can cost far more than the read of a small image.
    LARGE_INTEGER zero = {};
    ULARGE_INTEGER end = {};
    if (SUCCEEDED(stream->Seek(zero, STREAM_SEEK_END, &end))) {
        *length = end.QuadPart;
        return S_OK;
    }
    STATSTG stat = {};
    const HRESULT hr = stream->Stat(&stat, STATFLAG_NONAME);
    if (FAILED(hr)) return hr;
    *length = stat.cbSize.QuadPart;
    return S_OK;
}

void PcxStreamFeed::Open(IStream* stream, uint64_t start, uint64_t count, uint8_t* buffer, uint32_t capacity) {
    stream_ = stream;
    buffer_ = buffer;
    capacity_ = capacity;
    next_ = start;
    bytesLeft_ = count;
    totalRead_ = 0;
    error_ = S_OK;
    data = buffer;
    size = 0;
    position = 0;
    exhausted = false;
}

bool PcxStreamFeed::Refill() {
    const size_t remaining = size - position;
    std::memmove(buffer_, buffer_ + position, remaining);
    data = buffer_;
    position = 0;
    size = remaining;

    uint64_t wanted = capacity_ - remaining;
    if (wanted > bytesLeft_) wanted = bytesLeft_;
    uint32_t got = 0;
    if (wanted != 0) {
        const HRESULT hr = ReadStreamAt(stream_, next_, buffer_ + remaining, static_cast<uint32_t>(wanted), &got);
        if (FAILED(hr)) {
            error_ = hr;
            return false;
        }
    }
    // A short read is the end of the data; the bytes held still decode.
    exhausted = got < wanted || bytesLeft_ == got;
    size += got;
    next_ += got;
    bytesLeft_ -= got;
    totalRead_ += got;
    if (totalRead_ == 0) {
        error_ = WINCODEC_ERR_BADIMAGE;
        return false;
    }
    return true;
}
