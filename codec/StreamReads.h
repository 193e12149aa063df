// Reading the bytes of an image from the IStream a decoder was given: exact
// reads at a position, the stream's length, and the feed of coded scan lines
// the core's decoder takes, read ahead in blocks. Only the bytes an image
// needs are read: a page of a DCX file costs its own bytes, wherever it lies.
#pragma once

#include <windows.h>

#include <objidl.h>

#include <cstdint>

#include "kypcx/pcx_scan_lines.h"

// Reads up to `count` bytes at `at` from the start of the stream. S_OK with
// *got the bytes read (fewer only where the stream ends), or the stream's
// failure.
HRESULT ReadStreamAt(IStream* stream, uint64_t at, void* bytes, uint32_t count, uint32_t* got);

// The stream's length in bytes.
HRESULT GetStreamLength(IStream* stream, uint64_t* length);

// The coded lines of one image: `count` bytes from `start`, read into the
// caller's buffer a block at a time. As the DLL's file feed: a short read
// ends the data (the bytes held still decode), and only an image that yields
// no byte at all, or a stream that fails, is a read error.
class PcxStreamFeed final : public kypcx::PcxByteFeed {
public:
    // Positions the feed at the start of the image's data; `buffer` holds
    // `capacity` bytes and outlives the feed's use.
    void Open(IStream* stream, uint64_t start, uint64_t count, uint8_t* buffer, uint32_t capacity);
    bool Refill() override;
    // Why the last refill failed.
    HRESULT error() const { return error_; }

private:
    IStream* stream_ = nullptr;
    uint8_t* buffer_ = nullptr;
    uint32_t capacity_ = 0;
    uint64_t next_ = 0;       // where the next block is read
    uint64_t bytesLeft_ = 0;  // of the image's data, not yet read
    uint64_t totalRead_ = 0;
    HRESULT error_ = S_OK;
};
