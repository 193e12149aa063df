// One frame's image, written through the encoder's byte writer by the core's
// PcxImageWriter: the header, the rows as WritePixels hands them, and at the
// end the 256-colour trailer of an 8-bit image.
//
// A 1-bit frame is one plane of one bit when readers give its two colours
// back from such a header (black and white, or complementary greys: the
// two-colour rule); other colours take four planes of one bit, the frame's
// bits in the first, so that the file shows the colours it was given.
//
// A 32-bit BGRA frame is written with a fourth plane of alpha only where some
// pixel is not opaque, which the header must say before the first line. So
// its rows are not written to the stream while every pixel so far is
// opaque: they are coded as three planes into memory (what an opaque image's
// lines are). The first row with a pixel that is not opaque decides: the
// four-plane header goes out, the held lines are decoded and written again
// with an opaque alpha plane, and every later row goes straight to the
// stream. A frame that ends with no such row is written from memory at its
// end, under a three-plane header, its held lines as they were coded. Memory
// holds at most the coded lines of an opaque image, not its pixels.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "KyPcxTypes.h"
#include "codec/EncodePixelFormats.h"
#include "codec/EncoderStream.h"
#include "kypcx/pcx_writer.h"
#include "win/HandleGuards.h"

// What a frame's image is written from, fixed once its first lines come.
struct FramePicture {
    uint32_t width = 0;
    uint32_t height = 0;
    const WrittenPixelFormat* format = nullptr;
    int16_t dpiX = 0;
    int16_t dpiY = 0;
    uint8_t colors[3 * 256] = {};  // red, green, blue triples of an indexed picture
    uint32_t colorCount = 0;
};

// Bytes kept in a heap block that grows as a byte writer hands it blocks.
class HeldBytes {
public:
    HeldBytes() = default;
    ~HeldBytes();
    HeldBytes(const HeldBytes&) = delete;
    HeldBytes& operator=(const HeldBytes&) = delete;

    kypcx::PcxSink sink() { return kypcx::PcxSink{&HeldBytes::Append, this}; }
    const uint8_t* data() const { return data_; }
    size_t size() const { return size_; }
    // E_OUTOFMEMORY once a block found no room, else S_OK.
    HRESULT failure() const { return failed_ ? E_OUTOFMEMORY : S_OK; }
    void Free();

private:
    static bool Append(void* context, const uint8_t* bytes, size_t length);

    uint8_t* data_ = nullptr;
    size_t size_ = 0;
    size_t capacity_ = 0;
    bool failed_ = false;
};

class PcxFrameWriter {
public:
    PcxFrameWriter(kypcx::PcxByteWriter& out, EncoderStream& stream) : out_(out), stream_(stream) {}
    ~PcxFrameWriter();
    PcxFrameWriter(const PcxFrameWriter&) = delete;
    PcxFrameWriter& operator=(const PcxFrameWriter&) = delete;

    // Lays out the image and takes the memory it needs; writes nothing.
    // Fails for a size the header cannot hold and for want of memory.
    HRESULT Plan(const FramePicture& picture);
    // The header of the largest image the frame can become (four planes for
    // BGRA), for the check of where a DCX page may end.
    const PcxHeader& largestHeader() const { return header_; }
    uint32_t height() const { return height_; }

    // Writes the header, unless the frame's rows are held.
    HRESULT Begin();
    // `count` rows, row i at rows + i x stride, of the picture's format.
    HRESULT WriteRows(const uint8_t* rows, size_t stride, uint32_t count);
    // The held lines under their header, the trailer of an 8-bit image, and
    // the bytes still in the writer's block.
    HRESULT Finish();

private:
    HRESULT Result(kypcx::Status status) const;
    // Whether every pixel of a BGRA row is opaque.
    bool Opaque(const uint8_t* row) const;
    // A translucent row came: the four-plane header and the held lines.
    HRESULT StopHolding();

    kypcx::PcxByteWriter& out_;
    EncoderStream& stream_;
    PcxHeader header_ = {};
    kypcx::PcxRowLayout rows_;
    uint32_t width_ = 0;
    uint32_t height_ = 0;
    bool trailer_ = false;
    uint8_t trailerColors_[3 * 256] = {};
    HeapBuffer line_;
    kypcx::PcxImageWriter* image_ = nullptr;

    // A BGRA frame's rows while all are opaque: three planes of red, green
    // and blue coded into `held_`.
    bool holding_ = false;
    PcxHeader opaqueHeader_ = {};
    kypcx::PcxRowLayout opaqueRows_;
    HeldBytes held_;
    HeapBuffer heldBlock_;
    kypcx::PcxByteWriter* heldOut_ = nullptr;
    kypcx::PcxImageWriter* heldImage_ = nullptr;
};
