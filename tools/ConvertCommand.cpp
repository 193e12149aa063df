// kypcx convert: every page of the input becomes a DIB (the library's own
// form of a picture: info header, colour table, rows from the bottom), read
// by KyPCX.dll for PCX and DCX files and by the imaging component for the
// rest; the pages then go to KyPCX.dll's writers for PCX and DCX files and
// to the imaging component's encoder for the rest. The output is built
// beside its name and put there only once every page is in, so a failed
// conversion leaves no half-made file and an old file as it was.
#include "ConvertCommand.h"

#include <wincodec.h>

#include <cmath>
#include <cstdio>
#include <cwchar>
#include <memory>
#include <string>
#include <vector>

#include "KyPCX.h"
#include "win/HandleGuards.h"

namespace {

// Pixels per metre from dots per inch, rounded as the library rounds them.
LONG PelsPerMeter(double dpi) { return dpi > 0 && dpi < 1e6 ? static_cast<LONG>(std::lround(dpi * 39.37)) : 0; }
double Dpi(LONG pelsPerMeter) { return pelsPerMeter > 0 ? pelsPerMeter / 39.37 : 96.0; }

// A COM interface pointer, released with its scope.
template <typename T>
class Com {
public:
    Com() = default;
    ~Com() {
        if (p_ != nullptr) p_->Release();
    }
    Com(const Com&) = delete;
    Com& operator=(const Com&) = delete;
    T* get() const { return p_; }
    T* operator->() const { return p_; }
    T** put() {
        reset();
        return &p_;
    }
    void reset() {
        if (p_ != nullptr) p_->Release();
        p_ = nullptr;
    }

private:
    T* p_ = nullptr;
};

DWORD DibRowBytes(const BITMAPINFOHEADER& h) { return ((h.biBitCount * DWORD(h.biWidth) + 31) / 32) * 4; }
DWORD DibTableEntries(const BITMAPINFOHEADER& h) {
    if (h.biClrUsed != 0) return h.biClrUsed;
    return h.biBitCount <= 8 ? 1u << h.biBitCount : 0;
}

// What the imaging component says of a failure, for people.
std::wstring Why(HRESULT hr) {
    const wchar_t* what = nullptr;
    switch (hr) {
    case WINCODEC_ERR_COMPONENTNOTFOUND: what = L"no installed decoder reads this format"; break;
    case WINCODEC_ERR_BADHEADER: what = L"its header is damaged"; break;
    case WINCODEC_ERR_BADIMAGE: what = L"its picture is damaged"; break;
    case WINCODEC_ERR_FRAMEMISSING: what = L"the page is missing"; break;
    case WINCODEC_ERR_UNSUPPORTEDPIXELFORMAT: what = L"its pixel format cannot be converted"; break;
    case WINCODEC_ERR_UNKNOWNIMAGEFORMAT: what = L"not a picture this format's decoder knows"; break;
    case HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND):
    case HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND): what = L"no such file"; break;
    case HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED): what = L"access denied"; break;
    case E_OUTOFMEMORY: what = L"out of memory"; break;
    default: break;
    }
    wchar_t text[160];
    std::swprintf(text, 160, L"%ls (0x%08lX)", what != nullptr ? what : L"the imaging component failed",
                  static_cast<unsigned long>(hr));
    return text;
}

int Fail(const std::wstring& what, const std::wstring& why) {
    std::fwprintf(stderr, L"%ls: %ls\n", what.c_str(), why.c_str());
    return 1;
}

// The exports the command uses.
struct LibraryCalls {
    decltype(&GetPCXErrorString) errorString = nullptr;
    decltype(&LoadPCXImageW) loadImage = nullptr;
    decltype(&GetDCXInfoW) countPages = nullptr;
    decltype(&SavePCXImageW) saveImage = nullptr;
    decltype(&MakeDCXFileW) makeDcx = nullptr;

