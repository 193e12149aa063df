// Writing one frame's image: through the stream at once, or, for a BGRA
// frame whose pixels are all opaque so far, through memory first.
#include "codec/PcxFrameWriter.h"

#include <wincodec.h>

#include <climits>
#include <cstring>

#include "codec/StatusResults.h"
#include "kypcx/pcx_format.h"
#include "kypcx/pcx_rle_decode.h"

namespace {

using kypcx::Status;

// The block a held frame's lines are coded into before they go to memory.
constexpr size_t kHeldBlockSize = 16384;

int32_t Dimension(uint32_t value) { return value > INT32_MAX ? INT32_MAX : static_cast<int32_t>(value); }

// Whether a one-plane, one-bit header gives a reader the frame's colours
// back (the first `count` of `triples`, at most two). Readers take such an
// image's colours by the two-colour rule: black and white, unless the
// header's two entries are complementary greys.
bool ShowsTwoColors(const PcxHeader& header, const uint8_t* triples, uint32_t count) {
    uint8_t shown[6];
    kypcx::BuildTwoColorPalette(header, shown);
    return std::memcmp(shown, triples, 3 * size_t(count < 2 ? count : 2)) == 0;
}

}  // namespace

HeldBytes::~HeldBytes() { Free(); }

void HeldBytes::Free() {
    if (data_ != nullptr) HeapFree(GetProcessHeap(), 0, data_);
    data_ = nullptr;
    size_ = 0;
    capacity_ = 0;
}

bool HeldBytes::Append(void* context, const uint8_t* bytes, size_t length) {
    auto* held = static_cast<HeldBytes*>(context);
    if (held->failed_) return false;
    if (length > held->capacity_ - held->size_) {
        size_t capacity = held->capacity_ == 0 ? 65536 : held->capacity_;
        while (capacity - held->size_ < length) {
            if (capacity > SIZE_MAX / 4) {
                held->failed_ = true;
                return false;
            }
            capacity *= 2;
        }
        void* grown = held->data_ == nullptr ? HeapAlloc(GetProcessHeap(), 0, capacity)
                                             : HeapReAlloc(GetProcessHeap(), 0, held->data_, capacity);
        if (grown == nullptr) {
            held->failed_ = true;
            return false;
        }
        held->data_ = static_cast<uint8_t*>(grown);
        held->capacity_ = capacity;
    }
    std::memcpy(held->data_ + held->size_, bytes, length);
    held->size_ += length;
    return true;
}

PcxFrameWriter::~PcxFrameWriter() {
    HeapDelete(image_);
    HeapDelete(heldImage_);
    HeapDelete(heldOut_);
}

HRESULT PcxFrameWriter::Result(Status status) const {
    const HRESULT sinkError = FAILED(stream_.failure()) ? stream_.failure() : held_.failure();
    return CodecWriteResultOf(status, sinkError);
}

HRESULT PcxFrameWriter::Plan(const FramePicture& p) {
    const uint32_t colorCount = p.colorCount < 256 ? p.colorCount : 256;
    kypcx::PcxPicture picture;
    picture.width = Dimension(p.width);
    picture.height = Dimension(p.height);
    picture.format = p.format->rows;
    picture.dpiX = p.dpiX;
    picture.dpiY = p.dpiY;
    picture.colors = p.colors;
    picture.colorCount = colorCount;
    Status status = kypcx::FillPicturePcxHeader(picture, &header_, &rows_);
    if (status != Status::Ok) return CodecWriteResultOf(status);
    if (p.format->rows == kypcx::PcxPixelFormat::Indexed1 && !ShowsTwoColors(header_, p.colors, colorCount)) {
        // Four planes of one bit keep any two colours: the row is the first
        // plane, the other three are zero, and the header holds 16 colours.
        picture.format = kypcx::PcxPixelFormat::Indexed4;
        status = kypcx::FillPicturePcxHeader(picture, &header_, &rows_);
        if (status != Status::Ok) return CodecWriteResultOf(status);
        rows_.kind = kypcx::PcxRowKind::Copied;
        rows_.rowBytes = rows_.bytesPerLine;
    }
    width_ = p.width;
    height_ = p.height;
    trailer_ = kypcx::HasPaletteTrailer(header_);
    std::memcpy(trailerColors_, p.colors, 3 * size_t(colorCount));
    std::memset(trailerColors_ + 3 * size_t(colorCount), 0, 3 * size_t(256 - colorCount));
    if (!line_.Resize(rows_.lineSize())) return E_OUTOFMEMORY;

    if (p.format->rows != kypcx::PcxPixelFormat::Bgra32) {
        image_ = HeapNew<kypcx::PcxImageWriter>(out_, header_, rows_, height_, line_.data());
        return image_ != nullptr ? S_OK : E_OUTOFMEMORY;
    }
    // The same pixels as three planes: the header of a 24-bit picture, and
    // rows of four bytes a pixel whose alpha is left out.
    picture.format = kypcx::PcxPixelFormat::Bgr24;
    kypcx::PcxRowLayout bgr;
    status = kypcx::FillPicturePcxHeader(picture, &opaqueHeader_, &bgr);
    if (status != Status::Ok) return CodecWriteResultOf(status);
    opaqueRows_ = rows_;
    opaqueRows_.kind = kypcx::PcxRowKind::Masked32;
    opaqueRows_.planes = 3;
    opaqueRows_.masks[0] = 0x00FF0000;
    opaqueRows_.masks[1] = 0x0000FF00;
    opaqueRows_.masks[2] = 0x000000FF;
    if (!heldBlock_.Resize(kHeldBlockSize)) return E_OUTOFMEMORY;
    heldOut_ = HeapNew<kypcx::PcxByteWriter>(held_.sink(), heldBlock_.data(), kHeldBlockSize);
    if (heldOut_ == nullptr) return E_OUTOFMEMORY;
    heldImage_ = HeapNew<kypcx::PcxImageWriter>(*heldOut_, opaqueHeader_, opaqueRows_, height_, line_.data());
    if (heldImage_ == nullptr) return E_OUTOFMEMORY;
    holding_ = true;
    return S_OK;
}

