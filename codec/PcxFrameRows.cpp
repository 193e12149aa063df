// Decoding a frame's rows in order into the caller's buffer, or once into
// rows of its own when requests go back up the image.
#include "codec/PcxFrameRows.h"

#include <wincodec.h>

#include <cstring>

#include "kypcx/pcx_scan_lines.h"

namespace {

// Coded bytes read from the stream at a time, unless one line's reserve is
// more: a block this size keeps the stream's calls few and the buffer small.
constexpr uint64_t kStreamBlock = 64 * 1024;

}  // namespace

HRESULT PcxFrameRows::Start(IStream* stream) {
    const kypcx::PcxDecodeLayout& layout = plan_.layout;
    uint64_t capacity = kypcx::PcxLineReserve(layout);
    if (capacity < kStreamBlock) capacity = kStreamBlock;
    if (capacity > plan_.dataBytes) capacity = plan_.dataBytes;
    if (!feedBlock_.Resize(capacity) || !planes_.Resize(uint64_t(layout.encodedLineSize) + kypcx::kPlaneSlack) ||
        !row_.Resize(layout.rowSize))
        return E_OUTOFMEMORY;
    feed_.Open(stream, plan_.dataStart, plan_.dataBytes, feedBlock_.data(), static_cast<uint32_t>(capacity));
    nextRow_ = 0;
    dataEnded_ = false;
    started_ = true;
    return S_OK;
}

HRESULT PcxFrameRows::NextRow(uint8_t* row) {
    const kypcx::PcxDecodeLayout& layout = plan_.layout;
    if (!dataEnded_) {
        kypcx::PcxScanLineRules rules;
        rules.coding = layout.coding;
        const kypcx::PcxLineStatus status = kypcx::DecodePcxScanLine(feed_, rules, planes_.data(), layout.encodedLineSize);
        switch (status) {
        case kypcx::PcxLineStatus::ReadError:
            started_ = false;
            return FAILED(feed_.error()) ? feed_.error() : WINCODEC_ERR_STREAMREAD;
        case kypcx::PcxLineStatus::Corrupt:  // only where runs may not cross a line's end
            started_ = false;
            return WINCODEC_ERR_BADIMAGE;
        case kypcx::PcxLineStatus::Empty:
            dataEnded_ = true;
            break;
        case kypcx::PcxLineStatus::Truncated:  // the line's rest is zero; no line follows
            dataEnded_ = true;
            if (row != nullptr) kypcx::AssemblePcxRow(layout, planes_.data(), row);
            ++nextRow_;
            return S_OK;
        case kypcx::PcxLineStatus::Complete:
            if (row != nullptr) kypcx::AssemblePcxRow(layout, planes_.data(), row);
            ++nextRow_;
            return S_OK;
        }
    }
    if (row != nullptr) std::memset(row, 0, layout.rowSize);
    ++nextRow_;
    return S_OK;
}

HRESULT PcxFrameRows::KeepWholeImage(IStream* stream) {
    const kypcx::PcxDecodeLayout& layout = plan_.layout;
    if (!kept_.Resize(layout.imageSize)) return E_OUTOFMEMORY;
    HRESULT hr = Start(stream);
    for (int32_t y = 0; SUCCEEDED(hr) && y < layout.height; ++y)
        hr = NextRow(kept_.data() + uint64_t(y) * layout.rowSize);
    if (FAILED(hr)) {
        kept_.Free();
        return hr;
    }
    // The feed and line buffers are not needed again.
    started_ = false;
    feedBlock_.Free();
    planes_.Free();
    row_.Free();
    return S_OK;
}

void PcxFrameRows::CopyFromKept(const kypcx::PixelRect& rect, uint32_t stride, uint8_t* buffer) const {
    const kypcx::PcxDecodeLayout& layout = plan_.layout;
    const uint64_t bitOffset = uint64_t(rect.x) * uint32_t(layout.bitCount);
    const uint64_t bitCount = uint64_t(rect.width) * uint32_t(layout.bitCount);
    for (int32_t r = 0; r < rect.height; ++r)
        kypcx::CopyPixelBits(kept_.data() + uint64_t(rect.y + r) * layout.rowSize, bitOffset, bitCount,
                             buffer + uint64_t(r) * stride);
}

HRESULT PcxFrameRows::Copy(IStream* stream, const kypcx::PixelRect& rect, uint32_t stride, uint8_t* buffer) {
    if (rect.width == 0 || rect.height == 0) return S_OK;
    if (kept_.data() == nullptr && started_ && rect.y < nextRow_) {
        const HRESULT hr = KeepWholeImage(stream);
        if (FAILED(hr)) return hr;
    }
    if (kept_.data() != nullptr) {
        CopyFromKept(rect, stride, buffer);
        return S_OK;
    }

    const kypcx::PcxDecodeLayout& layout = plan_.layout;
    HRESULT hr = started_ ? S_OK : Start(stream);
    while (SUCCEEDED(hr) && nextRow_ < rect.y) hr = NextRow(nullptr);
    // Whole rows whose DIB row holds no padding are assembled in place; any
    // other row goes through the row buffer, so that no byte outside the
    // rectangle is written.
    const uint64_t bitOffset = uint64_t(rect.x) * uint32_t(layout.bitCount);
    const uint64_t bitCount = uint64_t(rect.width) * uint32_t(layout.bitCount);
    const bool inPlace = rect.x == 0 && rect.width == layout.width && bitCount == uint64_t(layout.rowSize) * 8;
    for (int32_t r = 0; SUCCEEDED(hr) && r < rect.height; ++r) {
        uint8_t* out = buffer + uint64_t(r) * stride;
        if (inPlace) {
            hr = NextRow(out);
        } else {
            hr = NextRow(row_.data());
            if (SUCCEEDED(hr)) kypcx::CopyPixelBits(row_.data(), bitOffset, bitCount, out);
        }
    }
    return hr;
}