    bool Load(HMODULE module) {
        errorString = KyPcxGetProc<decltype(errorString)>(module, "GetPCXErrorString");
        loadImage = KyPcxGetProc<decltype(loadImage)>(module, "LoadPCXImageW");
        countPages = KyPcxGetProc<decltype(countPages)>(module, "GetDCXInfoW");
        saveImage = KyPcxGetProc<decltype(saveImage)>(module, "SavePCXImageW");
        makeDcx = KyPcxGetProc<decltype(makeDcx)>(module, "MakeDCXFileW");
        return errorString && loadImage && countPages && saveImage && makeDcx;
    }
    std::wstring Message(PcxErrorCode code) const {
        char text[64] = {};
        errorString(text, &code);
        wchar_t wide[96];
        std::swprintf(wide, 96, L"error %d: %hs", static_cast<int>(code), text);
        return wide;
    }
};

// ---- Reading ---------------------------------------------------------------

// The pages of the input, each handed out as a DIB.
class PageReader {
public:
    virtual ~PageReader() = default;
    virtual UINT Count() const = 0;
    // The page's DIB, or null with *why set.
    virtual HGLOBAL Read(UINT page, std::wstring* why) = 0;
};

// A PCX file (one page) or a DCX file, read by the library's layout reader.
class LibraryPages final : public PageReader {
public:
    LibraryPages(const LibraryCalls& lib, const wchar_t* path, bool dcx, UINT count)
        : lib_(lib), path_(path), dcx_(dcx), count_(count) {}
    UINT Count() const override { return count_; }
    HGLOBAL Read(UINT page, std::wstring* why) override {
        PcxErrorCode code = PCX_OK;
        HGLOBAL dib = lib_.loadImage(path_.c_str(), dcx_ ? page : KYPCX_WHOLE_FILE, 0, &code, nullptr);
        if (dib == nullptr) *why = lib_.Message(code);
        return dib;
    }

private:
    const LibraryCalls& lib_;
    std::wstring path_;
    bool dcx_;
    UINT count_;
};

// Whether the pixel format keeps a colour per pixel that can be see-through.
bool HasAlpha(IWICImagingFactory* factory, REFGUID format) {
    Com<IWICComponentInfo> info;
    Com<IWICPixelFormatInfo2> pixel;
    BOOL transparent = FALSE;
    return SUCCEEDED(factory->CreateComponentInfo(format, info.put())) &&
           SUCCEEDED(info->QueryInterface(IID_PPV_ARGS(pixel.put()))) &&
           SUCCEEDED(pixel->SupportsTransparency(&transparent)) && transparent;
}

