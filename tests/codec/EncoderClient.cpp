// The encoder tests' client side: the test stream, pattern pictures, what
// pixels show, and frames written as a program writes them.
#include "codec/EncoderClient.h"

#include <algorithm>
#include <cstring>

namespace kypcx_test {

TestStream* TestStream::Create() { return new TestStream(); }

HRESULT TestStream::QueryInterface(REFIID iid, void** out) {
    if (out == nullptr) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_ISequentialStream) || IsEqualIID(iid, IID_IStream)) {
        *out = static_cast<IStream*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

ULONG TestStream::Release() {
    const LONG left = InterlockedDecrement(&references_);
    if (left == 0) delete this;
    return ULONG(left);
}

HRESULT TestStream::Read(void* buffer, ULONG count, ULONG* read) {
    const uint64_t available = position < bytes.size() ? bytes.size() - position : 0;
    const ULONG n = ULONG(std::min<uint64_t>(count, available));
    if (n != 0) std::memcpy(buffer, bytes.data() + position, n);
    position += n;
    if (read != nullptr) *read = n;
    return n == count ? S_OK : S_FALSE;
}

HRESULT TestStream::Write(const void* buffer, ULONG count, ULONG* written) {
    ++writes;
    ULONG n = count;
    if (position + count > failAt) {
        if (!shortWrite) {
            if (written != nullptr) *written = 0;
            return writeError;
        }
        n = position < failAt ? ULONG(failAt - position) : 0;
    }
    if (bytes.size() < position + n) bytes.resize(size_t(position + n));
    if (n != 0) std::memcpy(bytes.data() + position, buffer, n);
    position += n;
    if (written != nullptr) *written = n;
    return S_OK;
}

HRESULT TestStream::Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* to) {
    if (seekFails) return STG_E_INVALIDFUNCTION;
    int64_t base = 0;
    if (origin == STREAM_SEEK_CUR) base = int64_t(position);
    else if (origin == STREAM_SEEK_END) base = int64_t(bytes.size());
    else if (origin != STREAM_SEEK_SET) return STG_E_INVALIDFUNCTION;
    if (base + move.QuadPart < 0) return STG_E_INVALIDFUNCTION;
    position = uint64_t(base + move.QuadPart);
    if (to != nullptr) to->QuadPart = position;
    return S_OK;
}

HRESULT TestStream::Stat(STATSTG* stat, DWORD) {
    if (stat == nullptr) return STG_E_INVALIDPOINTER;
    *stat = STATSTG();
    stat->type = STGTY_STREAM;
    stat->cbSize.QuadPart = bytes.size();
    return S_OK;
}

Picture PatternPicture(const GUID& format, UINT width, UINT height, Alpha alpha, UINT padding) {
    Picture p;
    p.format = format;
    p.width = width;
    p.height = height;
    const uint32_t bits = BitsPerPixel(format);
    p.stride = UINT((uint64_t(width) * bits + 7) / 8) + padding;
    p.pixels.assign(size_t(p.stride) * height, 0xA5);
    if (bits <= 8) {
        const uint32_t colors = 1u << bits;
        for (uint32_t i = 0; i < colors; ++i) {
            if (bits == 1) {
                p.palette.push_back(i != 0 ? 0xFFFFFFFF : 0xFF000000);
            } else {  // the multipliers are odd: all 256 reds differ
                p.palette.push_back(0xFF000000 | uint32_t(uint8_t(i * 53 + 3)) << 16 |
                                    uint32_t(uint8_t(i * 91 + 7)) << 8 | uint8_t(i * 37 + 11));
            }
        }
    }
    for (UINT y = 0; y < height; ++y) {
        uint8_t* row = p.pixels.data() + size_t(y) * p.stride;
        // The bits of a row's last byte beyond its pixels are zero, as a
        // DIB's are; the padding bytes behind them are not.
        std::memset(row, 0, size_t((uint64_t(width) * bits + 7) / 8));
        for (UINT x = 0; x < width; ++x) {
            const uint32_t v = x / 3 + y * 5 + (x * y) % 7;  // runs of three, shifting from row to row
            switch (bits) {
            case 1: row[x / 8] |= uint8_t((v & 1) << (7 - x % 8)); break;
            case 4: row[x / 2] |= uint8_t((v % 16) << (x % 2 == 0 ? 4 : 0)); break;
            case 8: row[x] = uint8_t(v); break;
            case 24:
                row[3 * x] = uint8_t(v * 7);
                row[3 * x + 1] = uint8_t(y * 11);
                row[3 * x + 2] = uint8_t(255 - v);
                break;
            default:
                row[4 * x] = uint8_t(v * 7);
                row[4 * x + 1] = uint8_t(y * 11);
                row[4 * x + 2] = uint8_t(255 - v);
                row[4 * x + 3] = alpha == Alpha::Opaque ? 255 : uint8_t(v * 29);
                break;
            }
        }
    }
    return p;
}

