// The IStream an encoder writes, as the core writer's sink: whole blocks
// written where the stream stands, the first failure kept, and the position
// where the encoder began, from which a DCX file's page offsets count.
#pragma once

#include <windows.h>

#include <objidl.h>

#include <cstddef>
#include <cstdint>

#include "kypcx/pcx_writer.h"

class EncoderStream {
public:
    EncoderStream() = default;
    ~EncoderStream();
    EncoderStream(const EncoderStream&) = delete;
    EncoderStream& operator=(const EncoderStream&) = delete;

    // Takes a reference to `stream` and notes where it stands: the start of
    // what the encoder writes. A stream that cannot say where it stands is
    // taken only when `needsPosition` is false (a PCX file is written front
    // to back and never seeks); otherwise Open fails as its Seek fails.
    HRESULT Open(IStream* stream, bool needsPosition);
    bool opened() const { return stream_ != nullptr; }

    // The sink the byte writer hands its blocks.
    kypcx::PcxSink sink() { return kypcx::PcxSink{&EncoderStream::Write, this}; }

    // Writes `length` bytes at `offset` from the start (a DCX file's
    // directory, once its pages are in), then puts the stream back at
    // `end` from the start, where the writing goes on.
    HRESULT WriteAt(uint64_t offset, const uint8_t* bytes, size_t length, uint64_t end);

    // The first failure of a write or seek, or S_OK: after one, what the
    // stream holds is not what was written, so nothing more is.
    HRESULT failure() const { return failure_; }

private:
    static bool Write(void* context, const uint8_t* bytes, size_t length);
    HRESULT WriteAll(const uint8_t* bytes, size_t length);
    HRESULT SeekTo(uint64_t offset);

    IStream* stream_ = nullptr;
    uint64_t start_ = 0;
    HRESULT failure_ = S_OK;
};