// The DIB a frame becomes: 1-, 4- and 8-bit indexed pictures keep their
// colour table; others become 24-bit, or 32-bit where they have alpha.
HRESULT FrameAsDib(IWICImagingFactory* factory, IWICBitmapFrameDecode* frame, HGLOBAL* out) {
    *out = nullptr;
    UINT width = 0, height = 0;
    WICPixelFormatGUID format = {};
    double dpiX = 96, dpiY = 96;
    HRESULT hr = frame->GetSize(&width, &height);
    if (SUCCEEDED(hr)) hr = frame->GetPixelFormat(&format);
    if (FAILED(hr)) return hr;
    if (FAILED(frame->GetResolution(&dpiX, &dpiY))) dpiX = dpiY = 96;
    if (width == 0 || height == 0 || width > 0x7FFF || height > 0x7FFF) return WINCODEC_ERR_IMAGESIZEOUTOFRANGE;

    WORD bits = 24;
    WICPixelFormatGUID target = GUID_WICPixelFormat24bppBGR;
    if (IsEqualGUID(format, GUID_WICPixelFormat1bppIndexed)) {
        bits = 1;
        target = format;
    } else if (IsEqualGUID(format, GUID_WICPixelFormat4bppIndexed)) {
        bits = 4;
        target = format;
    } else if (IsEqualGUID(format, GUID_WICPixelFormat8bppIndexed)) {
        bits = 8;
        target = format;
    } else if (HasAlpha(factory, format)) {
        bits = 32;
        target = GUID_WICPixelFormat32bppBGRA;
    }
    Com<IWICFormatConverter> converter;
    IWICBitmapSource* source = frame;
    if (!IsEqualGUID(format, target)) {
        hr = factory->CreateFormatConverter(converter.put());
        if (SUCCEEDED(hr))
            hr = converter->Initialize(frame, target, WICBitmapDitherTypeNone, nullptr, 0.0, WICBitmapPaletteTypeCustom);
        if (FAILED(hr)) return hr;
        source = converter.get();
    }

    WICColor colors[256] = {};
    UINT colorCount = 0;
    if (bits <= 8) {
        Com<IWICPalette> palette;
        hr = factory->CreatePalette(palette.put());
        if (SUCCEEDED(hr)) hr = frame->CopyPalette(palette.get());
        if (SUCCEEDED(hr)) hr = palette->GetColors(1u << bits, colors, &colorCount);
        if (FAILED(hr)) return hr;
    }
    BITMAPINFOHEADER h = {};
    h.biSize = sizeof h;
    h.biWidth = static_cast<LONG>(width);
    h.biHeight = static_cast<LONG>(height);
    h.biPlanes = 1;
    h.biBitCount = bits;
    h.biCompression = BI_RGB;
    h.biXPelsPerMeter = PelsPerMeter(dpiX);
    h.biYPelsPerMeter = PelsPerMeter(dpiY);
    h.biClrUsed = bits <= 8 ? (colorCount != 0 ? colorCount : 1u << bits) : 0;
    const DWORD row = DibRowBytes(h);
    const ULONGLONG size = sizeof h + ULONGLONG{h.biClrUsed} * sizeof(RGBQUAD) + ULONGLONG{row} * height;
    if (size > 0x7FFF0000) return WINCODEC_ERR_IMAGESIZEOUTOFRANGE;
    h.biSizeImage = row * height;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, static_cast<SIZE_T>(size));
    if (block == nullptr) return E_OUTOFMEMORY;
    auto* bytes = static_cast<BYTE*>(GlobalLock(block));
    CopyMemory(bytes, &h, sizeof h);
    auto* table = reinterpret_cast<RGBQUAD*>(bytes + sizeof h);
    for (UINT i = 0; i < h.biClrUsed; ++i) {
        const WICColor c = i < colorCount ? colors[i] : 0;
        table[i] = RGBQUAD{BYTE(c), BYTE(c >> 8), BYTE(c >> 16), 0};
    }
    BYTE* rows = bytes + sizeof h + h.biClrUsed * sizeof(RGBQUAD);
    // Rows one at a time into their places from the bottom: a decoder hands
    // them out top row first.
    for (UINT y = 0; y < height && SUCCEEDED(hr); ++y) {
        const WICRect rect = {0, static_cast<INT>(y), static_cast<INT>(width), 1};
        hr = source->CopyPixels(&rect, row, row, rows + ULONGLONG{row} * (height - 1 - y));
    }
    GlobalUnlock(block);
    if (FAILED(hr)) {
        GlobalFree(block);
        return hr;
    }
    *out = block;
    return S_OK;
}

// Any format the imaging component decodes.
class WicPages final : public PageReader {
public:
    WicPages(IWICImagingFactory* factory, IWICBitmapDecoder* decoder, UINT count)
        : factory_(factory), decoder_(decoder), count_(count) {}
    UINT Count() const override { return count_; }
    HGLOBAL Read(UINT page, std::wstring* why) override {
        Com<IWICBitmapFrameDecode> frame;
        HGLOBAL dib = nullptr;
        HRESULT hr = decoder_->GetFrame(page, frame.put());
        if (SUCCEEDED(hr)) hr = FrameAsDib(factory_, frame.get(), &dib);
        if (FAILED(hr)) *why = Why(hr);
        return dib;
    }

private:
    IWICImagingFactory* factory_;
    IWICBitmapDecoder* decoder_;
    UINT count_;
};

// How the input is read, by its first bytes: a DCX file by its magic, a PCX
// file by its maker byte and a version the library reads; anything else is
// the imaging component's to recognise.
enum class InputKind { Pcx, Dcx, Other };

InputKind InputKindOf(const wchar_t* path) {
    HANDLE f = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return InputKind::Other;
    BYTE b[4] = {};
    DWORD got = 0;
    const bool read = ReadFile(f, b, sizeof b, &got, nullptr) && got == sizeof b;
    CloseHandle(f);
    if (!read) return InputKind::Other;
    if (b[0] == 0xB1 && b[1] == 0x68 && b[2] == 0xDE && b[3] == 0x3A) return InputKind::Dcx;
    const bool version = b[1] == 0 || b[1] == 2 || b[1] == 3 || b[1] == 4 || b[1] == 5;
    return b[0] == 0x0A && version ? InputKind::Pcx : InputKind::Other;
}