std::vector<uint32_t> ShownColors(const GUID& format, UINT width, UINT height, UINT stride, const uint8_t* pixels,
                                  const std::vector<WICColor>& palette) {
    std::vector<uint32_t> shown;
    shown.reserve(size_t(width) * height);
    const uint32_t bits = BitsPerPixel(format);
    const auto color = [&](uint32_t index) {
        return index < palette.size() ? (palette[index] | 0xFF000000u) : 0xFF000000u;
    };
    for (UINT y = 0; y < height; ++y) {
        const uint8_t* row = pixels + size_t(y) * stride;
        for (UINT x = 0; x < width; ++x) {
            switch (bits) {
            case 1: shown.push_back(color((row[x / 8] >> (7 - x % 8)) & 1)); break;
            case 4: shown.push_back(color((row[x / 2] >> (x % 2 == 0 ? 4 : 0)) & 15)); break;
            case 8: shown.push_back(color(row[x])); break;
            case 24:
                shown.push_back(0xFF000000u | uint32_t(row[3 * x + 2]) << 16 | uint32_t(row[3 * x + 1]) << 8 |
                                row[3 * x]);
                break;
            case 32:
                shown.push_back(uint32_t(row[4 * x + 3]) << 24 | uint32_t(row[4 * x + 2]) << 16 |
                                uint32_t(row[4 * x + 1]) << 8 | row[4 * x]);
                break;
            default: shown.push_back(0); break;
            }
        }
    }
    return shown;
}

HRESULT CreateEncoder(const GUID& container, ComRef<IWICBitmapEncoder>* encoder) {
    return Factory()->CreateEncoder(container, nullptr, encoder->put());
}

ComRef<IWICPalette> MakePalette(const std::vector<WICColor>& colors) {
    ComRef<IWICPalette> palette;
    EXPECT_EQ(S_OK, Factory()->CreatePalette(palette.put()));
    std::vector<WICColor> copy = colors;
    EXPECT_EQ(S_OK, palette->InitializeCustom(copy.data(), UINT(copy.size())));
    return palette;
}

ComRef<IWICBitmap> MakeBitmap(const Picture& picture) {
    ComRef<IWICBitmap> bitmap;
    std::vector<uint8_t> pixels = picture.pixels;
    EXPECT_EQ(S_OK, Factory()->CreateBitmapFromMemory(picture.width, picture.height, picture.format, picture.stride,
                                                      UINT(pixels.size()), pixels.data(), bitmap.put()));
    if (bitmap && !picture.palette.empty()) {
        EXPECT_EQ(S_OK, bitmap->SetPalette(MakePalette(picture.palette).get()));
    }
    return bitmap;
}

