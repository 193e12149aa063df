// DIB models, the test's PCX reader and device bitmaps for the encoding
// tests.
#include "encode/EncodeTestSupport.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace kypcx_test {

Rgb DibModel::Color(int x, int y) const {
    const size_t at = size_t(y) * width + x;
    if (bitCount > 8) return colors[at];
    const RGBQUAD& q = table[indices[at]];
    return Rgb{q.rgbRed, q.rgbGreen, q.rgbBlue};
}

DibModel PatternDib(int bitCount, int width, int height) {
    DibModel m;
    m.width = width;
    m.height = height;
    m.bitCount = bitCount;
    if (bitCount <= 8) {
        const uint32_t n = 1u << bitCount;
        for (uint32_t i = 0; i < n; ++i) {
            RGBQUAD q = {};
            if (bitCount == 1) {
                q.rgbRed = q.rgbGreen = q.rgbBlue = i ? 255 : 0;  // what every reader shows alike
            } else {
                q.rgbRed = static_cast<BYTE>(i * 53 + 3);  // 53 is odd: all 256 reds differ
                q.rgbGreen = static_cast<BYTE>(i * 91 + 7);
                q.rgbBlue = static_cast<BYTE>(i * 37 + 11);
            }
            m.table.push_back(q);
        }
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) m.indices.push_back(uint32_t(x / 3 + y * 5 + (x * y) % 7) % n);
    } else {
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                Rgb c{static_cast<uint8_t>(x * 9 + y * 3), static_cast<uint8_t>((x / 4) * 17 + y),
                      static_cast<uint8_t>(x * y + 0xC0)};
                if (bitCount == 16) {
                    auto five = [](uint8_t v) { return static_cast<uint8_t>((v & 0xF8) | (v >> 5)); };
                    c = Rgb{five(c.r), five(c.g), five(c.b)};
                }
                m.colors.push_back(c);
            }
        }
    }
    return m;
}

std::vector<uint8_t> DibBytes(const DibModel& m) {
    BITMAPINFOHEADER h = {};
    h.biSize = sizeof h;
    h.biWidth = m.width;
    h.biHeight = m.topDown ? -m.height : m.height;
    h.biPlanes = 1;
    h.biBitCount = static_cast<WORD>(m.bitCount);
    h.biCompression = m.compression;
    h.biXPelsPerMeter = m.xPelsPerMeter;
    h.biYPelsPerMeter = m.yPelsPerMeter;
    h.biClrUsed = m.colorsUsedField;
    std::vector<uint8_t> bytes(sizeof h);
    std::memcpy(bytes.data(), &h, sizeof h);
    for (const RGBQUAD& q : m.table) {
        const uint8_t* p = reinterpret_cast<const uint8_t*>(&q);
        bytes.insert(bytes.end(), p, p + 4);
    }
    const size_t stride = m.Stride();
    for (int stored = 0; stored < m.height; ++stored) {
        const int y = m.topDown ? stored : m.height - 1 - stored;
        std::vector<uint8_t> row(stride, m.paddingByte);
        // Sub-byte pixels are OR-ed in, so clear the bits they occupy first.
        if (m.bitCount < 8) std::fill(row.begin(), row.begin() + (size_t(m.bitCount) * m.width + 7) / 8, 0);
        for (int x = 0; x < m.width; ++x) {
            const size_t at = size_t(y) * m.width + x;
            switch (m.bitCount) {
            case 1: row[x / 8] |= static_cast<uint8_t>(m.indices[at] << (7 - x % 8)); break;
            case 4: row[x / 2] |= static_cast<uint8_t>(m.indices[at] << (x % 2 ? 0 : 4)); break;
            case 8: row[x] = static_cast<uint8_t>(m.indices[at]); break;
            case 16: {
                const Rgb c = m.colors[at];
                const uint16_t v = static_cast<uint16_t>(((c.r >> 3) << 10) | ((c.g >> 3) << 5) | (c.b >> 3));
                row[2 * x] = static_cast<uint8_t>(v);
                row[2 * x + 1] = static_cast<uint8_t>(v >> 8);
                break;
            }
            default: {
                const size_t step = m.bitCount / 8;
                row[step * x] = m.colors[at].b;
                row[step * x + 1] = m.colors[at].g;
                row[step * x + 2] = m.colors[at].r;
                break;
            }
            }
        }
        bytes.insert(bytes.end(), row.begin(), row.end());
    }
    return bytes;
}