// ---- Writing ---------------------------------------------------------------

enum class OutputKind { Pcx, Dcx, Other };

struct OutputFormat {
    OutputKind kind = OutputKind::Other;
    GUID container = {};
};

// The format the output's extension names, or false.
bool OutputFormatOf(const wchar_t* path, OutputFormat* format) {
    const wchar_t* dot = std::wcsrchr(path, L'.');
    const wchar_t* slash = std::wcsrchr(path, L'\\');
    if (dot == nullptr || (slash != nullptr && slash > dot)) return false;
    static const struct {
        const wchar_t* extension;
        OutputKind kind;
        const GUID* container;
    } kFormats[] = {
        {L".pcx", OutputKind::Pcx, nullptr},
        {L".dcx", OutputKind::Dcx, nullptr},
        {L".png", OutputKind::Other, &GUID_ContainerFormatPng},
        {L".tif", OutputKind::Other, &GUID_ContainerFormatTiff},
        {L".tiff", OutputKind::Other, &GUID_ContainerFormatTiff},
        {L".jpg", OutputKind::Other, &GUID_ContainerFormatJpeg},
        {L".jpeg", OutputKind::Other, &GUID_ContainerFormatJpeg},
        {L".gif", OutputKind::Other, &GUID_ContainerFormatGif},
        {L".bmp", OutputKind::Other, &GUID_ContainerFormatBmp},
        {L".dib", OutputKind::Other, &GUID_ContainerFormatBmp},
        {L".jxr", OutputKind::Other, &GUID_ContainerFormatWmp},
        {L".wdp", OutputKind::Other, &GUID_ContainerFormatWmp},
    };
    for (const auto& f : kFormats) {
        if (lstrcmpiW(dot, f.extension) != 0) continue;
        format->kind = f.kind;
        if (f.container != nullptr) format->container = *f.container;
        return true;
    }
    return false;
}

// The layout a page is saved in: the classic one, which every PCX reader
// reads, unless the picture has pixels that are not opaque, whose alpha
// only a fourth plane keeps.
DWORD PageLayoutFlags(HGLOBAL dib) {
    const auto* h = static_cast<const BITMAPINFOHEADER*>(GlobalLock(dib));
    if (h == nullptr) return KYPCX_SAVE_CLASSIC;
    bool translucent = false;
    if (h->biBitCount == 32 && h->biCompression == BI_RGB) {
        const BYTE* pixels = reinterpret_cast<const BYTE*>(h) + h->biSize;
        const ULONGLONG count = ULONGLONG(h->biWidth) * ULONGLONG(h->biHeight < 0 ? -h->biHeight : h->biHeight);
        for (ULONGLONG i = 0; i < count && !translucent; ++i) translucent = pixels[4 * i + 3] != 255;
    }
    GlobalUnlock(dib);
    return translucent ? KYPCX_SAVE_LAYOUT(4, 8) : KYPCX_SAVE_CLASSIC;
}

// Where the pages go. The file is built at a name of its own and put in
// place by Finish.
class PageWriter {
public:
    virtual ~PageWriter() = default;
    // False, with *why set, when the page cannot be added.
    virtual bool Add(HGLOBAL dib, std::wstring* why) = 0;
    virtual bool Finish(std::wstring* why) = 0;
};

// One page as a PCX file, by the library's DIB writer.
class PcxWriter final : public PageWriter {
public:
    PcxWriter(const LibraryCalls& lib, std::wstring path) : lib_(lib), path_(std::move(path)) {}
    bool Add(HGLOBAL dib, std::wstring* why) override {
        PcxErrorCode code = PCX_OK;
        if (lib_.saveImage(path_.c_str(), dib, PageLayoutFlags(dib), &code, nullptr)) return true;
        *why = lib_.Message(code);
        return false;
    }
    bool Finish(std::wstring*) override { return true; }

private:
    const LibraryCalls& lib_;
    std::wstring path_;
};

