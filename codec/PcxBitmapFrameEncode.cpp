// The frame object: what a program sets of the picture, the lines it hands
// over, a source converted to the frame's format, and the end of the image.
#include "codec/PcxBitmapFrameEncode.h"

#include <climits>
#include <cmath>

#include "codec/PcxBitmapEncoder.h"
#include "codec/StatusResults.h"
#include "win/HandleGuards.h"

namespace {

// A resolution the header's 16-bit fields hold once rounded, or 0 for none
// given (the header then says 96).
bool HeaderResolution(double dpi) { return dpi == 0 || (dpi >= 0.5 && dpi < 32767.5); }
int16_t HeaderDpi(double dpi) { return dpi == 0 ? 96 : static_cast<int16_t>(std::llround(dpi)); }

// How many bytes of converted rows WriteSource copies and hands on at a time.
constexpr uint64_t kSourceBandBytes = 1u << 20;

// `source` as pixels of `format` by way of 32-bit BGRA.
HRESULT ConvertThroughBgra(const GUID& format, IWICBitmapSource* source, IWICBitmapSource** converted) {
    IWICBitmapSource* bgra = nullptr;
    HRESULT hr = WICConvertBitmapSource(GUID_WICPixelFormat32bppBGRA, source, &bgra);
    if (SUCCEEDED(hr)) {
        hr = WICConvertBitmapSource(format, bgra, converted);
        bgra->Release();
    }
    return hr;
}

}  // namespace

PcxBitmapFrameEncode::PcxBitmapFrameEncode(PcxBitmapEncoder* encoder, UINT index) : encoder_(encoder), index_(index) {
    encoder_->AddRef();
}

PcxBitmapFrameEncode::~PcxBitmapFrameEncode() {
    HeapDelete(writer_);
    encoder_->Release();
}

HRESULT PcxBitmapFrameEncode::Initialize(IPropertyBag2*) {
    ExclusiveLockScope hold(encoder_->lock());
    if (initialized_) return WINCODEC_ERR_WRONGSTATE;
    initialized_ = true;  // no option changes what is written
    return S_OK;
}

HRESULT PcxBitmapFrameEncode::SetSize(UINT width, UINT height) {
    ExclusiveLockScope hold(encoder_->lock());
    if (!initialized_ || started_) return WINCODEC_ERR_WRONGSTATE;
    width_ = width;
    height_ = height;
    return S_OK;
}

HRESULT PcxBitmapFrameEncode::SetResolution(double dpiX, double dpiY) {
    ExclusiveLockScope hold(encoder_->lock());
    if (!initialized_ || started_) return WINCODEC_ERR_WRONGSTATE;
    if (!HeaderResolution(dpiX) || !HeaderResolution(dpiY)) return E_INVALIDARG;
    dpiX_ = dpiX;
    dpiY_ = dpiY;
    return S_OK;
}

HRESULT PcxBitmapFrameEncode::SetPixelFormat(WICPixelFormatGUID* format) {
    if (format == nullptr) return E_INVALIDARG;
    {
        ExclusiveLockScope hold(encoder_->lock());
        if (!initialized_ || started_) return WINCODEC_ERR_WRONGSTATE;
    }
    // Asks the imaging component about the format: not under the lock.
    const WrittenPixelFormat& written = NearestWrittenPixelFormat(*format);
    ExclusiveLockScope hold(encoder_->lock());
    if (!initialized_ || started_) return WINCODEC_ERR_WRONGSTATE;
    format_ = &written;
    *format = *written.guid;
    return S_OK;
}

HRESULT PcxBitmapFrameEncode::SetColorContexts(UINT, IWICColorContext**) { return WINCODEC_ERR_UNSUPPORTEDOPERATION; }

HRESULT PcxBitmapFrameEncode::SetPalette(IWICPalette* palette) {
    if (palette == nullptr) return E_INVALIDARG;
    ExclusiveLockScope hold(encoder_->lock());
    if (!initialized_) return WINCODEC_ERR_NOTINITIALIZED;
    if (started_) return WINCODEC_ERR_WRONGSTATE;
    UINT count = 0;
    const HRESULT hr = palette->GetColors(256, colors_, &count);
    colorCount_ = SUCCEEDED(hr) ? count : 0;
    return hr;
}

