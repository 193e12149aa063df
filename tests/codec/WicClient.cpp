// The client side of the codec's tests: the factory, opening, reading
// frames, and the comparison with the DLL's DIBs.
#include "codec/WicClient.h"

#include <cmath>

#include "KyPCXCodec.h"
#include "support/DibView.h"

namespace kypcx_test {

IWICImagingFactory* Factory() {
    static IWICImagingFactory* factory = [] {
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        IWICImagingFactory* made = nullptr;
        const HRESULT hr = CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                            IID_IWICImagingFactory, reinterpret_cast<void**>(&made));
        if (FAILED(hr)) ADD_FAILURE() << "no imaging factory: " << std::hex << hr;
        return made;
    }();
    return factory;
}

HRESULT OpenFile(const std::wstring& path, ComRef<IWICBitmapDecoder>* decoder) {
    return Factory()->CreateDecoderFromFilename(path.c_str(), nullptr, GENERIC_READ, WICDecodeMetadataCacheOnDemand,
                                                decoder->put());
}

ComRef<IWICStream> MemoryStream(std::vector<uint8_t>& bytes) {
    ComRef<IWICStream> stream;
    static uint8_t none = 0;
    if (FAILED(Factory()->CreateStream(stream.put()))) return stream;
    if (FAILED(stream->InitializeFromMemory(bytes.empty() ? &none : bytes.data(), DWORD(bytes.size()))))
        stream.reset();
    return stream;
}

HRESULT OpenBytes(std::vector<uint8_t>& bytes, ComRef<IWICBitmapDecoder>* decoder) {
    ComRef<IWICStream> stream = MemoryStream(bytes);
    if (!stream) return E_FAIL;
    return Factory()->CreateDecoderFromStream(stream.get(), nullptr, WICDecodeMetadataCacheOnDemand, decoder->put());
}

HRESULT OpenWith(const GUID& container, std::vector<uint8_t>& bytes, ComRef<IWICBitmapDecoder>* decoder) {
    HRESULT hr = Factory()->CreateDecoder(container, nullptr, decoder->put());
    if (FAILED(hr)) return hr;
    ComRef<IWICStream> stream = MemoryStream(bytes);
    if (!stream) return E_FAIL;
    return (*decoder)->Initialize(stream.get(), WICDecodeMetadataCacheOnDemand);
}

uint32_t BitsPerPixel(const GUID& format) {
    if (IsEqualGUID(format, GUID_WICPixelFormat1bppIndexed)) return 1;
    if (IsEqualGUID(format, GUID_WICPixelFormat4bppIndexed)) return 4;
    if (IsEqualGUID(format, GUID_WICPixelFormat8bppIndexed)) return 8;
    if (IsEqualGUID(format, GUID_WICPixelFormat24bppBGR)) return 24;
    if (IsEqualGUID(format, GUID_WICPixelFormat32bppBGRA)) return 32;
    return 0;
}

FrameImage ReadFrame(IWICBitmapFrameDecode* frame) {
    FrameImage image;
    image.hr = frame->GetSize(&image.width, &image.height);
    if (SUCCEEDED(image.hr)) image.hr = frame->GetPixelFormat(&image.format);
    if (SUCCEEDED(image.hr)) image.hr = frame->GetResolution(&image.dpiX, &image.dpiY);
    if (FAILED(image.hr)) return image;
    image.bitsPerPixel = BitsPerPixel(image.format);
    ComRef<IWICPalette> palette;
    Factory()->CreatePalette(palette.put());
    image.paletteHr = frame->CopyPalette(palette.get());
    UINT count = 0;
    if (SUCCEEDED(image.paletteHr) && SUCCEEDED(palette->GetColorCount(&count))) {
        image.palette.resize(count);
        UINT got = 0;
        palette->GetColors(count, image.palette.data(), &got);
        image.palette.resize(got);
    }
    image.stride = UINT((uint64_t(image.width) * image.bitsPerPixel + 7) / 8);
    image.pixels.assign(size_t(image.stride) * image.height, 0);
    image.hr = frame->CopyPixels(nullptr, image.stride, UINT(image.pixels.size()), image.pixels.data());
    return image;
}

FrameImage ReadFrame(IWICBitmapDecoder* decoder, UINT index) {
    ComRef<IWICBitmapFrameDecode> frame;
    const HRESULT hr = decoder->GetFrame(index, frame.put());
    if (FAILED(hr)) {
        FrameImage failed;
        failed.hr = hr;
        return failed;
    }
    return ReadFrame(frame.get());
}