// Pages of a new DCX file, each added by the library's DIB writer.
class DcxWriter final : public PageWriter {
public:
    DcxWriter(const LibraryCalls& lib, std::wstring path) : lib_(lib), path_(std::move(path)) {}
    bool Add(HGLOBAL dib, std::wstring* why) override {
        PcxErrorCode code = PCX_OK;
        if (!made_) {
            if (!lib_.makeDcx(path_.c_str(), &code)) {
                *why = lib_.Message(code);
                return false;
            }
            made_ = true;
        }
        if (lib_.saveImage(path_.c_str(), dib, PageLayoutFlags(dib) | KYPCX_SAVE_DCX_PAGE, &code, nullptr))
            return true;
        *why = lib_.Message(code);
        return false;
    }
    bool Finish(std::wstring*) override { return true; }

private:
    const LibraryCalls& lib_;
    std::wstring path_;
    bool made_ = false;
};

// The WIC pixel format of a DIB's rows, and its rows as the component takes
// them: top row first.
class DibPicture {
public:
    explicit DibPicture(HGLOBAL dib) : dib_(dib), h_(static_cast<const BITMAPINFOHEADER*>(GlobalLock(dib))) {}
    ~DibPicture() { GlobalUnlock(dib_); }
    DibPicture(const DibPicture&) = delete;
    DibPicture& operator=(const DibPicture&) = delete;

    HRESULT AsBitmap(IWICImagingFactory* factory, IWICBitmap** bitmap) {
        WICPixelFormatGUID format;
        switch (h_->biBitCount) {
        case 1: format = GUID_WICPixelFormat1bppIndexed; break;
        case 4: format = GUID_WICPixelFormat4bppIndexed; break;
        case 8: format = GUID_WICPixelFormat8bppIndexed; break;
        case 24: format = GUID_WICPixelFormat24bppBGR; break;
        case 32: format = GUID_WICPixelFormat32bppBGRA; break;
        default: return WINCODEC_ERR_UNSUPPORTEDPIXELFORMAT;
        }
        const UINT width = static_cast<UINT>(h_->biWidth);
        const UINT height = static_cast<UINT>(h_->biHeight < 0 ? -h_->biHeight : h_->biHeight);
        const DWORD row = DibRowBytes(*h_);
        const DWORD entries = DibTableEntries(*h_);
        const auto* table = reinterpret_cast<const RGBQUAD*>(reinterpret_cast<const BYTE*>(h_) + h_->biSize);
        const BYTE* rows = reinterpret_cast<const BYTE*>(table + entries);
        topDown_.resize(size_t(row) * height);
        for (UINT y = 0; y < height; ++y) {
            const UINT stored = h_->biHeight < 0 ? y : height - 1 - y;
            CopyMemory(topDown_.data() + size_t(row) * y, rows + size_t(row) * stored, row);
        }
        HRESULT hr = factory->CreateBitmapFromMemory(width, height, format, row, static_cast<UINT>(topDown_.size()),
                                                     topDown_.data(), bitmap);
        if (FAILED(hr) || entries == 0) return hr;
        std::vector<WICColor> colors(entries > 256 ? 256 : entries);
        for (size_t i = 0; i < colors.size(); ++i)
            colors[i] = 0xFF000000u | DWORD(table[i].rgbRed) << 16 | DWORD(table[i].rgbGreen) << 8 | table[i].rgbBlue;
        Com<IWICPalette> palette;
        hr = factory->CreatePalette(palette.put());
        if (SUCCEEDED(hr)) hr = palette->InitializeCustom(colors.data(), static_cast<UINT>(colors.size()));
        if (SUCCEEDED(hr)) hr = (*bitmap)->SetPalette(palette.get());
        return hr;
    }
    double DpiX() const { return Dpi(h_->biXPelsPerMeter); }
    double DpiY() const { return Dpi(h_->biYPelsPerMeter); }

private:
    HGLOBAL dib_;
    const BITMAPINFOHEADER* h_;
    std::vector<BYTE> topDown_;
};

// The pages through the imaging component's encoder for the container.
class WicWriter final : public PageWriter {
public:
    WicWriter(IWICImagingFactory* factory, const GUID& container, std::wstring path)
        : factory_(factory), container_(container), path_(std::move(path)) {}