ScopedDib::ScopedDib(const std::vector<uint8_t>& bytes) {
    handle_ = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    if (handle_ == nullptr) return;
    void* p = GlobalLock(handle_);
    std::memcpy(p, bytes.data(), bytes.size());
    GlobalUnlock(handle_);
}

ScopedDib::~ScopedDib() {
    if (handle_ != nullptr) GlobalFree(handle_);
}

std::vector<uint8_t> ScopedDib::Bytes() const {
    std::vector<uint8_t> bytes(GlobalSize(handle_));
    const void* p = GlobalLock(handle_);
    if (p != nullptr && !bytes.empty()) std::memcpy(bytes.data(), p, bytes.size());
    GlobalUnlock(handle_);
    return bytes;
}

PcxFileView ReadPcxFile(const std::vector<uint8_t>& bytes) {
    PcxFileView v;
    if (bytes.size() < 128) {
        v.problem = "shorter than a header";
        return v;
    }
    std::memcpy(&v.header, bytes.data(), 128);
    const size_t lineSize = size_t(v.header.planes) * uint16_t(v.header.bytesPerLine);
    size_t pos = 128;
    for (int y = 0; y < v.height(); ++y) {
        std::vector<uint8_t> line;
        while (line.size() < lineSize) {
            if (pos >= bytes.size()) {
                v.problem = "data ends in line " + std::to_string(y);
                return v;
            }
            const uint8_t b = bytes[pos++];
            size_t count = 1;
            uint8_t value = b;
            if ((b & 0xC0) == 0xC0) {
                count = b & 0x3F;
                if (count == 0 || pos >= bytes.size()) {
                    v.problem = "zero count or cut run in line " + std::to_string(y);
                    return v;
                }
                value = bytes[pos++];
            }
            if (line.size() + count > lineSize) {
                v.problem = "run crosses the end of line " + std::to_string(y);
                return v;
            }
            line.insert(line.end(), count, value);
        }
        v.lines.push_back(line);
    }
    v.linesEnd = pos;
    v.rest.assign(bytes.begin() + pos, bytes.end());
    v.ok = true;
    return v;
}

void ExpectPcxHeader(const PcxHeader& h, const ExpectedPcxHeader& e) {
    EXPECT_EQ(0x0A, h.manufacturer);
    EXPECT_EQ(5, h.version);
    EXPECT_EQ(1, h.encoding);
    EXPECT_EQ(e.bitsPerPixel, h.bitsPerPixel);
    EXPECT_EQ(e.planes, h.planes);
    EXPECT_EQ(e.bytesPerLine, h.bytesPerLine);
    EXPECT_EQ(e.paletteInfo, h.paletteInfo);
    EXPECT_EQ(0, h.xMin);
    EXPECT_EQ(0, h.yMin);
    EXPECT_EQ(e.width - 1, h.xMax);
    EXPECT_EQ(e.height - 1, h.yMax);
    HDC screen = GetDC(nullptr);
    EXPECT_EQ(e.horizontalDpi != 0 ? e.horizontalDpi : GetDeviceCaps(screen, LOGPIXELSX), h.horizontalDpi);
    EXPECT_EQ(e.verticalDpi != 0 ? e.verticalDpi : GetDeviceCaps(screen, LOGPIXELSY), h.verticalDpi);
    EXPECT_EQ(GetDeviceCaps(screen, HORZRES), h.horizontalScreenSize);
    EXPECT_EQ(GetDeviceCaps(screen, VERTRES), h.verticalScreenSize);
    ReleaseDC(nullptr, screen);
    EXPECT_EQ(0, h.reserved);
    for (uint8_t b : h.filler) ASSERT_EQ(0, b);
    for (size_t i = 0; i < 16; ++i) {
        const uint8_t* entry = h.palette + 3 * i;
        const Rgb expected = i < e.palette.size() ? e.palette[i] : Rgb{0, 0, 0};
        EXPECT_EQ(expected, (Rgb{entry[0], entry[1], entry[2]})) << "palette entry " << i;
    }
}