void ExpectCodecInfo(IWICBitmapCodecInfo* info, const CLSID& codecClass, const GUID& container,
                     const wchar_t* extensions, const wchar_t* mimeTypes) {
    ASSERT_NE(nullptr, info);
    CLSID clsid = {};
    EXPECT_EQ(S_OK, info->GetCLSID(&clsid));
    EXPECT_TRUE(IsEqualCLSID(codecClass, clsid));
    GUID vendor = {};
    EXPECT_EQ(S_OK, info->GetVendorGUID(&vendor));
    EXPECT_TRUE(IsEqualGUID(GUID_KyPcxVendor, vendor));
    GUID registered = {};
    EXPECT_EQ(S_OK, info->GetContainerFormat(&registered));
    EXPECT_TRUE(IsEqualGUID(container, registered));
    wchar_t text[128] = {};
    UINT length = 0;
    EXPECT_EQ(S_OK, info->GetFileExtensions(128, text, &length));
    EXPECT_STREQ(extensions, text);
    EXPECT_EQ(S_OK, info->GetMimeTypes(128, text, &length));
    EXPECT_STREQ(mimeTypes, text);
    EXPECT_EQ(S_OK, info->GetFriendlyName(128, text, &length));
    EXPECT_NE(0u, length);
    GUID formats[8] = {};
    UINT count = 0;
    EXPECT_EQ(S_OK, info->GetPixelFormats(8, formats, &count));
    ASSERT_EQ(5u, count);
    for (const GUID* format : {&GUID_WICPixelFormat1bppIndexed, &GUID_WICPixelFormat4bppIndexed,
                               &GUID_WICPixelFormat8bppIndexed, &GUID_WICPixelFormat24bppBGR,
                               &GUID_WICPixelFormat32bppBGRA}) {
        bool listed = false;
        for (UINT i = 0; i < count; ++i) listed = listed || IsEqualGUID(*format, formats[i]);
        EXPECT_TRUE(listed) << "a pixel format missing from the registration";
    }
}

bool SameBits(const uint8_t* a, const uint8_t* b, uint64_t bitCount) {
    const uint64_t whole = bitCount / 8;
    for (uint64_t i = 0; i < whole; ++i)
        if (a[i] != b[i]) return false;
    const uint32_t tail = uint32_t(bitCount % 8);
    if (tail == 0) return true;
    const uint8_t mask = uint8_t(0xFF00u >> tail);
    return (a[whole] & mask) == (b[whole] & mask);
}

void ExpectFrameMatchesDib(const FrameImage& frame, HGLOBAL dib, const std::string& what) {
    SCOPED_TRACE(what);
    ASSERT_EQ(S_OK, frame.hr);
    DibView v(dib);
    ASSERT_TRUE(v.valid());
    const BITMAPINFOHEADER& h = v.header();
    ASSERT_EQ(LONG(frame.width), h.biWidth);
    ASSERT_EQ(LONG(frame.height), h.biHeight);
    ASSERT_EQ(uint32_t(h.biBitCount), frame.bitsPerPixel);

    if (h.biClrUsed == 0) {
        EXPECT_EQ(WINCODEC_ERR_PALETTEUNAVAILABLE, frame.paletteHr);
    } else {
        ASSERT_EQ(S_OK, frame.paletteHr);
        ASSERT_EQ(size_t(h.biClrUsed), frame.palette.size());
        for (DWORD i = 0; i < h.biClrUsed; ++i) {
            const RGBQUAD& q = v.table()[i];
            EXPECT_EQ(0xFF000000u | uint32_t(q.rgbRed) << 16 | uint32_t(q.rgbGreen) << 8 | q.rgbBlue, frame.palette[i])
                << "colour " << i;
        }
    }

    const auto expectDpi = [](LONG pelsPerMeter, double dpi, const char* axis) {
        if (pelsPerMeter > 0) EXPECT_EQ(pelsPerMeter, LONG(std::llround(dpi * 39.37))) << axis << " " << dpi;
        else EXPECT_EQ(96.0, dpi) << axis;
    };
    expectDpi(h.biXPelsPerMeter, frame.dpiX, "horizontal");
    expectDpi(h.biYPelsPerMeter, frame.dpiY, "vertical");

    const uint64_t rowBits = uint64_t(frame.width) * frame.bitsPerPixel;
    for (UINT y = 0; y < frame.height; ++y)
        ASSERT_TRUE(SameBits(v.rowFromTop(int(y)), frame.pixels.data() + size_t(y) * frame.stride, rowBits))
            << "row " << y << " from the top";
}

}  // namespace kypcx_test
