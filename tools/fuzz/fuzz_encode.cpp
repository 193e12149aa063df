// fuzz_encode: the fuzz target for the core writer. Every input is written
// three ways, as the writer's users hand it images:
//  - a DIB block, as the DLL's DIB saves and DCX adds get it: an info header
//    made from the input's first bytes (size, depth, compression, masks,
//    table size, storage order), the rest its colour table and rows; checked
//    by ReadDibLayout, its header built by FillDibPcxHeader, its rows pushed
//    bottom-up or top-down as the block stores them;
//  - a device bitmap's lines, as the bitmap saves get them: the device's own
//    layout for 8 bits a pixel or fewer, 24-bit rows split into red, green
//    and blue planes above;
//  - a picture in one of the pixel formats an encoder is handed (1-, 4-,
//    8-bit indexed, 24-bit, 32-bit with alpha), rows of exactly their pixels.
// Each image is written through a memory sink in blocks of a size the input
// chooses, its rows pushed in calls of sizes the input chooses, then read
// back with the core's scan-line decoder. Built with libFuzzer (KYPCX_FUZZ)
// or, with fuzz_replay_main.cpp, as a runner that replays files. Any
// sanitizer report or failed check here is a core bug.
//
// What the target holds the writer to:
//  - every line reads back as the row's scan line made pixel by pixel
//    (pcx_writer_readback.h), the trailer's colours stand behind the lines,
//    and nothing else is written;
//  - where a layout reader takes the header, it gives the pixels back;
//  - the sink sees whole blocks of the chosen size, the last one aside;
//  - rows pushed in any split give the same bytes in the same blocks;
//  - a sink that fails at any write: the writer names what it was writing
//    (the header or trailer, or a line), the sink has the blocks before the
//    failed one, and nothing is offered after it.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "kypcx/dib_layout.h"
#include "kypcx/pcx_decode.h"
#include "kypcx/pcx_encode_header.h"
#include "kypcx/pcx_encode_planes.h"
#include "kypcx/pcx_format.h"
#include "kypcx/pcx_writer.h"
#include "pcx_writer_readback.h"

