// Reading the bytes of an image from the IStream a decoder was given: exact
// reads at a position, the stream's length, and the read function through
// which the one reader (kypcx/pcx_reader.h) takes an image's bytes. Only the
// bytes an image needs are read: a page of a DCX file costs its own bytes,
// wherever it lies.
#pragma once

#include <windows.h>

#include <objidl.h>

#include <cstdint>

#include "kypcx/pcx_reader.h"

// Reads up to `count` bytes at `at` from the start of the stream. S_OK with
// *got the bytes read (fewer only where the stream ends), or the stream's
// failure.
HRESULT ReadStreamAt(IStream* stream, uint64_t at, void* bytes, uint32_t count, uint32_t* got);

// The stream's length in bytes.
HRESULT GetStreamLength(IStream* stream, uint64_t* length);

// The image that occupies [start, end) of a stream, for the reader. A read
// the stream fails keeps the stream's HRESULT, which the codec reports in
// place of the reader's status (CodecResultOf).
class StreamImageBytes {
public:
    StreamImageBytes(IStream* stream, uint64_t start, uint64_t end);
    StreamImageBytes(const StreamImageBytes&) = delete;
    StreamImageBytes& operator=(const StreamImageBytes&) = delete;

    const kypcx::PcxByteSource& source() const { return source_; }
    // The stream's failure since the last ClearError, or S_OK.
    HRESULT error() const { return error_; }
    void ClearError() { error_ = S_OK; }

private:
    static bool Read(void* context, uint64_t offset, uint8_t* buffer, size_t length, size_t* got);

    IStream* stream_;
    HRESULT error_ = S_OK;
    kypcx::PcxByteSource source_;
};

// The reader's working memory, from the process heap.
kypcx::PcxAllocator CodecWorkingMemory();

// Plans the image whose header is at `start` of `stream` and whose bytes end
// at `end` (the stream's length, or where a DCX page ends), by the codec's
// rules (kypcx::CodecReaderRules): a frame is refused exactly where the
// layout readers refuse the same file or page, before any row is read.
HRESULT PlanStreamImage(IStream* stream, uint64_t start, uint64_t end, kypcx::PcxImagePlan* plan);