std::vector<DWORD> EncodeProbe::WriteSizes() const {
    const LONG calls = Get<LONG(WINAPI*)()>("KyPcxProbeWriteCalls")();
    auto size = Get<DWORD(WINAPI*)(LONG)>("KyPcxProbeWriteSize");
    std::vector<DWORD> sizes;
    for (LONG i = 0; i < calls; ++i) sizes.push_back(size(i));
    return sizes;
}

TestFile::TestFile(const std::wstring& path, bool existing, DWORD access)
    : handle_(CreateFileW(path.c_str(), access, 0, nullptr, existing ? OPEN_EXISTING : CREATE_ALWAYS,
                          FILE_ATTRIBUTE_NORMAL, nullptr)) {
    EXPECT_NE(INVALID_HANDLE_VALUE, handle_) << "cannot open " << Narrow(path);
}

TestFile::~TestFile() { Close(); }

void TestFile::Close() {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
}

HBITMAP MakeDeviceBitmap(int width, int height, int bitsPixel, const std::vector<uint8_t>& bits) {
    return CreateBitmap(width, height, 1, static_cast<UINT>(bitsPixel), bits.empty() ? nullptr : bits.data());
}

HBITMAP MakeScreenBitmap(int width, int height) {
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    ReleaseDC(nullptr, screen);
    BITMAP record = {};
    GetObjectW(bitmap, sizeof record, &record);
    const std::vector<uint8_t> bits = PatternBits(width, height, record.bmBitsPixel);
    SetBitmapBits(bitmap, static_cast<DWORD>(bits.size()), bits.data());
    return bitmap;
}

std::vector<uint8_t> PatternBits(int width, int height, int bitsPixel) {
    const size_t lineBytes = DeviceLineBytes(width, bitsPixel);
    std::vector<uint8_t> bits(lineBytes * height);
    for (int y = 0; y < height; ++y)
        for (size_t i = 0; i < lineBytes; ++i)
            bits[y * lineBytes + i] = static_cast<uint8_t>((i / 3) * 29 + y * 7 + ((i + y) % 5 == 0 ? 0xC3 : 0));
    return bits;
}

std::vector<Rgb> BitmapColors(HBITMAP bitmap) {
    BITMAP record = {};
    GetObjectW(bitmap, sizeof record, &record);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = record.bmWidth;
    info.bmiHeader.biHeight = -record.bmHeight;  // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    const size_t stride = (size_t(record.bmWidth) * 3 + 3) / 4 * 4;
    std::vector<uint8_t> rows(stride * record.bmHeight);
    HDC screen = GetDC(nullptr);
    GetDIBits(screen, bitmap, 0, UINT(record.bmHeight), rows.data(), &info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    std::vector<Rgb> colors;
    for (int y = 0; y < record.bmHeight; ++y)
        for (int x = 0; x < record.bmWidth; ++x) {
            const uint8_t* p = rows.data() + y * stride + 3 * x;
            colors.push_back(Rgb{p[2], p[1], p[0]});
        }
    return colors;
}

std::vector<uint8_t> BitmapBits(HBITMAP bitmap) {
    BITMAP record = {};
    GetObjectW(bitmap, sizeof record, &record);
    std::vector<uint8_t> bits(size_t(DeviceLineBytes(record.bmWidth, record.bmBitsPixel)) * record.bmHeight);
    GetBitmapBits(bitmap, static_cast<LONG>(bits.size()), bits.data());
    return bits;
}

}  // namespace kypcx_test
