// The rows of one bitmap frame (PcxBitmapFrameDecode), read by the one
// reader (kypcx::PcxRowReader) from the frame's stream as a caller asks for
// them. PCX lines can only be read in order, so the rows go from the top
// straight into the caller's buffer while requests move down the image (one
// call for the whole image, or bands in order, as converters and scalers
// ask), without a copy of the image of the codec's own. The first request
// that goes back up decodes the whole image once into rows the frame keeps,
// and every later request is served from them, so no order of requests
// costs more than one more decode.
//
// Rows the data does not reach are zero, as in the DLL's DIBs: a cut file
// decodes to what it holds. A stream that fails mid-way fails the request;
// the next one starts again from the image's first line.
#pragma once

#include <windows.h>

#include <objidl.h>

#include <cstdint>

#include "codec/StreamReads.h"
#include "kypcx/pcx_reader.h"
#include "kypcx/pixel_rect.h"
#include "win/HandleGuards.h"

class PcxBitmapFrameRows {
public:
    // The rows of the image `plan` describes in `stream`; both outlive the rows.
    PcxBitmapFrameRows(const kypcx::PcxImagePlan& plan, IStream* stream);
    PcxBitmapFrameRows(const PcxBitmapFrameRows&) = delete;
    PcxBitmapFrameRows& operator=(const PcxBitmapFrameRows&) = delete;

    // Copies `rect`, which CheckPixelRect found to fit the buffer at
    // `stride`, into `buffer`: only the rectangle's bytes are written.
    HRESULT Copy(const kypcx::PixelRect& rect, uint32_t stride, uint8_t* buffer);

private:
    HRESULT Start();
    // A row handed out by the reader as a DIB row at `out` (rowSize bytes):
    // assembled, or zero behind the data.
    void PutRow(const kypcx::PcxRow& row, uint8_t* out) const;
    HRESULT KeepWholeImage();
    void CopyFromKept(const kypcx::PixelRect& rect, uint32_t stride, uint8_t* buffer) const;
    HRESULT ResultOf(kypcx::Status status) const;

    const kypcx::PcxImagePlan& plan_;
    StreamImageBytes bytes_;
    kypcx::PcxRowReader reader_;
    HeapBuffer row_;
    HeapBuffer kept_;  // the whole image, top row first, once a request went back up
};