HRESULT PcxBitmapFrameEncode::SetThumbnail(IWICBitmapSource*) { return WINCODEC_ERR_UNSUPPORTEDOPERATION; }

HRESULT PcxBitmapFrameEncode::Start() {
    FramePicture picture;
    picture.width = width_;
    picture.height = height_;
    picture.format = format_;
    picture.dpiX = HeaderDpi(dpiX_);
    picture.dpiY = HeaderDpi(dpiY_);
    // The frame's own colours, else the encoder's; black and white for a
    // one-bit frame with neither.
    WICColor colors[256];
    UINT count = colorCount_;
    if (count != 0) {
        for (UINT i = 0; i < count; ++i) colors[i] = colors_[i];
    } else {
        count = encoder_->CopyColors(colors);
    }
    if (count == 0 && format_->colors == 2) {
        colors[0] = 0xFF000000;
        colors[1] = 0xFFFFFFFF;
        count = 2;
    }
    colorsMissing_ = count == 0 && format_->colors != 0;
    for (UINT i = 0; i < count; ++i) {
        picture.colors[3 * i] = static_cast<uint8_t>(colors[i] >> 16);
        picture.colors[3 * i + 1] = static_cast<uint8_t>(colors[i] >> 8);
        picture.colors[3 * i + 2] = static_cast<uint8_t>(colors[i]);
    }
    picture.colorCount = count;

    writer_ = HeapNew<PcxFrameWriter>(encoder_->out(), encoder_->stream());
    HRESULT hr = writer_ != nullptr ? writer_->Plan(picture) : E_OUTOFMEMORY;
    if (SUCCEEDED(hr)) hr = encoder_->BeginPage(index_, writer_->largestHeader(), height_);
    if (SUCCEEDED(hr)) hr = writer_->Begin();
    if (FAILED(hr)) {
        HeapDelete(writer_);
        writer_ = nullptr;
        return hr;
    }
    started_ = true;
    return S_OK;
}

HRESULT PcxBitmapFrameEncode::WritePixels(UINT lineCount, UINT stride, UINT bufferSize, BYTE* pixels) {
    ExclusiveLockScope hold(encoder_->lock());
    if (!initialized_ || width_ == 0 || height_ == 0 || format_ == nullptr) return WINCODEC_ERR_WRONGSTATE;
    const uint64_t rowBytes = (uint64_t{width_} * format_->bitsPerPixel + 7) / 8;
    if (lineCount == 0 || height_ - linesWritten_ < lineCount || stride < rowBytes ||
        bufferSize < uint64_t{stride} * (lineCount - 1) + rowBytes || pixels == nullptr)
        return E_INVALIDARG;
    if (FAILED(failure_)) return failure_;
    if (!started_) {
        const HRESULT hr = Start();
        if (FAILED(hr)) return hr;
    }
    const HRESULT hr = writer_->WriteRows(pixels, stride, lineCount);
    if (FAILED(hr)) {
        failure_ = hr;
        return hr;
    }
    linesWritten_ += lineCount;
    return S_OK;
}