namespace {

using kypcx::Status;
using Bytes = std::vector<uint8_t>;

// Each image's rows are kept small enough that an input's work stays small.
constexpr uint64_t kMaxImageBytes = uint64_t{1} << 20;

void Require(bool condition, const char* what) {
    if (condition) return;
    std::fprintf(stderr, "fuzz_encode: check failed: %s\n", what);
    std::abort();
}

// The input's bytes taken in order; zeros once they run out.
class InputBytes {
public:
    InputBytes(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
    uint16_t U16() { return static_cast<uint16_t>(Byte() | (Byte() << 8)); }
    uint32_t U32() { return uint32_t{U16()} | (uint32_t{U16()} << 16); }
    // The bytes not taken yet, repeated to fill `n` (zeros when none are left).
    Bytes Fill(size_t n) const {
        Bytes out(n, 0);
        if (at_ >= size_) return out;
        for (size_t i = 0; i < n; ++i) out[i] = data_[at_ + i % (size_ - at_)];
        return out;
    }

private:
    const uint8_t* data_;
    size_t size_;
    size_t at_ = 0;
};

// How one image is written: the block size, the split of its rows into
// calls, and the write at which the sink fails.
struct Plan {
    size_t blockSize = 0;
    uint32_t splitSeed = 0;
    size_t failPick = 0;
    bool shortWrite = false;
};

Plan PlanFrom(InputBytes& in) {
    Plan p;
    p.blockSize = 2 + in.U16() % 4095;
    p.splitSeed = in.U32();
    p.failPick = in.U16();
    p.shortWrite = (in.Byte() & 1) != 0;
    return p;
}

// The image to write: its header, rows and where its row 0 (the top) lies.
struct Image {
    PcxHeader header;
    kypcx::PcxRowLayout rows;
    uint32_t lineCount = 0;
    const uint8_t* top = nullptr;
    ptrdiff_t stride = 0;
    Bytes trailer;  // 768 colours, for an 8-bit single-plane image
};

struct Result {
    Status status = Status::Ok;
    Bytes file;
    std::vector<size_t> writes;
};

// Writes the image: header, rows in calls of sizes drawn from `splitSeed`
// (or all at once), the trailer where the header asks for one, the end.
Result Write(const Image& image, size_t blockSize, uint32_t splitSeed, size_t failAt, bool shortWrite) {
    kypcx::reference::MemorySink out;
    out.failAt = failAt;
    out.shortWrite = shortWrite;
    Bytes block(blockSize);
    kypcx::PcxByteWriter bytes(out.sink(), block.data(), block.size());
    Bytes line(image.rows.lineSize());
    kypcx::PcxImageWriter writer(bytes, image.header, image.rows, image.lineCount, line.data());
    Result r;
    r.status = writer.WriteHeader();
    uint32_t y = 0;
    uint32_t seed = splitSeed;
    while (r.status == Status::Ok && y < image.lineCount) {
        uint32_t count = image.lineCount - y;
        if (splitSeed != 0) {
            seed = seed * 1103515245u + 12345u;
            count = (seed >> 16) % (count + 1);  // calls of no rows too
        }
        r.status = writer.WriteRows(image.top + static_cast<ptrdiff_t>(y) * image.stride, image.stride, count);
        if (r.status == Status::Ok) Require(writer.linesWritten() == y + count, "lines counted");
        y += count;
    }
    if (r.status == Status::Ok && kypcx::HasPaletteTrailer(image.header))
        r.status = writer.WriteTrailer(image.trailer.data());
    const Status finished = writer.Finish();
    if (r.status == Status::Ok) r.status = finished;
    r.file = out.bytes;
    r.writes = out.writes;
    return r;
}

// Whether a layout reader's DIB row is the row the writer was given: the
// layouts whose pixels it keeps as they are (not widened, not reordered).
bool RowComesBackWhole(const kypcx::PcxRowLayout& rows, const kypcx::PcxDecodeLayout& decode) {
    if (rows.kind == kypcx::PcxRowKind::Masked16 || rows.kind == kypcx::PcxRowKind::Masked32) return false;
    switch (decode.pixels) {
    case kypcx::PcxPixels::Mono:
    case kypcx::PcxPixels::Packed4:
    case kypcx::PcxPixels::Indexed8:
    case kypcx::PcxPixels::PlanarRgb:
    case kypcx::PcxPixels::PlanarRgba: return true;
    case kypcx::PcxPixels::Planar: return decode.planes == 4;
    default: return false;
    }
}

void CheckImage(const Image& image, const Plan& plan) {
    const kypcx::PcxRowLayout& rows = image.rows;
    const size_t lineSize = rows.lineSize();
    const Result good = Write(image, plan.blockSize, 0, 0, false);
    Require(good.status == Status::Ok, "a sink that takes everything takes the image");
    for (size_t i = 0; i + 1 < good.writes.size(); ++i) Require(good.writes[i] == plan.blockSize, "whole blocks");
    Require(good.writes.empty() || good.writes.back() <= plan.blockSize, "the last block no larger");

    Bytes lines;
    size_t end = 0;
    Require(kypcx::reference::ReadBackLines(good.file.data(), good.file.size(), lineSize, image.lineCount, &lines,
                                            &end),
            "every line reads back whole");
    Require(std::memcmp(good.file.data(), &image.header, sizeof image.header) == 0, "the header as built");
    for (uint32_t y = 0; y < image.lineCount; ++y) {
        const Bytes expected = kypcx::reference::ScanLineOf(rows, image.top + static_cast<ptrdiff_t>(y) * image.stride);
        Require(std::memcmp(lines.data() + size_t{y} * lineSize, expected.data(), lineSize) == 0,
                "a line reads back as its row's scan line");
    }
    if (kypcx::HasPaletteTrailer(image.header)) {
        Require(good.file.size() == end + kypcx::kPaletteTrailerSize, "the trailer behind the lines");
        Require(good.file[end] == kypcx::kPaletteMarker, "the trailer's marker");
        Require(std::memcmp(good.file.data() + end + 1, image.trailer.data(), image.trailer.size()) == 0,
                "the trailer's colours");
    } else {
        Require(good.file.size() == end, "nothing behind the lines");
    }
    Require(good.file.size() <= kypcx::MaxEncodedPcxImageSize(image.header, image.lineCount),
            "no larger than the largest coded image");

    // A layout reader gives the pixels back where it reads the rows whole.
    kypcx::PcxHeaderRules every;
    every.layouts = kypcx::PcxLayoutSet::Every;
    every.colorSpaceCodes = true;
    kypcx::PcxDecodeLayout decode;
    if (kypcx::CheckPcxHeader(image.header, every) == kypcx::Status::Ok &&
        kypcx::PlanPcxDecode(image.header, every, &decode) == kypcx::Status::Ok && decode.encodedLineSize == lineSize &&
        RowComesBackWhole(rows, decode)) {
        Bytes row(decode.rowSize);
        // The bytes of a row that hold pixels: whole bytes of 1-bit pixels
        // and pairs of 4-bit ones, as stored.
        uint64_t pixelBytes = (uint64_t(decode.bitCount) * uint32_t(decode.width) + 7) / 8;
        if (pixelBytes > rows.rowBytes) pixelBytes = rows.rowBytes;
        for (uint32_t y = 0; y < image.lineCount; ++y) {
            kypcx::AssemblePcxRow(decode, lines.data() + size_t{y} * lineSize, row.data());
            Require(std::memcmp(row.data(), image.top + static_cast<ptrdiff_t>(y) * image.stride, pixelBytes) == 0,
                    "a layout reader gives the pixels back");
        }
    }

    // Rows in calls of other sizes: the same bytes in the same blocks.
    const Result split = Write(image, plan.blockSize, plan.splitSeed | 1, 0, false);
    Require(split.status == Status::Ok && split.file == good.file && split.writes == good.writes,
            "rows in any split give the same file");

    // A sink that fails at one of the writes.
    if (good.writes.empty()) return;
    const size_t failAt = 1 + plan.failPick % good.writes.size();
    const Result failed = Write(image, plan.blockSize, plan.splitSeed, failAt, plan.shortWrite);
    // The failed block went out when the byte after it arrived: a line's,
    // or the header's or trailer's, or the image's end.
    const size_t next = plan.blockSize * failAt;
    const bool lineByte = failAt < good.writes.size() && next >= kypcx::kPcxHeaderSize && next < end;
    Require(failed.status == (lineByte ? Status::LineNotWritten : Status::WriteShort),
            "a failed write is named for what it held");
    Require(failed.writes.size() == failAt, "nothing is offered after the failed block");
    for (size_t i = 0; i < failAt; ++i) Require(failed.writes[i] == good.writes[i], "the same blocks up to it");
    const size_t kept = plan.blockSize * (failAt - 1) + (plan.shortWrite ? good.writes[failAt - 1] / 2 : 0);
    Require(failed.file.size() == kept && std::equal(failed.file.begin(), failed.file.end(), good.file.begin()),
            "the sink has the blocks before the failed one, once");
}

// Whether `count` rows and their lines stay within an input's work.
bool FitsWork(uint64_t rowBytes, uint64_t lineSize, uint32_t count) {
    return rowBytes * count <= kMaxImageBytes && lineSize * count <= kMaxImageBytes;
}

// The image's rows from the input's bytes, each of exactly rows.rowBytes
// and all in one block of exactly their size (a read past the last row's
// end is caught), then the checks.
void CheckRowsOf(Image& image, const InputBytes& in, const Plan& plan) {
    if (!FitsWork(image.rows.rowBytes, image.rows.lineSize(), image.lineCount)) return;
    const Bytes pixels = in.Fill(static_cast<size_t>(image.rows.rowBytes) * image.lineCount);
    image.top = pixels.data();
    image.stride = static_cast<ptrdiff_t>(image.rows.rowBytes);
    CheckImage(image, plan);
}

void WriteDib(const uint8_t* data, size_t size) {
    InputBytes in(data, size);
    const Plan plan = PlanFrom(in);
    static const uint16_t kDepths[] = {1, 4, 8, 16, 24, 32, 2, 0};
    const uint8_t shape = in.Byte();
    const uint16_t bitCount = kDepths[shape & 7];
    const bool topDown = (shape & 8) != 0;
    const uint8_t compressionPick = (shape >> 4) & 3;  // BI_RGB, BI_BITFIELDS, a colour-space code, other
    const uint32_t headerSize = (shape & 0x40) ? 124 : 40;
    const int32_t width = 1 + in.U16() % 600;
    const int32_t height = 1 + in.Byte() % 48;
    const uint32_t colorsUsed = in.Byte() % 3 == 0 ? in.Byte() : 0;
    uint32_t masks[3] = {in.U32(), in.U32(), in.U32()};
    const uint32_t compression = compressionPick == 0   ? kypcx::kDibBiRgb
                                 : compressionPick == 1 ? kypcx::kDibBiBitfields
                                 : compressionPick == 2 ? kypcx::kFirstColorSpace + in.Byte() % 8
                                                        : in.Byte();

    // The block: header, masks after a 40-byte header, table, rows.
    const uint64_t stride = kypcx::DibRowSize(bitCount, width);
    if (stride * uint64_t(height) > kMaxImageBytes) return;
    const size_t maskBytes = compression == kypcx::kDibBiBitfields && headerSize == 40 ? 12 : 0;
    kypcx::DibInfo info;
    info.headerSize = headerSize;
    info.bitCount = bitCount;
    info.colorsUsed = colorsUsed;
    const size_t tableBytes = static_cast<size_t>(kypcx::DibColorTableSize(info));
    const size_t blockSize = headerSize + maskBytes + tableBytes + static_cast<size_t>(stride) * size_t(height);
    Bytes block = in.Fill(blockSize);
    auto put32 = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) block[at + i] = static_cast<uint8_t>(v >> (8 * i));
    };
    put32(0, headerSize);
    put32(4, static_cast<uint32_t>(width));
    put32(8, static_cast<uint32_t>(topDown ? -height : height));
    block[12] = 1;
    block[13] = 0;
    block[14] = static_cast<uint8_t>(bitCount);
    block[15] = 0;
    put32(16, compression);
    put32(32, colorsUsed);
    if (block.size() >= 52)
        for (int c = 0; c < 3; ++c) put32(40 + 4 * c, masks[c]);

