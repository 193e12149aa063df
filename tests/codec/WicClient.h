// What the codec's tests do as any imaging-component client does: make the
// imaging factory, open files and streams through it, read a frame's size,
// format, resolution, colours and pixels, and hold the result against the
// DIB KyPCX.dll's layout reader gives for the same file or page.
#pragma once

#include <windows.h>

#include <wincodec.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace kypcx_test {

// An interface pointer released with its scope.
template <typename T>
class ComRef {
public:
    ComRef() = default;
    ~ComRef() { reset(); }
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;
    ComRef(ComRef&& other) noexcept : p_(other.p_) { other.p_ = nullptr; }
    ComRef& operator=(ComRef&& other) noexcept {
        if (this != &other) {
            reset();
            p_ = other.p_;
            other.p_ = nullptr;
        }
        return *this;
    }
    void reset() {
        if (p_ != nullptr) p_->Release();
        p_ = nullptr;
    }
    T** put() {
        reset();
        return &p_;
    }
    T* get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }

private:
    T* p_ = nullptr;
};

// The imaging factory, made once for the test program (COM is set up for
// the calling thread, multithreaded, on the first call).
IWICImagingFactory* Factory();

// Opens a file by name, as CreateDecoderFromFilename does for any program.
HRESULT OpenFile(const std::wstring& path, ComRef<IWICBitmapDecoder>* decoder);

// A stream over bytes in memory: the factory's own stream object.
ComRef<IWICStream> MemoryStream(std::vector<uint8_t>& bytes);

// Opens bytes through CreateDecoderFromStream: the factory picks the decoder
// by the bytes' patterns. `bytes` must outlive the decoder.
HRESULT OpenBytes(std::vector<uint8_t>& bytes, ComRef<IWICBitmapDecoder>* decoder);

// Opens bytes with the decoder registered for `container`, whatever they
// hold: the factory's CreateDecoder, then Initialize.
HRESULT OpenWith(const GUID& container, std::vector<uint8_t>& bytes, ComRef<IWICBitmapDecoder>* decoder);

// Bits a pixel of a format the codec gives; 0 for another format.
uint32_t BitsPerPixel(const GUID& format);

// Everything a client reads from a frame: pixels in one CopyPixels of the
// whole image, rows `stride` bytes apart (whole bytes per row, no padding).
struct FrameImage {
    HRESULT hr = E_FAIL;         // the first call that failed, or S_OK
    UINT width = 0;
    UINT height = 0;
    GUID format = {};
    uint32_t bitsPerPixel = 0;
    std::vector<uint32_t> palette;  // 0xAARRGGBB; empty without one
    HRESULT paletteHr = E_FAIL;
    double dpiX = 0;
    double dpiY = 0;
    UINT stride = 0;
    std::vector<uint8_t> pixels;
};
FrameImage ReadFrame(IWICBitmapFrameDecode* frame);
// Frame `index` of a decoder, read whole; hr holds GetFrame's failure.
FrameImage ReadFrame(IWICBitmapDecoder* decoder, UINT index);

// Whether bits [0, bitCount) of two rows are equal.
bool SameBits(const uint8_t* a, const uint8_t* b, uint64_t bitCount);

// Holds a codec's component info (IWICBitmapDecoderInfo, IWICBitmapEncoderInfo)
// against what the codec registers: its class, the vendor, the container
// format, file extension and MIME type of its files, a friendly name, and
// the five pixel formats it gives or writes.
void ExpectCodecInfo(IWICBitmapCodecInfo* info, const CLSID& codecClass, const GUID& container,
                     const wchar_t* extensions, const wchar_t* mimeTypes);

// Holds a frame against a DIB of LoadPCXImageW: size, depth, colour table
// (the same entries, fully opaque), resolution (the header's dpi gives the
// DIB's pixels per metre; a DIB without one, 96 dpi) and every pixel.
void ExpectFrameMatchesDib(const FrameImage& frame, HGLOBAL dib, const std::string& what);

}  // namespace kypcx_test