    // Opens the file and the encoder; false with *why when there is none.
    bool Open(UINT pages, std::wstring* why) {
        HRESULT hr = factory_->CreateEncoder(container_, nullptr, encoder_.put());
        if (FAILED(hr)) {
            *why = hr == WINCODEC_ERR_COMPONENTNOTFOUND ? L"no installed encoder writes this format" : Why(hr);
            return false;
        }
        if (pages > 1) {
            // TIFF and GIF hold many pages whatever an encoder's description
            // says of itself (not every system's says so).
            Com<IWICBitmapEncoderInfo> info;
            BOOL many = IsEqualGUID(container_, GUID_ContainerFormatTiff) || IsEqualGUID(container_, GUID_ContainerFormatGif);
            if (!many && SUCCEEDED(encoder_->GetEncoderInfo(info.put()))) info->DoesSupportMultiframe(&many);
            if (!many) {
                *why = L"this format holds one page: choose one with --page N, or write a .tif or .dcx file";
                return false;
            }
        }
        hr = factory_->CreateStream(stream_.put());
        if (SUCCEEDED(hr)) hr = stream_->InitializeFromFilename(path_.c_str(), GENERIC_WRITE);
        if (SUCCEEDED(hr)) hr = encoder_->Initialize(stream_.get(), WICBitmapEncoderNoCache);
        if (FAILED(hr)) *why = Why(hr);
        return SUCCEEDED(hr);
    }
    bool Add(HGLOBAL dib, std::wstring* why) override {
        DibPicture picture(dib);
        Com<IWICBitmap> bitmap;
        Com<IWICBitmapFrameEncode> frame;
        Com<IPropertyBag2> options;
        HRESULT hr = picture.AsBitmap(factory_, bitmap.put());
        if (SUCCEEDED(hr)) hr = encoder_->CreateNewFrame(frame.put(), options.put());
        if (SUCCEEDED(hr)) hr = frame->Initialize(options.get());
        UINT width = 0, height = 0;
        if (SUCCEEDED(hr)) hr = bitmap->GetSize(&width, &height);
        if (SUCCEEDED(hr)) hr = frame->SetSize(width, height);
        if (SUCCEEDED(hr)) hr = frame->SetResolution(picture.DpiX(), picture.DpiY());
        WICPixelFormatGUID format = {};
        if (SUCCEEDED(hr)) hr = bitmap->GetPixelFormat(&format);
        // The encoder answers with the nearest format it writes.
        if (SUCCEEDED(hr)) hr = frame->SetPixelFormat(&format);
        if (SUCCEEDED(hr)) hr = frame->WriteSource(bitmap.get(), nullptr);
        if (SUCCEEDED(hr)) hr = frame->Commit();
        if (FAILED(hr)) *why = Why(hr);
        return SUCCEEDED(hr);
    }
    bool Finish(std::wstring* why) override {
        HRESULT hr = encoder_->Commit();
        if (SUCCEEDED(hr)) hr = stream_->Commit(STGC_DEFAULT);
        // The file is closed before it is moved into place.
        stream_.reset();
        encoder_.reset();
        if (FAILED(hr)) *why = Why(hr);
        return SUCCEEDED(hr);
    }

private:
    IWICImagingFactory* factory_;
    GUID container_;
    std::wstring path_;
    Com<IWICBitmapEncoder> encoder_;
    Com<IWICStream> stream_;
};

