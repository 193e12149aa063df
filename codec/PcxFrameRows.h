// The rows of one frame, decoded from its stream as a caller asks for them.
// PCX lines can only be read in order, so the rows are decoded from the top
// straight into the caller's buffer while requests move down the image (one
// call for the whole image, or bands in order, as converters and scalers
// ask), without a copy of the image of the codec's own. The first request
// that goes back up decodes the whole image once into rows the frame keeps,
// and every later request is served from them, so no order of requests costs
// more than one more decode.
//
// Rows the data does not reach are zero, as in the DLL's DIBs: a cut file
// decodes to what it holds. A stream that fails mid-way fails the request;
// the next one starts again from the image's first line.
#pragma once

#include <windows.h>

#include <objidl.h>

#include <cstdint>

#include "codec/CodecMemory.h"
#include "codec/PcxFramePlan.h"
#include "codec/StreamReads.h"
#include "kypcx/pixel_rect.h"

class PcxFrameRows {
public:
    explicit PcxFrameRows(const PcxFramePlan& plan) : plan_(plan) {}
    PcxFrameRows(const PcxFrameRows&) = delete;
    PcxFrameRows& operator=(const PcxFrameRows&) = delete;

    // Copies `rect`, which CheckPixelRect found to fit the buffer at
    // `stride`, into `buffer`: only the rectangle's bytes are written.
    HRESULT Copy(IStream* stream, const kypcx::PixelRect& rect, uint32_t stride, uint8_t* buffer);

private:
    HRESULT Start(IStream* stream);
    // Decodes the next row from the top into `row` (rowSize bytes), or
    // passes over it when `row` is null.
    HRESULT NextRow(uint8_t* row);
    HRESULT KeepWholeImage(IStream* stream);
    void CopyFromKept(const kypcx::PixelRect& rect, uint32_t stride, uint8_t* buffer) const;

    const PcxFramePlan& plan_;
    PcxStreamFeed feed_;
    CodecBuffer feedBlock_;
    CodecBuffer planes_;
    CodecBuffer row_;
    CodecBuffer kept_;       // the whole image, top row first, once a request went back up
    bool started_ = false;
    bool dataEnded_ = false;
    int32_t nextRow_ = 0;    // the next row from the top the feed gives
};
