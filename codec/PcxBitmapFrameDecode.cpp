// The frame object: size, pixel format, resolution and colours from the
// plan, pixels through the frame's rows, and the answers of a frame without
// metadata, colour contexts or a thumbnail.
#include "codec/PcxBitmapFrameDecode.h"

#include "codec/CodecModule.h"
#include "codec/PcxBitmapDecoder.h"
#include "codec/StatusResults.h"
#include "win/HandleGuards.h"

namespace {

// Resolution a frame reports when its header gives none (0 or negative), the
// one the imaging component assumes for images without one.
constexpr double kDefaultDpi = 96.0;

double DpiOf(int16_t headerDpi) { return headerDpi > 0 ? double(headerDpi) : kDefaultDpi; }

const GUID& PixelFormatOf(const kypcx::PcxDecodeLayout& layout) {
    switch (layout.bitCount) {
    case 1: return GUID_WICPixelFormat1bppIndexed;
    case 4: return GUID_WICPixelFormat4bppIndexed;
    case 8: return GUID_WICPixelFormat8bppIndexed;
    case 24: return GUID_WICPixelFormat24bppBGR;
    default: return GUID_WICPixelFormat32bppBGRA;  // 4 planes: red, green, blue and alpha
    }
}

}  // namespace

PcxBitmapFrameDecode::PcxBitmapFrameDecode(PcxBitmapDecoder* decoder, const kypcx::PcxImagePlan& plan)
    : decoder_(decoder), plan_(plan), rows_(plan_, decoder->stream()) {
    decoder_->AddRef();
    CountCodecObject();
}

PcxBitmapFrameDecode::~PcxBitmapFrameDecode() {
    decoder_->Release();
    UncountCodecObject();
}

HRESULT PcxBitmapFrameDecode::Create(PcxBitmapDecoder* decoder, const kypcx::PcxImagePlan& plan,
                               IWICBitmapFrameDecode** frame) {
    PcxBitmapFrameDecode* made = HeapNew<PcxBitmapFrameDecode>(decoder, plan);
    if (made == nullptr) return E_OUTOFMEMORY;
    *frame = made;
    return S_OK;
}

HRESULT PcxBitmapFrameDecode::QueryInterface(REFIID iid, void** out) {
    if (out == nullptr) return E_INVALIDARG;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IWICBitmapSource) ||
        IsEqualIID(iid, IID_IWICBitmapFrameDecode)) {
        *out = static_cast<IWICBitmapFrameDecode*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

ULONG PcxBitmapFrameDecode::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&references_)); }

ULONG PcxBitmapFrameDecode::Release() {
    const LONG left = InterlockedDecrement(&references_);
    if (left == 0) HeapDelete(this);
    return static_cast<ULONG>(left);
}

HRESULT PcxBitmapFrameDecode::GetSize(UINT* width, UINT* height) {
    if (width == nullptr || height == nullptr) return E_INVALIDARG;
    *width = static_cast<UINT>(plan_.layout.width);
    *height = static_cast<UINT>(plan_.layout.height);
    return S_OK;
}

HRESULT PcxBitmapFrameDecode::GetPixelFormat(WICPixelFormatGUID* pixelFormat) {
    if (pixelFormat == nullptr) return E_INVALIDARG;
    *pixelFormat = PixelFormatOf(plan_.layout);
    return S_OK;
}

HRESULT PcxBitmapFrameDecode::GetResolution(double* dpiX, double* dpiY) {
    if (dpiX == nullptr || dpiY == nullptr) return E_INVALIDARG;
    *dpiX = DpiOf(plan_.header.horizontalDpi);
    *dpiY = DpiOf(plan_.header.verticalDpi);
    return S_OK;
}

HRESULT PcxBitmapFrameDecode::CopyPalette(IWICPalette* palette) {
    if (palette == nullptr) return E_INVALIDARG;
    // The image's colour table, as the DLL's DIB has it; none for direct colour.
    const uint32_t count = plan_.layout.colors;
    if (count == 0) return WINCODEC_ERR_PALETTEUNAVAILABLE;
    WICColor colors[kypcx::kPaletteTrailerColors];
    for (uint32_t i = 0; i < count; ++i) {
        const uint8_t* triple = plan_.colors.triples + 3 * i;
        colors[i] = 0xFF000000u | uint32_t(triple[0]) << 16 | uint32_t(triple[1]) << 8 | triple[2];
    }
    return palette->InitializeCustom(colors, count);
}

HRESULT PcxBitmapFrameDecode::CopyPixels(const WICRect* rect, UINT stride, UINT bufferSize, BYTE* buffer) {
    if (buffer == nullptr) return E_INVALIDARG;
    kypcx::PixelRect area;
    if (rect != nullptr) {
        area.x = rect->X;
        area.y = rect->Y;
        area.width = rect->Width;
        area.height = rect->Height;
    } else {
        area.width = plan_.layout.width;
        area.height = plan_.layout.height;
    }
    switch (kypcx::CheckPixelRect(area, uint32_t(plan_.layout.width), uint32_t(plan_.layout.height),
                                  uint32_t(plan_.layout.bitCount), stride, bufferSize)) {
    case kypcx::PixelRectCheck::Fits: break;
    case kypcx::PixelRectCheck::OutsideImage:
    case kypcx::PixelRectCheck::StrideTooSmall: return E_INVALIDARG;
    case kypcx::PixelRectCheck::BufferTooSmall: return WINCODEC_ERR_INSUFFICIENTBUFFER;
    }
    AcquireSRWLockExclusive(decoder_->lock());
    const HRESULT hr = rows_.Copy(area, stride, buffer);
    ReleaseSRWLockExclusive(decoder_->lock());
    return hr;
}

HRESULT PcxBitmapFrameDecode::GetMetadataQueryReader(IWICMetadataQueryReader** reader) {
    return AnswerWithoutObject(reader, WINCODEC_ERR_UNSUPPORTEDOPERATION);
}

// A PCX image carries no colour profile: a frame has none to give, which
// clients that ask for the count first take as "none", not as a failure.
HRESULT PcxBitmapFrameDecode::GetColorContexts(UINT, IWICColorContext**, UINT* actualCount) {
    if (actualCount == nullptr) return E_INVALIDARG;
    *actualCount = 0;
    return S_OK;
}

HRESULT PcxBitmapFrameDecode::GetThumbnail(IWICBitmapSource** thumbnail) {
    return AnswerWithoutObject(thumbnail, WINCODEC_ERR_CODECNOTHUMBNAIL);
}