HRESULT WriteFrame(IWICBitmapEncoder* encoder, const Picture& picture, const FrameWrite& how) {
    ComRef<IWICBitmapFrameEncode> frame;
    ComRef<IPropertyBag2> options;
    HRESULT hr = encoder->CreateNewFrame(frame.put(), options.put());
    if (SUCCEEDED(hr)) hr = frame->Initialize(options.get());
    if (SUCCEEDED(hr)) hr = frame->SetSize(picture.width, picture.height);
    if (SUCCEEDED(hr) && how.dpiX != 0) hr = frame->SetResolution(how.dpiX, how.dpiY);
    GUID format = picture.format;
    if (SUCCEEDED(hr)) hr = frame->SetPixelFormat(&format);
    if (SUCCEEDED(hr) && !IsEqualGUID(format, picture.format)) hr = E_UNEXPECTED;
    if (SUCCEEDED(hr) && how.framePalette && !picture.palette.empty())
        hr = frame->SetPalette(MakePalette(picture.palette).get());
    UINT row = 0;
    for (UINT lines = how.rowsPerCall == 0 ? picture.height : how.rowsPerCall; SUCCEEDED(hr) && row < picture.height;
         ++lines) {
        const UINT count = std::min(lines, picture.height - row);
        const UINT rowBytes = UINT((uint64_t(picture.width) * BitsPerPixel(picture.format) + 7) / 8);
        // The buffer ends with the last line's pixels: the size WIC asks for.
        const UINT size = picture.stride * (count - 1) + rowBytes;
        hr = frame->WritePixels(count, picture.stride, size,
                                const_cast<BYTE*>(picture.pixels.data()) + size_t(row) * picture.stride);
        row += count;
    }
    if (SUCCEEDED(hr)) hr = frame->Commit();
    return hr;
}

std::vector<uint8_t> EncodeBytes(const GUID& container, const std::vector<Picture>& pictures, const FrameWrite& how) {
    ComRef<IWICBitmapEncoder> encoder;
    HRESULT hr = CreateEncoder(container, &encoder);
    ComRef<TestStream> stream;
    *stream.put() = TestStream::Create();
    if (SUCCEEDED(hr)) hr = encoder->Initialize(stream.get(), WICBitmapEncoderNoCache);
    for (size_t i = 0; i < pictures.size() && SUCCEEDED(hr); ++i) hr = WriteFrame(encoder.get(), pictures[i], how);
    if (SUCCEEDED(hr)) hr = encoder->Commit();
    if (FAILED(hr)) {
        ADD_FAILURE() << "encoding failed: 0x" << std::hex << hr;
        return {};
    }
    return stream->bytes;
}

EncodingSession::EncodingSession(const GUID& container)
    : picture(PatternPicture(GUID_WICPixelFormat8bppIndexed, 5, 4)) {
    EXPECT_EQ(S_OK, CreateEncoder(container, &encoder));
    *stream.put() = TestStream::Create();
}

void EncodingSession::Init() { EXPECT_EQ(S_OK, encoder->Initialize(stream.get(), WICBitmapEncoderNoCache)); }

void EncodingSession::Framed() {
    Init();
    EXPECT_EQ(S_OK, NewFrame());
    EXPECT_EQ(S_OK, frame->Initialize(nullptr));
}

void EncodingSession::Format(const GUID& format) {
    GUID asked = format;
    EXPECT_EQ(S_OK, frame->SetPixelFormat(&asked));
}

void EncodingSession::Ready(bool colors) {
    Framed();
    EXPECT_EQ(S_OK, frame->SetSize(picture.width, picture.height));
    Format(picture.format);
    if (colors) {
        EXPECT_EQ(S_OK, frame->SetPalette(MakePalette(picture.palette).get()));
    }
}

HRESULT EncodingSession::Lines(UINT first, UINT count) {
    return frame->WritePixels(count, picture.stride, picture.stride * count,
                              picture.pixels.data() + size_t(first) * picture.stride);
}

void EncodingSession::Done() {
    Ready();
    EXPECT_EQ(S_OK, Lines(0, picture.height));
    EXPECT_EQ(S_OK, frame->Commit());
}

HRESULT EncodingSession::Source(WICRect* rect) { return frame->WriteSource(MakeBitmap(picture).get(), rect); }

}  // namespace kypcx_test