HRESULT PcxBitmapFrameEncode::TakeFromSource(IWICBitmapSource* source, const WICRect* rect) {
    UINT width = 0, height = 0;
    bool hasFormat = false;
    bool hasResolution = false;
    {
        ExclusiveLockScope hold(encoder_->lock());
        width = width_;
        height = height_;
        hasFormat = format_ != nullptr;
        // Once lines are written the resolution is the frame's for good.
        hasResolution = (dpiX_ != 0 && dpiY_ != 0) || started_;
    }
    HRESULT hr = S_OK;
    if (width == 0 && height == 0) {
        if (rect != nullptr) {
            if (rect->Width <= 0 || rect->Height <= 0) return E_INVALIDARG;
            width = static_cast<UINT>(rect->Width);
            height = static_cast<UINT>(rect->Height);
        } else {
            hr = source->GetSize(&width, &height);
            if (FAILED(hr)) return hr;
            if (width == 0 || height == 0) return E_INVALIDARG;
        }
        hr = SetSize(width, height);
        if (FAILED(hr)) return hr;
    }
    if (width == 0 || height == 0) return E_INVALIDARG;
    if (!hasFormat) {
        WICPixelFormatGUID format;
        hr = source->GetPixelFormat(&format);
        if (SUCCEEDED(hr)) hr = SetPixelFormat(&format);
        if (FAILED(hr)) return hr;
    }
    if (!hasResolution) {
        double dpiX = 0, dpiY = 0;
        hr = source->GetResolution(&dpiX, &dpiY);
        if (FAILED(hr)) return hr;
        // A resolution the header cannot hold is none: the header says 96.
        if (HeaderResolution(dpiX) && HeaderResolution(dpiY)) hr = SetResolution(dpiX, dpiY);
    }
    return hr;
}

HRESULT PcxBitmapFrameEncode::WriteSource(IWICBitmapSource* source, WICRect* rect) {
    if (source == nullptr) return E_INVALIDARG;
    {
        ExclusiveLockScope hold(encoder_->lock());
        if (!initialized_) return WINCODEC_ERR_WRONGSTATE;
    }
    HRESULT hr = TakeFromSource(source, rect);
    if (FAILED(hr)) return hr;
    UINT width = 0;
    UINT linesLeft = 0;
    const WrittenPixelFormat* format = nullptr;
    bool needsColors = false;
    {
        ExclusiveLockScope hold(encoder_->lock());
        width = width_;
        linesLeft = height_ - linesWritten_;
        format = format_;
        needsColors = format_->colors != 0 && colorCount_ == 0 && !started_;
    }
    WICRect whole = {};
    if (rect == nullptr) {
        UINT sourceWidth = 0, sourceHeight = 0;
        hr = source->GetSize(&sourceWidth, &sourceHeight);
        if (FAILED(hr)) return hr;
        whole.Width = static_cast<INT>(sourceWidth);
        whole.Height = static_cast<INT>(sourceHeight);
        rect = &whole;
    }
    // The rectangle is as wide as the frame and goes no further down than
    // its last line: refused whole, before any of its lines is written.
    if (rect->Width < 0 || static_cast<UINT>(rect->Width) != width || rect->Height <= 0 ||
        static_cast<UINT>(rect->Height) > linesLeft)
        return E_INVALIDARG;

    // The rectangle's rows, a band at a time, converted to the frame's
    // format. The imaging component converts most formats directly; where
    // its converter turns out to lack the way (some of its versions cannot
    // take indexed pixels to 24 bits, which shows only when pixels are
    // asked for), the rows go through 32-bit BGRA, which every format
    // converts to and from.
    IWICBitmapSource* converted = nullptr;
    bool throughBgra = false;
    if (FAILED(WICConvertBitmapSource(*format->guid, source, &converted))) {
        throughBgra = true;
        if (FAILED(ConvertThroughBgra(*format->guid, source, &converted))) return WINCODEC_ERR_UNSUPPORTEDPIXELFORMAT;
    }
    // A bitmap's rows are written where they lie (1- and 4-bit rows only
    // from the left edge, where a row's first pixel starts a byte).
    const bool lendable = !throughBgra && (format->bitsPerPixel >= 8 || rect->X == 0);
    if (lendable && WriteLockedBitmap(converted, *rect, &hr, needsColors)) {
        converted->Release();
        return hr;
    }
    const uint64_t rowBytes = (uint64_t{width} * format->bitsPerPixel + 7) / 8;
    const uint64_t bandRows = rowBytes >= kSourceBandBytes ? 1 : kSourceBandBytes / rowBytes;
    HeapBuffer band;
    for (INT done = 0; SUCCEEDED(hr) && done < rect->Height;) {
        const INT rows = static_cast<INT>(bandRows < uint64_t(rect->Height - done) ? bandRows : rect->Height - done);
        const uint64_t size = rowBytes * static_cast<uint64_t>(rows);
        if (size > UINT_MAX || !band.Resize(size)) {
            hr = E_OUTOFMEMORY;
            break;
        }
        const WICRect part = {rect->X, rect->Y + done, rect->Width, rows};
        hr = converted->CopyPixels(&part, static_cast<UINT>(rowBytes), static_cast<UINT>(size), band.data());
        if (done == 0 && !throughBgra &&
            (hr == WINCODEC_ERR_UNSUPPORTEDPIXELFORMAT || hr == WINCODEC_ERR_UNSUPPORTEDOPERATION)) {
            converted->Release();
            converted = nullptr;
            throughBgra = true;
            hr = ConvertThroughBgra(*format->guid, source, &converted);
            if (FAILED(hr)) return WINCODEC_ERR_UNSUPPORTEDPIXELFORMAT;
            continue;  // the first band again
        }
        if (SUCCEEDED(hr) && done == 0 && needsColors) TakeColors(converted);
        if (SUCCEEDED(hr)) hr = WritePixels(static_cast<UINT>(rows), static_cast<UINT>(rowBytes), UINT(size), band.data());
        done += rows;
    }
    converted->Release();
    return hr;
}

