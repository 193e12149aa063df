// Positioned reads from an IStream, the reader's read function over them,
// and planning a frame by the codec's rules.
#include "codec/StreamReads.h"

#include <wincodec.h>

#include <algorithm>

#include "codec/StatusResults.h"

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

StreamImageBytes::StreamImageBytes(IStream* stream, uint64_t start, uint64_t end)
    : stream_(stream), source_(kypcx::PcxBytesThrough(Read, this, start, end)) {}

bool StreamImageBytes::Read(void* context, uint64_t offset, uint8_t* buffer, size_t length, size_t* got) {
    auto* self = static_cast<StreamImageBytes*>(context);
    *got = 0;
    while (*got < length) {
        const uint32_t asked = static_cast<uint32_t>(std::min<uint64_t>(length - *got, UINT32_MAX));
        uint32_t read = 0;
        const HRESULT hr = ReadStreamAt(self->stream_, offset + *got, buffer + *got, asked, &read);
        if (FAILED(hr)) {
            self->error_ = hr;
            return false;
        }
        *got += read;
        if (read < asked) break;  // the stream's end
    }
    return true;
}

namespace {

void* AllocateFromHeap(void*, size_t bytes) { return HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, bytes); }
void ReleaseToHeap(void*, void* block) { HeapFree(GetProcessHeap(), 0, block); }

}  // namespace

kypcx::PcxAllocator CodecWorkingMemory() {
    kypcx::PcxAllocator memory;
    memory.allocate = AllocateFromHeap;
    memory.release = ReleaseToHeap;
    return memory;
}

HRESULT PlanStreamImage(IStream* stream, uint64_t start, uint64_t end, kypcx::PcxImagePlan* plan) {
    StreamImageBytes bytes(stream, start, end);
    const kypcx::PcxReaderRules rules = kypcx::CodecReaderRules();
    kypcx::Status status = kypcx::PlanPcxImage(bytes.source(), rules, plan);
    // A colour or data failure the DLL's readers meet at their first row
    // refuses the frame here.
    if (status == kypcx::Status::Ok) status = plan->Verdict(rules.rows);
    return CodecResultOf(status, bytes.error());
}