// COM for the length of the command.
class ComScope {
public:
    ComScope() : hr_(CoInitializeEx(nullptr, COINIT_MULTITHREADED)) {}
    ~ComScope() {
        if (SUCCEEDED(hr_)) CoUninitialize();
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;

private:
    HRESULT hr_;
};

// The pages the conversion takes, from `first` for `count`.
struct PageRange {
    UINT first = 0;
    UINT count = 0;
};

int Run(const LibraryCalls& lib, IWICImagingFactory* factory, const wchar_t* in, const wchar_t* out, long page) {
    OutputFormat output;
    if (!OutputFormatOf(out, &output))
        return Fail(out, L"cannot tell the format from the name: end it in .pcx, .dcx, .png, .tif, .jpg, .gif or .bmp");

    // The input's pages.
    Com<IWICBitmapDecoder> decoder;
    std::unique_ptr<PageReader> reader;
    const InputKind kind = InputKindOf(in);
    if (kind == InputKind::Other) {
        HRESULT hr = factory->CreateDecoderFromFilename(in, nullptr, GENERIC_READ, WICDecodeMetadataCacheOnDemand,
                                                        decoder.put());
        UINT frames = 0;
        if (SUCCEEDED(hr)) hr = decoder->GetFrameCount(&frames);
        if (FAILED(hr)) return Fail(in, L"cannot read: " + Why(hr));
        reader = std::make_unique<WicPages>(factory, decoder.get(), frames);
    } else {
        UINT pages = 1;
        if (kind == InputKind::Dcx) {
            PcxErrorCode code = PCX_OK;
            pages = lib.countPages(in, &code);
            if (code != PCX_OK) return Fail(in, lib.Message(code));
        }
        reader = std::make_unique<LibraryPages>(lib, in, kind == InputKind::Dcx, pages);
    }

    PageRange range{0, reader->Count()};
    if (range.count == 0) return Fail(in, L"holds no page");
    if (page != kAllPages) {
        if (page < 0 || static_cast<unsigned long>(page) >= range.count) {
            wchar_t text[96];
            std::swprintf(text, 96, L"has %u page%ls; there is no page %ld (pages count from 0)", range.count,
                          range.count == 1 ? L"" : L"s", page);
            return Fail(in, text);
        }
        range = PageRange{static_cast<UINT>(page), 1};
    }
    if (output.kind == OutputKind::Pcx && range.count > 1)
        return Fail(out, L"a PCX file holds one page: choose one with --page N, or write a .dcx or .tif file");
    if (output.kind == OutputKind::Dcx && range.count > 1022)
        return Fail(out, L"a DCX file holds at most 1022 pages");

    // The output, built beside its name.
    const std::wstring building = std::wstring(out) + L".part";
    DeleteFileW(building.c_str());
    std::wstring why;
    PcxWriter pcx(lib, building);
    DcxWriter dcx(lib, building);
    WicWriter wic(factory, output.container, building);
    PageWriter* writer = &wic;
    if (output.kind == OutputKind::Pcx) writer = &pcx;
    if (output.kind == OutputKind::Dcx) writer = &dcx;
    if (output.kind == OutputKind::Other && !wic.Open(range.count, &why)) {
        DeleteFileW(building.c_str());
        return Fail(out, why);
    }

    const bool progress = range.count > 1;
    for (UINT i = 0; i < range.count; ++i) {
        const UINT n = range.first + i;
        if (progress) std::fwprintf(stderr, L"\r%ls: page %u of %u", out, i + 1, range.count);
        ScopedGlobal dib(reader->Read(n, &why));  // the page's DIB, freed once written
        const bool added = dib.get() != nullptr && writer->Add(dib.get(), &why);
        if (!added) {
            if (progress) std::fwprintf(stderr, L"\n");
            DeleteFileW(building.c_str());
            wchar_t which[64];
            std::swprintf(which, 64, L"page %u: ", n);
            return Fail(dib.get() == nullptr ? in : out, (range.count > 1 || page != kAllPages ? which : L"") + why);
        }
    }
    if (progress) std::fwprintf(stderr, L"\n");
    if (!writer->Finish(&why)) {
        DeleteFileW(building.c_str());
        return Fail(out, why);
    }
    if (!MoveFileExW(building.c_str(), out, MOVEFILE_REPLACE_EXISTING)) {
        const DWORD error = GetLastError();
        DeleteFileW(building.c_str());
        return Fail(out, L"cannot put the file in place: " + Why(HRESULT_FROM_WIN32(error)));
    }
    std::wprintf(L"%ls: %u page%ls\n", out, range.count, range.count == 1 ? L"" : L"s");
    return 0;
}

}  // namespace

int ConvertPicture(HMODULE library, const wchar_t* in, const wchar_t* out, long page) {
    LibraryCalls lib;
    if (!lib.Load(library)) return Fail(L"kypcx", L"KyPCX.dll lacks the functions convert needs");
    ComScope com;
    Com<IWICImagingFactory> factory;
    const HRESULT hr = CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                        IID_PPV_ARGS(factory.put()));
    if (FAILED(hr)) return Fail(L"kypcx", L"the imaging component is not available: " + Why(hr));
    return Run(lib, factory.get(), in, out, page);
}
