// What the encoding tests share: DIBs built from a model of their pixels,
// the test's own reading of a PCX file's structure (header, decoded scan
// lines, what follows them), the probe build's encoding internals, and
// native PCX readers run outside Wine (support/NativeTools.h).
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "support/DcxFixtures.h"
#include "support/DibView.h"
#include "support/KyPcxTestSupport.h"
#include "support/NativeTools.h"
#include "support/ProbeLibrary.h"

namespace kypcx_test {

// A DIB as the test means it: size, depth, colour table and every pixel.
struct DibModel {
    int width = 1;
    int height = 1;
    int bitCount = 8;
    bool topDown = false;
    uint32_t compression = BI_RGB;
    int32_t xPelsPerMeter = 0;
    int32_t yPelsPerMeter = 0;
    std::vector<RGBQUAD> table;       // written after the header
    uint32_t colorsUsedField = 0;     // biClrUsed as stored
    std::vector<uint32_t> indices;    // 1, 4, 8 bits: per pixel, top row first
    std::vector<Rgb> colors;         // 16, 24, 32 bits: per pixel, top row first
    uint8_t paddingByte = 0;          // fills row padding (and 32-bit pixels' spare byte)

    size_t Stride() const { return ((size_t(bitCount) * width + 31) / 32) * 4; }
    // The colour pixel (x, y from the top) shows.
    Rgb Color(int x, int y) const;
};

// A deterministic picture: every index or colour level occurs, neighbours
// differ and repeat so both literal bytes and runs are coded. Indexed depths
// get a full table of distinct colours; 16-bit colours are 5-5-5 values.
DibModel PatternDib(int bitCount, int width, int height);

// The DIB block: 40-byte header, table, rows (stored bottom-up unless
// topDown), each row padded with paddingByte.
std::vector<uint8_t> DibBytes(const DibModel& model);

// A movable global block holding `bytes`, freed with the object.
class ScopedDib {
public:
    explicit ScopedDib(const std::vector<uint8_t>& bytes);
    explicit ScopedDib(HGLOBAL handle) : handle_(handle) {}
    ~ScopedDib();
    ScopedDib(const ScopedDib&) = delete;
    ScopedDib& operator=(const ScopedDib&) = delete;
    HGLOBAL get() const { return handle_; }
    std::vector<uint8_t> Bytes() const;

private:
    HGLOBAL handle_ = nullptr;
};

// A PCX file read by the test itself: the header, `height` scan lines of
// planes x bytes-per-line bytes, and the bytes behind the last line.
struct PcxFileView {
    bool ok = false;
    std::string problem;
    PcxHeader header = {};
    std::vector<std::vector<uint8_t>> lines;
    size_t linesEnd = 0;
    std::vector<uint8_t> rest;
    int width() const { return header.xMax - header.xMin + 1; }
    int height() const { return header.yMax - header.yMin + 1; }
};
// Decodes with the format's rules and, being a check of the writer, also
// refuses what a writer must never produce: a run that crosses a line's
// end, or a count of 0.
PcxFileView ReadPcxFile(const std::vector<uint8_t>& bytes);

// What a written PCX header must hold besides the fixed fields (maker 0x0A,
// version 5, encoding 1, origin 0,0, reserved and filler bytes zero).
struct ExpectedPcxHeader {
    int bitsPerPixel = 8;
    int planes = 1;
    int bytesPerLine = 0;
    int paletteInfo = 0;
    int width = 1;
    int height = 1;
    int horizontalDpi = 0;  // 0: the screen's
    int verticalDpi = 0;    // 0: the screen's
    std::vector<Rgb> palette;  // the header palette's first entries; the rest black
};
// Checks every field of `header`; the screen size is always the display's.
void ExpectPcxHeader(const PcxHeader& header, const ExpectedPcxHeader& expected);

// The encoding internals of the probe build (KyPCXProbe.dll).
class EncodeProbe : public ProbeLibrary {
public:
    int WritePcxByte(HANDLE file, BYTE value, int flush) const {
        return Get<int(WINAPI*)(HANDLE, BYTE, int)>("KyPcxProbeWritePcxByte")(file, value, flush);
    }
    int WritePcxRun(BYTE value, UINT count, HANDLE file) const {
        return Get<int(WINAPI*)(BYTE, UINT, HANDLE)>("KyPcxProbeWritePcxRun")(value, count, file);
    }
    DWORD EncodePcxLine(const BYTE* bytes, DWORD length, HANDLE file) const {
        return Get<DWORD(WINAPI*)(const BYTE*, DWORD, HANDLE)>("KyPcxProbeEncodePcxLine")(bytes, length, file);
    }
    BOOL EncodeBitmapToPcx(HBITMAP b, HANDLE f, BOOL append, PcxErrorCode* e, PcxLineCallback cb) const {
        return Get<BOOL(WINAPI*)(HBITMAP, HANDLE, BOOL, PcxErrorCode*, PcxLineCallback)>(
            "KyPcxProbeEncodeBitmapToPcx")(b, f, append, e, cb);
    }
    BOOL EncodeDibToPcx(HGLOBAL d, HANDLE f, BOOL append, PcxErrorCode* e, PcxDibLineCallback cb) const {
        return Get<BOOL(WINAPI*)(HGLOBAL, HANDLE, BOOL, PcxErrorCode*, PcxDibLineCallback)>(
            "KyPcxProbeEncodeDibToPcx")(d, f, append, e, cb);
    }
    // Counts the probe library's WriteFile calls; call `failAtCall` (1-based,
    // 0 none) fails, or writes half if `shortWrite`.
    BOOL WatchWrites(LONG failAtCall = 0, BOOL shortWrite = FALSE) const {
        return Get<BOOL(WINAPI*)(LONG, BOOL)>("KyPcxProbeWatchWrites")(failAtCall, shortWrite);
    }
    void StopWatchingWrites() const { Get<void(WINAPI*)()>("KyPcxProbeStopWatchingWrites")(); }
    std::vector<DWORD> WriteSizes() const;
};

// An open file for the probe's internals to write into.
class TestFile {
public:
    // Creates (or truncates) `path` with read and write access, or opens
    // an existing one when `existing`; `access` narrows the rights.
    TestFile(const std::wstring& path, bool existing = false, DWORD access = GENERIC_READ | GENERIC_WRITE);
    ~TestFile();
    TestFile(const TestFile&) = delete;
    TestFile& operator=(const TestFile&) = delete;
    HANDLE get() const { return handle_; }
    DWORD Length() const { return GetFileSize(handle_, nullptr); }
    DWORD Position() const { return SetFilePointer(handle_, 0, nullptr, FILE_CURRENT); }
    void Close();

private:
    HANDLE handle_;
};

// Device bitmaps for the tests: `bitsPixel` 1, 4, 8, 16, 24 or 32 with the
// given line bytes (GetBitmapBits layout, rows padded to 16 bits).
HBITMAP MakeDeviceBitmap(int width, int height, int bitsPixel, const std::vector<uint8_t>& bits);
// A bitmap compatible with the screen (the display's own depth).
HBITMAP MakeScreenBitmap(int width, int height);
// Deterministic line bytes for a device bitmap.
std::vector<uint8_t> PatternBits(int width, int height, int bitsPixel);
// GetBitmapBits of the whole bitmap.
std::vector<uint8_t> BitmapBits(HBITMAP bitmap);
// The bitmap's colours as GDI gives them device-independently (GetDIBits
// into 24 bits), top row first.
std::vector<Rgb> BitmapColors(HBITMAP bitmap);
inline LONG DeviceLineBytes(int width, int bitsPixel) { return ((width * bitsPixel + 15) / 16) * 2; }

}  // namespace kypcx_test