    kypcx::DibLayout layout;
    if (kypcx::ReadDibLayout(block.data(), block.size(), &layout) != Status::Ok) return;
    Require(layout.pixelOffset + layout.rowStride * uint64_t(layout.height) <= block.size(), "rows inside the block");
    Image image;
    kypcx::DisplayMetrics display;
    display.dpiX = display.dpiY = 96;
    kypcx::FillDibPcxHeader(layout.info, display, block.data() + layout.colorTableOffset, layout.colorTableEntries,
                            &image.header);
    if (compression != kypcx::kDibBiRgb && kypcx::IsColorSpaceCode(compression))
        image.header.encoding = static_cast<uint8_t>(compression);
    image.rows = kypcx::DibRowLayout(layout);
    Require(image.rows.lineSize() == layout.encodedLineSize, "the rows' lines are the DIB's");
    if (!FitsWork(image.rows.rowBytes, image.rows.lineSize(), uint32_t(layout.height))) return;
    image.lineCount = static_cast<uint32_t>(layout.height);
    image.top = kypcx::DibRowForLine(layout, block.data(), 0);
    image.stride = layout.topDown ? static_cast<ptrdiff_t>(layout.rowStride) : -static_cast<ptrdiff_t>(layout.rowStride);
    image.trailer.resize(3 * kypcx::kPaletteTrailerColors);
    kypcx::ColorTableTriples(block.data() + layout.colorTableOffset, layout.colorTableEntries,
                             kypcx::kPaletteTrailerColors, image.trailer.data());
    CheckImage(image, plan);
}