bool PcxBitmapFrameEncode::WriteLockedBitmap(IWICBitmapSource* converted, const WICRect& rect, HRESULT* result,
                                             bool needsColors) {
    // A bitmap in the frame's format (the source itself, when it was in
    // that format) lends its rows where they lie: no copy of them is made.
    IWICBitmap* bitmap = nullptr;
    if (FAILED(converted->QueryInterface(IID_IWICBitmap, reinterpret_cast<void**>(&bitmap)))) return false;
    IWICBitmapLock* lock = nullptr;
    UINT stride = 0, size = 0;
    BYTE* rows = nullptr;
    const bool lent = SUCCEEDED(bitmap->Lock(&rect, WICBitmapLockRead, &lock)) && SUCCEEDED(lock->GetStride(&stride)) &&
                      SUCCEEDED(lock->GetDataPointer(&size, &rows)) && rows != nullptr;
    if (lent) {
        if (needsColors) TakeColors(converted);
        *result = WritePixels(static_cast<UINT>(rect.Height), stride, size, rows);
    }
    if (lock != nullptr) lock->Release();
    bitmap->Release();
    return lent;
}

void PcxBitmapFrameEncode::TakeColors(IWICBitmapSource* converted) {
    // The frame has no colours of its own: those of the source, as
    // converted, which its indices refer to. A source without any leaves
    // the frame as it was: the encoder's colours, black and white for one
    // bit, or none, which its Commit reports.
    IWICImagingFactory* factory = nullptr;
    IWICPalette* palette = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                   reinterpret_cast<void**>(&factory))) &&
        SUCCEEDED(factory->CreatePalette(&palette)) && SUCCEEDED(converted->CopyPalette(palette)))
        SetPalette(palette);
    if (palette != nullptr) palette->Release();
    if (factory != nullptr) factory->Release();
}

HRESULT PcxBitmapFrameEncode::Commit() {
    ExclusiveLockScope hold(encoder_->lock());
    if (!started_ || linesWritten_ != height_ || committed_) return WINCODEC_ERR_WRONGSTATE;
    if (FAILED(failure_)) return failure_;
    if (colorsMissing_) return WINCODEC_ERR_PALETTEUNAVAILABLE;
    const HRESULT hr = writer_->Finish();
    if (FAILED(hr)) {
        failure_ = hr;
        return hr;
    }
    HeapDelete(writer_);
    writer_ = nullptr;
    committed_ = true;
    encoder_->FrameCommitted();
    return S_OK;
}

HRESULT PcxBitmapFrameEncode::GetMetadataQueryWriter(IWICMetadataQueryWriter** writer) {
    return AnswerWithoutObject(writer, WINCODEC_ERR_UNSUPPORTEDOPERATION);
}
