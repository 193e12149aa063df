// A frame's rows in order into the caller's buffer, or once into rows of its
// own when requests go back up the image.
#include "codec/PcxBitmapFrameRows.h"

#include <cstring>

#include "codec/StatusResults.h"

PcxBitmapFrameRows::PcxBitmapFrameRows(const kypcx::PcxImagePlan& plan, IStream* stream)
    : plan_(plan),
      bytes_(stream, plan.dataStart - kypcx::kPcxHeaderSize, plan.dataStart + plan.dataBytes),
      reader_(bytes_.source(), plan_, kypcx::CodecReaderRules().rows, CodecWorkingMemory()) {}

HRESULT PcxBitmapFrameRows::ResultOf(kypcx::Status status) const { return CodecResultOf(status, bytes_.error()); }

HRESULT PcxBitmapFrameRows::Start() {
    if (!row_.Resize(plan_.layout.rowSize)) return E_OUTOFMEMORY;
    return ResultOf(reader_.Start());
}

void PcxBitmapFrameRows::PutRow(const kypcx::PcxRow& row, uint8_t* out) const {
    if (row.planes != nullptr) kypcx::AssemblePcxRow(plan_.layout, row.planes, out);
    else std::memset(out, 0, plan_.layout.rowSize);
}

HRESULT PcxBitmapFrameRows::KeepWholeImage() {
    const kypcx::PcxDecodeLayout& layout = plan_.layout;
    if (!kept_.Resize(layout.imageSize)) return E_OUTOFMEMORY;
    HRESULT hr = Start();
    if (SUCCEEDED(hr)) {
        hr = ResultOf(reader_.ReadRows(layout.height, [&](const kypcx::PcxRow& row) {
            PutRow(row, kept_.data() + uint64_t(row.y) * layout.rowSize);
            return true;
        }));
    }
    if (FAILED(hr)) {
        kept_.Free();
        return hr;
    }
    // The reader's buffers and the row are not needed again.
    reader_.Release();
    row_.Free();
    return S_OK;
}

void PcxBitmapFrameRows::CopyFromKept(const kypcx::PixelRect& rect, uint32_t stride, uint8_t* buffer) const {
    const kypcx::PcxDecodeLayout& layout = plan_.layout;
    const uint64_t bitOffset = uint64_t(rect.x) * uint32_t(layout.bitCount);
    const uint64_t bitCount = uint64_t(rect.width) * uint32_t(layout.bitCount);
    for (int32_t r = 0; r < rect.height; ++r)
        kypcx::CopyPixelBits(kept_.data() + uint64_t(rect.y + r) * layout.rowSize, bitOffset, bitCount,
                             buffer + uint64_t(r) * stride);
}

HRESULT PcxBitmapFrameRows::Copy(const kypcx::PixelRect& rect, uint32_t stride, uint8_t* buffer) {
    if (rect.width == 0 || rect.height == 0) return S_OK;
    bytes_.ClearError();
    if (kept_.data() == nullptr && reader_.started() && rect.y < reader_.nextRow()) {
        const HRESULT hr = KeepWholeImage();
        if (FAILED(hr)) return hr;
    }
    if (kept_.data() != nullptr) {
        CopyFromKept(rect, stride, buffer);
        return S_OK;
    }

    const kypcx::PcxDecodeLayout& layout = plan_.layout;
    HRESULT hr = reader_.started() ? S_OK : Start();
    // The rows above the rectangle are read and passed over.
    if (SUCCEEDED(hr))
        hr = ResultOf(reader_.ReadRows(rect.y - reader_.nextRow(), [](const kypcx::PcxRow&) { return true; }));
    if (FAILED(hr)) return hr;
    // Whole rows whose DIB row holds no padding are assembled in place; any
    // other row goes through the row buffer, so that no byte outside the
    // rectangle is written.
    const uint64_t bitOffset = uint64_t(rect.x) * uint32_t(layout.bitCount);
    const uint64_t bitCount = uint64_t(rect.width) * uint32_t(layout.bitCount);
    const bool inPlace = rect.x == 0 && rect.width == layout.width && bitCount == uint64_t(layout.rowSize) * 8;
    uint8_t* out = buffer;
    return ResultOf(reader_.ReadRows(rect.height, [&](const kypcx::PcxRow& row) {
        if (inPlace) {
            PutRow(row, out);
        } else {
            PutRow(row, row_.data());
            kypcx::CopyPixelBits(row_.data(), bitOffset, bitCount, out);
        }
        out += stride;
        return true;
    }));
}