void WriteBitmap(const uint8_t* data, size_t size) {
    InputBytes in(data, size);
    in.Byte();  // a byte apart from the DIB's choices
    const Plan plan = PlanFrom(in);
    static const uint16_t kDepths[] = {1, 4, 8, 16, 24, 32, 2, 8};
    kypcx::BitmapFields bitmap;
    bitmap.bitsPixel = kDepths[in.Byte() & 7];
    bitmap.planes = 1;
    bitmap.width = 1 + in.U16() % 700;
    bitmap.height = 1 + in.Byte() % 40;
    bitmap.widthBytes = static_cast<int32_t>((int64_t{bitmap.width} * bitmap.bitsPixel + 15) / 16 * 2);
    kypcx::DisplayMetrics display;
    display.dpiX = 120;
    display.dpiY = 120;
    Image image;
    kypcx::FillBitmapPcxHeader(bitmap, display, &image.header);
    Bytes colors = in.Fill(3 * kypcx::kPaletteTrailerColors);
    kypcx::SetHeaderPalette(&image.header, colors.data(),
                            kypcx::HeaderPaletteColors(image.header.planes, image.header.bitsPerPixel));
    image.rows = kypcx::WritesBitmapAsRgbPlanes(bitmap) ? kypcx::BgrRowLayout(bitmap.width, image.header.bytesPerLine)
                                                        : kypcx::DeviceRowLayout(bitmap);
    Require(image.rows.lineSize() == uint32_t(image.header.planes) * uint16_t(image.header.bytesPerLine),
            "the rows' lines are the header's");
    image.lineCount = static_cast<uint32_t>(bitmap.height);
    image.trailer = colors;
    CheckRowsOf(image, in, plan);
}

void WritePicture(const uint8_t* data, size_t size) {
    InputBytes in(data, size);
    in.U16();  // bytes apart from the other writes' choices
    const Plan plan = PlanFrom(in);
    kypcx::PcxPicture picture;
    picture.format = static_cast<kypcx::PcxPixelFormat>(in.Byte() % 5);
    picture.width = 1 + in.U16() % 500;
    picture.height = 1 + in.Byte() % 40;
    picture.dpiX = static_cast<int16_t>(in.U16());
    picture.dpiY = static_cast<int16_t>(in.U16());
    const Bytes colors = in.Fill(3 * kypcx::kPaletteTrailerColors);
    picture.colors = colors.data();
    picture.colorCount = in.Byte();
    Image image;
    const Status planned = kypcx::FillPicturePcxHeader(picture, &image.header, &image.rows);
    Require(planned == Status::Ok, "a picture of a size the header holds is planned");
    image.lineCount = static_cast<uint32_t>(picture.height);
    image.trailer = colors;
    CheckRowsOf(image, in, plan);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    WriteDib(data, size);
    WriteBitmap(data, size);
    WritePicture(data, size);
    return 0;
}