HRESULT PcxFrameWriter::Begin() { return holding_ ? S_OK : Result(image_->WriteHeader()); }

bool PcxFrameWriter::Opaque(const uint8_t* row) const {
    for (uint32_t x = 0; x < width_; ++x)
        if (row[4 * size_t(x) + 3] != 0xFF) return false;
    return true;
}

HRESULT PcxFrameWriter::StopHolding() {
    Status status = heldImage_->EndLines();
    if (status != Status::Ok) return Result(status);
    image_ = HeapNew<kypcx::PcxImageWriter>(out_, header_, rows_, height_, line_.data());
    if (image_ == nullptr) return E_OUTOFMEMORY;
    status = image_->WriteHeader();
    if (status != Status::Ok) return Result(status);

    // Each held line decoded to its red, green and blue planes, and written
    // again as a row of blue, green, red and an opaque alpha.
    const size_t planeBytes = rows_.bytesPerLine;
    HeapBuffer planes;
    HeapBuffer row;
    if (!planes.Resize(3 * planeBytes) || !row.Resize(4 * uint64_t{width_})) return E_OUTOFMEMORY;
    size_t at = 0;
    const uint32_t lines = heldImage_->linesWritten();
    for (uint32_t y = 0; y < lines; ++y) {
        size_t produced = 0;
        if (!kypcx::DecodePcxRuns(held_.data(), held_.size(), &at, planes.data(), 3 * planeBytes, &produced,
                                  kypcx::PcxRunPolicy::RefuseCrossing) ||
            produced != 3 * planeBytes)
            return WINCODEC_ERR_INTERNALERROR;  // lines this writer coded itself
        const uint8_t* red = planes.data();
        const uint8_t* green = red + planeBytes;
        const uint8_t* blue = green + planeBytes;
        uint8_t* pixel = row.data();
        for (uint32_t x = 0; x < width_; ++x, pixel += 4) {
            pixel[0] = blue[x];
            pixel[1] = green[x];
            pixel[2] = red[x];
            pixel[3] = 0xFF;
        }
        status = image_->WriteRows(row.data(), 0, 1);
        if (status != Status::Ok) return Result(status);
    }
    HeapDelete(heldImage_);
    heldImage_ = nullptr;
    HeapDelete(heldOut_);
    heldOut_ = nullptr;
    held_.Free();
    heldBlock_.Free();
    holding_ = false;
    return S_OK;
}

HRESULT PcxFrameWriter::WriteRows(const uint8_t* rows, size_t stride, uint32_t count) {
    const auto at = [&](uint32_t i) { return rows + size_t(i) * stride; };
    uint32_t i = 0;
    while (holding_ && i < count) {
        uint32_t opaque = 0;
        while (i + opaque < count && Opaque(at(i + opaque))) ++opaque;
        if (opaque == 0) {
            const HRESULT hr = StopHolding();
            if (FAILED(hr)) return hr;
            break;
        }
        const Status status = heldImage_->WriteRows(at(i), static_cast<ptrdiff_t>(stride), opaque);
        if (status != Status::Ok) return Result(status);
        i += opaque;
    }
    if (i == count) return S_OK;
    return Result(image_->WriteRows(at(i), static_cast<ptrdiff_t>(stride), count - i));
}

HRESULT PcxFrameWriter::Finish() {
    Status status = Status::Ok;
    if (holding_) {
        // Every pixel was opaque: three planes, the lines as they were held.
        status = heldImage_->EndLines();
        if (status != Status::Ok) return Result(status);
        image_ = HeapNew<kypcx::PcxImageWriter>(out_, opaqueHeader_, opaqueRows_, height_, line_.data());
        if (image_ == nullptr) return E_OUTOFMEMORY;
        status = image_->WriteHeader();
        if (status == Status::Ok && !out_.PutBytes(held_.data(), held_.size())) status = Status::LineNotWritten;
        if (status != Status::Ok) return Result(status);
    }
    if (trailer_) status = image_->WriteTrailer(trailerColors_);
    if (status == Status::Ok) status = image_->Finish();
    return Result(status);
}
