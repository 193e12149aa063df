// The one writer: whole blocks to a sink, a failed block dropped and never
// offered again, images of every row layout read back with the core's
// decoder, rows pushed in any split, where an image may end, and the
// headers of pictures described by their own numbers.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "kypcx/dib_layout.h"
#include "kypcx/pcx_decode.h"
#include "kypcx/pcx_encode_header.h"
#include "kypcx/pcx_encode_planes.h"
#include "kypcx/pcx_format.h"
#include "kypcx/pcx_rle_encode.h"
#include "kypcx/pcx_writer.h"
#include "pcx_reference_coders.h"
#include "pcx_writer_readback.h"

namespace {

using namespace kypcx;
using reference::MemorySink;
using Bytes = std::vector<uint8_t>;

Bytes Pattern(size_t n, uint32_t seed) {
    Bytes b(n);
    uint32_t x = seed * 2654435761u + 1;
    for (size_t i = 0; i < n; ++i) {
        x = x * 1103515245u + 12345u;
        // Runs and literals both: a value held for a stretch now and then.
        b[i] = (x >> 28) < 5 && i > 0 ? b[i - 1] : static_cast<uint8_t>(x >> 16);
    }
    return b;
}

Bytes Coded(const Bytes& line) {
    Bytes out(MaxEncodedSize(line.size()));
    out.resize(EncodePcxRuns(line.data(), line.size(), out.data()));
    return out;
}

TEST(PcxByteWriter, HandsTheSinkWholeBlocksWhenTheByteAfterArrives) {
    struct Case {
        size_t bytes;
        std::vector<size_t> writes;
    };
    const Case cases[] = {{0, {}}, {1, {1}}, {8, {8}}, {9, {8, 1}}, {16, {8, 8}}, {17, {8, 8, 1}}};
    for (const Case& c : cases) {
        MemorySink out;
        Bytes block(8);
        PcxByteWriter writer(out.sink(), block.data(), block.size());
        const Bytes bytes = Pattern(c.bytes, 3);
        for (size_t i = 0; i < bytes.size(); ++i) {
            ASSERT_TRUE(writer.PutBytes(&bytes[i], 1));
            EXPECT_EQ(i < 8 ? 0u : (i / 8) * 8, out.bytes.size()) << "a full block waits for the next byte";
        }
        EXPECT_EQ(c.bytes, writer.taken());
        EXPECT_TRUE(writer.Flush());
        EXPECT_EQ(c.writes, out.writes) << c.bytes << " bytes";
        EXPECT_EQ(bytes, out.bytes);
        EXPECT_EQ(0u, writer.held());
        EXPECT_TRUE(writer.Flush()) << "nothing held: nothing to write";
        EXPECT_EQ(c.writes.size(), out.writes.size());
    }
    // Bytes given at once land in the same blocks as bytes given one by one.
    MemorySink out;
    Bytes block(8);
    PcxByteWriter writer(out.sink(), block.data(), block.size());
    const Bytes bytes = Pattern(29, 4);
    ASSERT_TRUE(writer.PutBytes(bytes.data(), 16));
    EXPECT_EQ((std::vector<size_t>{8}), out.writes);
    ASSERT_TRUE(writer.PutBytes(bytes.data() + 16, 13));
    ASSERT_TRUE(writer.Flush());
    EXPECT_EQ((std::vector<size_t>{8, 8, 8, 5}), out.writes);
    EXPECT_EQ(bytes, out.bytes);
}

TEST(PcxByteWriter, DropsAFailedBlockAndNeverOffersItAgain) {
    for (bool shortWrite : {false, true}) {
        MemorySink out;
        out.failAt = 2;
        out.shortWrite = shortWrite;
        Bytes block(8);
        PcxByteWriter writer(out.sink(), block.data(), block.size());
        const Bytes bytes = Pattern(40, 5);
        ASSERT_TRUE(writer.PutBytes(bytes.data(), 16));
        EXPECT_FALSE(writer.PutBytes(bytes.data() + 16, 8)) << "the second block's write fails";
        EXPECT_EQ(0u, writer.held()) << "the failed block is not held for another try";
        ASSERT_TRUE(writer.PutBytes(bytes.data() + 24, 3)) << "later bytes are taken afresh";
        ASSERT_TRUE(writer.Flush());
        EXPECT_EQ((std::vector<size_t>{8, 8, 3}), out.writes);
        Bytes expected(bytes.begin(), bytes.begin() + 8);
        if (shortWrite) expected.insert(expected.end(), bytes.begin() + 8, bytes.begin() + 12);
        expected.insert(expected.end(), bytes.begin() + 24, bytes.begin() + 27);
        EXPECT_EQ(expected, out.bytes) << "what reached the sink, once";
    }
    // A failed flush drops what it held too.
    MemorySink out;
    out.failAt = 1;
    Bytes block(8);
    PcxByteWriter writer(out.sink(), block.data(), block.size());
    ASSERT_TRUE(writer.PutRun(7, 3));
    EXPECT_FALSE(writer.Flush());
    EXPECT_TRUE(writer.Flush());
    EXPECT_EQ((std::vector<size_t>{2}), out.writes);
}

TEST(PcxByteWriter, CodesLinesAcrossBlockEndsAsInOneGo) {
    std::vector<Bytes> lines;
    for (uint32_t seed = 0; seed < 6; ++seed) lines.push_back(Pattern(37 + 61 * seed, seed));
    lines.push_back(Bytes(200, 0xC7));
    lines.push_back(Bytes(1, 0x3F));
    // Runs about the longest a code holds, starting anywhere in the coder's
    // blocks and spans, behind literals of either kind.
    for (size_t before : {0, 1, 15, 16, 17, 31, 47, 63, 64, 65}) {
        for (size_t run : {62, 63, 64, 65, 126, 127, 128}) {
            Bytes line = Pattern(before, static_cast<uint32_t>(run));
            line.insert(line.end(), run, before % 2 ? 0x51 : 0xD1);
            const Bytes after = Pattern(70, 5);
            line.insert(line.end(), after.begin(), after.end());
            lines.push_back(line);
        }
    }
    Bytes expected;
    for (const Bytes& line : lines) {
        const Bytes codes = reference::EncodeRuns(line.data(), line.size());
        ASSERT_EQ(codes, Coded(line)) << "a line of " << line.size() << " bytes";
        expected.insert(expected.end(), codes.begin(), codes.end());
    }
    for (size_t blockSize : {2, 3, 5, 16, 47, 48, 49, 64, 100, 4096}) {
        MemorySink out;
        Bytes block(blockSize);
        PcxByteWriter writer(out.sink(), block.data(), block.size());
        for (const Bytes& line : lines) ASSERT_TRUE(writer.PutCodedLine(line.data(), line.size())) << blockSize;
        EXPECT_EQ(expected.size(), writer.taken());
        ASSERT_TRUE(writer.Flush());
        EXPECT_EQ(expected, out.bytes) << "block size " << blockSize;
        for (size_t i = 0; i + 1 < out.writes.size(); ++i) ASSERT_EQ(blockSize, out.writes[i]) << blockSize;
    }
    // A run's codes at a block's end: the count byte ends one block, the
    // value begins the next.
    MemorySink out;
    Bytes block(3);
    PcxByteWriter writer(out.sink(), block.data(), block.size());
    const Bytes line = {1, 2, 0xD0, 0xD0};
    ASSERT_TRUE(writer.PutCodedLine(line.data(), line.size()));
    ASSERT_TRUE(writer.Flush());
    EXPECT_EQ((Bytes{1, 2, 0xC2, 0xD0}), out.bytes);
    EXPECT_EQ((std::vector<size_t>{3, 1}), out.writes);
}

TEST(PcxByteWriter, StopsALineAtTheFailedBlock) {
    MemorySink out;
    out.failAt = 1;
    Bytes block(8);
    PcxByteWriter writer(out.sink(), block.data(), block.size());
    const Bytes line = Pattern(100, 9);
    EXPECT_FALSE(writer.PutCodedLine(line.data(), line.size()));
    EXPECT_EQ((std::vector<size_t>{8}), out.writes) << "nothing of the line is offered after the failure";
    EXPECT_TRUE(out.bytes.empty());
}

TEST(PcxByteWriter, GoesOnInTheBlockItIsGiven) {
    MemorySink out;
    Bytes block = {9, 9, 9, 0, 0, 0};
    PcxByteWriter writer(out.sink(), block.data(), block.size(), 3);
    EXPECT_EQ(3u, writer.held());
    const Bytes more = {1, 2, 3, 4};
    ASSERT_TRUE(writer.PutBytes(more.data(), more.size()));
    EXPECT_EQ(4u, writer.taken()) << "bytes held before the writer are not its own";
    ASSERT_TRUE(writer.Flush());
    EXPECT_EQ((Bytes{9, 9, 9, 1, 2, 3, 4}), out.bytes);
    EXPECT_EQ((std::vector<size_t>{6, 1}), out.writes);

    // With no block the writer takes nothing, and says so.
    writer.UseBlock(nullptr, 0, 0);
    EXPECT_FALSE(writer.PutBytes(more.data(), 1));
    EXPECT_FALSE(writer.PutRun(5, 2));
    EXPECT_FALSE(writer.PutCodedLine(more.data(), more.size()));
    EXPECT_TRUE(writer.PutBytes(more.data(), 0)) << "no bytes: nothing to take";
    EXPECT_TRUE(writer.Flush());
    EXPECT_EQ((std::vector<size_t>{6, 1}), out.writes);
}

// One image written whole through a sink, with the writer's statuses.
struct Written {
    Status status = Status::Ok;
    Bytes file;
    std::vector<size_t> writes;
};

Written WriteImage(const PcxHeader& header, const PcxRowLayout& rows, uint32_t lineCount, const Bytes& pixels,
                   size_t stride, const uint8_t* trailer = nullptr, size_t blockSize = 32768,
                   std::vector<uint32_t> splits = {}, size_t failAt = 0) {
    MemorySink out;
    out.failAt = failAt;
    Bytes block(blockSize);
    PcxByteWriter bytes(out.sink(), block.data(), block.size());
    Bytes line(rows.lineSize());
    PcxImageWriter image(bytes, header, rows, lineCount, line.data());
    Written w;
    w.status = image.WriteHeader();
    if (splits.empty()) splits.push_back(lineCount);
    uint32_t y = 0;
    for (uint32_t count : splits) {
        if (w.status != Status::Ok) break;
        w.status = image.WriteRows(pixels.data() + y * stride, static_cast<ptrdiff_t>(stride), count);
        y += count;
    }
    if (w.status == Status::Ok && trailer != nullptr) w.status = image.WriteTrailer(trailer);
    const Status finished = image.Finish();
    if (w.status == Status::Ok) w.status = finished;
    w.file = out.bytes;
    w.writes = out.writes;
    return w;
}

// Writes `lineCount` rows of `layout` and holds every line read back to the
// row's scan line made pixel by pixel.
void ExpectReadsBack(const PcxRowLayout& rows, uint32_t lineCount, const std::string& name) {
    const size_t stride = static_cast<size_t>(rows.rowBytes);
    const Bytes pixels = Pattern(stride * lineCount, lineCount + static_cast<uint32_t>(rows.kind));
    PcxHeader header;
    std::memset(&header, 0, sizeof header);
    header.planes = static_cast<uint8_t>(rows.planes);
    const Written w = WriteImage(header, rows, lineCount, pixels, stride, nullptr, 64);
    ASSERT_EQ(Status::Ok, w.status) << name;
    Bytes lines;
    size_t end = 0;
    ASSERT_TRUE(reference::ReadBackLines(w.file.data(), w.file.size(), rows.lineSize(), lineCount, &lines, &end))
        << name;
    EXPECT_EQ(w.file.size(), end) << name << ": nothing behind the lines";
    for (uint32_t y = 0; y < lineCount; ++y) {
        const Bytes expected = reference::ScanLineOf(rows, pixels.data() + y * stride);
        ASSERT_EQ(expected, Bytes(lines.begin() + y * rows.lineSize(), lines.begin() + (y + 1) * rows.lineSize()))
            << name << ", line " << y;
    }
}

PcxRowLayout Rows(PcxRowKind kind, int32_t width, uint32_t planes, uint32_t bytesPerLine, uint64_t rowBytes) {
    return PcxRowLayout{kind, width, planes, bytesPerLine, rowBytes, {0, 0, 0}};
}

TEST(PcxImageWriter, EveryRowLayoutReadsBack) {
    for (int32_t width : {1, 2, 7, 8, 9, 31, 32, 33, 95, 200}) {
        const std::string w = " width " + std::to_string(width);
        const uint32_t even = static_cast<uint32_t>(RgbPlaneBytes(width));
        const uint32_t bits1 = static_cast<uint32_t>((width + 7) / 8);
        ExpectReadsBack(Rows(PcxRowKind::Copied, width, 1, bits1, DibRowSize(1, width)), 5, "1-bit DIB" + w);
        ExpectReadsBack(Rows(PcxRowKind::Copied, width, 1, static_cast<uint32_t>(width), DibRowSize(8, width)), 5,
                        "8-bit DIB" + w);
        ExpectReadsBack(Rows(PcxRowKind::Copied, width, 1, even, even / 2), 3, "a row shorter than its line" + w);
        ExpectReadsBack(Rows(PcxRowKind::Nibbles, width, 4, bits1, DibRowSize(4, width)), 5, "4-bit DIB" + w);
        ExpectReadsBack(Rows(PcxRowKind::Nibbles, width, 4, bits1, static_cast<uint64_t>(width + 1) / 2), 5,
                        "4-bit pixels, no padding" + w);
        ExpectReadsBack(Rows(PcxRowKind::Bgr24, width, 3, even, DibRowSize(24, width)), 5, "24-bit DIB" + w);
        ExpectReadsBack(Rows(PcxRowKind::Bgr24, width, 3, even + 2, 3 * static_cast<uint64_t>(width)), 5,
                        "24-bit pixels, wide planes" + w);
        ExpectReadsBack(Rows(PcxRowKind::Bgra32, width, 4, even, 4 * static_cast<uint64_t>(width)), 5,
                        "32-bit pixels with alpha" + w);
        PcxRowLayout masked = Rows(PcxRowKind::Masked16, width, 3, even, DibRowSize(16, width));
        masked.masks[0] = 0xF800;
        masked.masks[1] = 0x07E0;
        masked.masks[2] = 0x001F;
        ExpectReadsBack(masked, 4, "16-bit 5-6-5" + w);
        masked = Rows(PcxRowKind::Masked32, width, 3, even, DibRowSize(32, width));
        masked.masks[0] = 0x3FF00000;
        masked.masks[1] = 0x000FFC00;
        masked.masks[2] = 0x000003FF;
        ExpectReadsBack(masked, 4, "32-bit 10-10-10" + w);
        masked.masks[1] = 0;
        ExpectReadsBack(masked, 2, "32-bit, no green" + w);
        // Colour numbers a byte, into every indexed layout.
        const struct {
            uint32_t planes, bits;
        } indexed[] = {{1, 1}, {1, 2}, {1, 4}, {1, 8}, {2, 1}, {3, 1}, {4, 1}};
        for (const auto& l : indexed) {
            const uint32_t bpl = static_cast<uint32_t>((uint64_t(width) * l.bits + 15) / 16 * 2);
            ExpectReadsBack(IndexRowLayout(width, l.planes, l.bits, bpl), 5,
                            "indices as " + std::to_string(l.planes) + "x" + std::to_string(l.bits) + w);
        }
    }
    ExpectReadsBack(Rows(PcxRowKind::Copied, 9, 4, 2, 8), 3, "a device's four planes");
}

// Rows of exactly their pixels in blocks of exactly their size: nothing is
// read past a row's last byte (AddressSanitizer would say so).
TEST(PcxLineAssembly, ReadsNoFurtherThanARowsBytes) {
    for (int32_t width = 1; width <= 40; ++width) {
        const PcxRowLayout rows[] = {
            Rows(PcxRowKind::Nibbles, width, 4, static_cast<uint32_t>((width + 7) / 8),
                 static_cast<uint64_t>(width + 1) / 2),
            Rows(PcxRowKind::Copied, width, 1, static_cast<uint32_t>(RgbPlaneBytes(width)),
                 static_cast<uint64_t>(width + 7) / 8),
            Rows(PcxRowKind::Bgr24, width, 3, static_cast<uint32_t>(RgbPlaneBytes(width)), 3 * uint64_t(width)),
            Rows(PcxRowKind::Bgra32, width, 4, static_cast<uint32_t>(RgbPlaneBytes(width)), 4 * uint64_t(width)),
        };
        for (const PcxRowLayout& r : rows) {
            const Bytes pattern = Pattern(static_cast<size_t>(r.rowBytes), static_cast<uint32_t>(width));
            std::unique_ptr<uint8_t[]> row(new uint8_t[r.rowBytes]);
            std::memcpy(row.get(), pattern.data(), pattern.size());
            Bytes line(r.lineSize(), 0xEE);
            EXPECT_EQ(line.size(), AssemblePcxLine(r, row.get(), line.data()));
            EXPECT_EQ(reference::ScanLineOf(r, row.get()), line)
                << "kind " << static_cast<int>(r.kind) << ", width " << width;
        }
    }
    // A row fetched into the line buffer is the line already.
    const PcxRowLayout copied = Rows(PcxRowKind::Copied, 16, 1, 2, 2);
    Bytes line = {0x5A, 0xA5};
    EXPECT_EQ(2u, AssemblePcxLine(copied, line.data(), line.data()));
    EXPECT_EQ((Bytes{0x5A, 0xA5}), line);
}

TEST(PcxImageWriter, RowsInAnySplitGiveTheSameFile) {
    const PcxRowLayout rows = Rows(PcxRowKind::Bgr24, 50, 3, 50, 150);
    PcxHeader header;
    std::memset(&header, 0, sizeof header);
    header.planes = 3;
    const Bytes pixels = Pattern(150 * 12, 2);
    const Written whole = WriteImage(header, rows, 12, pixels, 150, nullptr, 100);
    ASSERT_EQ(Status::Ok, whole.status);
    for (const std::vector<uint32_t>& splits :
         {std::vector<uint32_t>{1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1}, std::vector<uint32_t>{0, 5, 0, 7},
          std::vector<uint32_t>{11, 1}, std::vector<uint32_t>{3, 3, 3, 3}}) {
        const Written split = WriteImage(header, rows, 12, pixels, 150, nullptr, 100, splits);
        ASSERT_EQ(Status::Ok, split.status);
        EXPECT_EQ(whole.file, split.file);
        EXPECT_EQ(whole.writes, split.writes);
    }
    // Rows given bottom row first, with a negative stride, as a bottom-up
    // DIB holds them.
    MemorySink out;
    Bytes block(100);
    PcxByteWriter bytes(out.sink(), block.data(), block.size());
    Bytes line(rows.lineSize());
    PcxImageWriter image(bytes, header, rows, 12, line.data());
    ASSERT_EQ(Status::Ok, image.WriteHeader());
    Bytes flipped;
    for (int y = 11; y >= 0; --y) flipped.insert(flipped.end(), pixels.begin() + 150 * y, pixels.begin() + 150 * (y + 1));
    ASSERT_EQ(Status::Ok, image.WriteRows(flipped.data() + 150 * 11, -150, 12));
    ASSERT_EQ(Status::Ok, image.Finish());
    EXPECT_EQ(whole.file, out.bytes);
}

TEST(PcxImageWriter, RefusesRowsBeyondTheLastLine) {
    const PcxRowLayout rows = Rows(PcxRowKind::Copied, 8, 1, 8, 8);
    PcxHeader header;
    std::memset(&header, 0, sizeof header);
    MemorySink out;
    Bytes block(64);
    PcxByteWriter bytes(out.sink(), block.data(), block.size());
    Bytes line(8);
    const Bytes pixels = Pattern(8 * 4, 1);
    PcxImageWriter image(bytes, header, rows, 3, line.data());
    EXPECT_EQ(Status::TooManyRows, image.WriteRows(pixels.data(), 8, 4));
    EXPECT_EQ(0u, image.linesWritten()) << "none of them";
    EXPECT_EQ(0u, bytes.taken());
    EXPECT_EQ(Status::Ok, image.WriteRows(pixels.data(), 8, 2));
    EXPECT_EQ(1u, image.linesLeft());
    EXPECT_EQ(Status::Ok, image.WriteLine(pixels.data() + 16));
    EXPECT_EQ(Status::TooManyRows, image.WriteLine(pixels.data()));
    EXPECT_EQ(Status::TooManyRows, image.WriteRows(pixels.data(), 8, 1));
    EXPECT_EQ(Status::Ok, image.WriteRows(pixels.data(), 8, 0)) << "no rows: nothing to refuse";
}

// The header and rows of an 8-bit picture, which ends in the trailer.
PcxHeader EightBitPicture(int32_t width, int32_t height, PcxRowLayout* rows) {
    PcxPicture picture;
    picture.width = width;
    picture.height = height;
    picture.format = PcxPixelFormat::Indexed8;
    PcxHeader header;
    EXPECT_EQ(Status::Ok, FillPicturePcxHeader(picture, &header, rows));
    EXPECT_TRUE(HasPaletteTrailer(header));
    return header;
}

TEST(PcxImageWriter, WritesTheTrailerBehindTheLines) {
    PcxRowLayout rows;
    const PcxHeader header = EightBitPicture(13, 4, &rows);
    Bytes colors(768);
    for (size_t i = 0; i < colors.size(); ++i) colors[i] = static_cast<uint8_t>(i * 7);
    const Bytes pixels = Pattern(13 * 4, 8);
    const Written w = WriteImage(header, rows, 4, pixels, 13, colors.data(), 50);
    ASSERT_EQ(Status::Ok, w.status);
    Bytes lines;
    size_t end = 0;
    ASSERT_TRUE(reference::ReadBackLines(w.file.data(), w.file.size(), 13, 4, &lines, &end));
    EXPECT_EQ(pixels, lines);
    ASSERT_EQ(end + kPaletteTrailerSize, w.file.size());
    EXPECT_EQ(kPaletteMarker, w.file[end]);
    EXPECT_EQ(colors, Bytes(w.file.begin() + end + 1, w.file.end()));
    EXPECT_EQ(0, std::memcmp(w.file.data(), &header, sizeof header)) << "the header as given";
}

// Where each write the image makes can fail, and what the writer says then.
TEST(PcxImageWriter, NamesWhatAFailingSinkStopped) {
    PcxRowLayout rows;
    const PcxHeader header = EightBitPicture(40, 6, &rows);
    const Bytes pixels = Pattern(40 * 6, 11);
    const Bytes colors(768, 0x42);
    // Blocks of 100 bytes: the header fills the first and a bit, the lines
    // the next few, the trailer the last ones.
    const Written good = WriteImage(header, rows, 6, pixels, 40, colors.data(), 100);
    ASSERT_EQ(Status::Ok, good.status);
    size_t linesEnd = 0;
    {
        Bytes lines;
        ASSERT_TRUE(reference::ReadBackLines(good.file.data(), good.file.size(), 40, 6, &lines, &linesEnd));
    }
    for (size_t failAt = 1; failAt <= good.writes.size(); ++failAt) {
        const Written w = WriteImage(header, rows, 6, pixels, 40, colors.data(), 100, {}, failAt);
        // A block is written when the byte after it arrives (the header's,
        // a line's or the trailer's), the last one by the image's end.
        const size_t next = 100 * failAt;
        const bool lineByte = failAt < good.writes.size() && next >= kPcxHeaderSize && next < linesEnd;
        EXPECT_EQ(lineByte ? Status::LineNotWritten : Status::WriteShort, w.status)
            << "write " << failAt << " of " << good.writes.size();
        EXPECT_EQ(Bytes(good.file.begin(), good.file.begin() + static_cast<ptrdiff_t>(100 * (failAt - 1))), w.file)
            << "write " << failAt << ": the blocks before it, and no block twice";
        EXPECT_EQ(failAt, w.writes.size()) << "nothing is offered after the failed block";
        for (size_t i = 0; i < w.writes.size(); ++i) EXPECT_EQ(good.writes[i], w.writes[i]);
    }
    // Ending the lines on their own: a failure there is a line not written.
    MemorySink out;
    out.failAt = 1;
    Bytes block(4096);
    PcxByteWriter bytes(out.sink(), block.data(), block.size());
    Bytes line(rows.lineSize());
    PcxImageWriter image(bytes, header, rows, 6, line.data());
    ASSERT_EQ(Status::Ok, image.WriteRows(pixels.data(), 40, 6));
    EXPECT_EQ(Status::LineNotWritten, image.EndLines());
    EXPECT_EQ(Status::Ok, image.WriteTrailer(colors.data()));
    EXPECT_EQ(Status::Ok, image.Finish());
    EXPECT_EQ((std::vector<size_t>{linesEnd - kPcxHeaderSize, kPaletteTrailerSize}), out.writes);
}

TEST(PcxImageEnd, RefusesAnImageThatCouldPassItsLimit) {
    PcxHeader header;
    std::memset(&header, 0, sizeof header);
    header.planes = 3;
    header.bitsPerPixel = 8;
    header.bytesPerLine = 10;
    EXPECT_EQ(128u + 2 * 30 * 4, MaxEncodedPcxImageSize(header, 4));
    header.planes = 1;
    EXPECT_EQ(128u + 2 * 10 * 4 + 769, MaxEncodedPcxImageSize(header, 4)) << "with the trailer";
    header.bytesPerLine = -1;
    EXPECT_EQ(128u + 2 * 65535 + 769, MaxEncodedPcxImageSize(header, 1)) << "bytes per line read unsigned";
    header.bytesPerLine = 10;

    const uint64_t size = MaxEncodedPcxImageSize(header, 4);
    const uint64_t fourGiB = uint64_t{1} << 32;
    EXPECT_EQ(Status::Ok, CheckPcxImageEnd(header, 4, 0, size));
    EXPECT_EQ(Status::Ok, CheckPcxImageEnd(header, 4, fourGiB - size, fourGiB)) << "ending at the limit";
    EXPECT_EQ(Status::EndLimitPassed, CheckPcxImageEnd(header, 4, fourGiB - size + 1, fourGiB));
    EXPECT_EQ(Status::EndLimitPassed, CheckPcxImageEnd(header, 4, fourGiB + 1, fourGiB)) << "starting past it";
    EXPECT_EQ(Status::Ok, CheckPcxImageEnd(header, 4, ~uint64_t{0} - size, ~uint64_t{0}));
}

Bytes HeaderBytes(const PcxHeader& header) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(&header);
    return Bytes(bytes, bytes + sizeof header);
}

TEST(PicturePcxHeader, FieldsRowsAndColoursForEveryFormat) {
    struct Case {
        PcxPixelFormat format;
        uint8_t planes, bitsPerPixel;
        int16_t bytesPerLine, paletteInfo;
        PcxRowKind kind;
        uint64_t rowBytes;
        uint32_t headerColors;
        uint16_t dibBits;  // the DIB depth written in the same layout
    };
    const Case cases[] = {
        {PcxPixelFormat::Indexed1, 1, 1, 3, 0, PcxRowKind::Copied, 3, 2, 1},
        {PcxPixelFormat::Indexed4, 4, 1, 3, 0, PcxRowKind::Nibbles, 10, 16, 4},
        {PcxPixelFormat::Indexed8, 1, 8, 19, 0, PcxRowKind::Copied, 19, 0, 8},
        {PcxPixelFormat::Bgr24, 3, 8, 20, 1, PcxRowKind::Bgr24, 57, 0, 24},
        {PcxPixelFormat::Bgra32, 4, 8, 20, 1, PcxRowKind::Bgra32, 76, 0, 24},
    };
    Bytes colors(3 * 20), table(4 * 20);
    for (size_t i = 0; i < colors.size(); ++i) colors[i] = static_cast<uint8_t>(100 + i);
    for (size_t i = 0; i < 20; ++i) {
        table[4 * i] = colors[3 * i + 2];  // blue, green, red, reserved
        table[4 * i + 1] = colors[3 * i + 1];
        table[4 * i + 2] = colors[3 * i];
    }
    for (const Case& c : cases) {
        PcxPicture picture;
        picture.width = 19;
        picture.height = 7;
        picture.format = c.format;
        picture.dpiX = 300;
        picture.dpiY = 150;
        picture.colors = colors.data();
        picture.colorCount = 20;
        PcxHeader h;
        std::memset(&h, 0xEE, sizeof h);
        PcxRowLayout rows;
        const std::string name = "format " + std::to_string(static_cast<int>(c.format));
        ASSERT_EQ(Status::Ok, FillPicturePcxHeader(picture, &h, &rows)) << name;
        EXPECT_EQ(c.planes, h.planes) << name;
        EXPECT_EQ(c.bitsPerPixel, h.bitsPerPixel) << name;
        EXPECT_EQ(c.bytesPerLine, h.bytesPerLine) << name;
        EXPECT_EQ(c.paletteInfo, h.paletteInfo) << name;
        for (size_t i = 0; i < 48; ++i)
            ASSERT_EQ(i < 3 * c.headerColors ? colors[i] : 0, h.palette[i]) << name << ", palette byte " << i;
        // Every byte as the DIB writer gives a DIB of the same pixels and
        // colours, shown on no screen (a fourth plane for alpha aside).
        DibInfo dib;
        dib.headerSize = kDibInfoHeaderSize;
        dib.width = 19;
        dib.height = 7;
        dib.planes = 1;
        dib.bitCount = c.dibBits;
        DisplayMetrics display;
        display.dpiX = 300;
        display.dpiY = 150;
        PcxHeader expected;
        FillDibPcxHeader(dib, display, table.data(), 20, &expected);
        expected.planes = c.planes;
        EXPECT_EQ(HeaderBytes(expected), HeaderBytes(h)) << name;
        EXPECT_EQ(c.kind, rows.kind) << name;
        EXPECT_EQ(c.rowBytes, rows.rowBytes) << name;
        EXPECT_EQ(uint32_t(h.planes) * uint16_t(h.bytesPerLine), rows.lineSize()) << name;
        // What the layout readers make of it: the pixels given.
        PcxHeaderRules every;
        every.layouts = PcxLayoutSet::Every;
        PcxDecodeLayout decode;
        ASSERT_EQ(Status::Ok, CheckPcxHeader(h, every)) << name;
        ASSERT_EQ(Status::Ok, PlanPcxDecode(h, every, &decode)) << name;
        const Bytes pixels = Pattern(static_cast<size_t>(rows.rowBytes) * 7, 21);
        const Written w = WriteImage(h, rows, 7, pixels, static_cast<size_t>(rows.rowBytes));
        ASSERT_EQ(Status::Ok, w.status) << name;
        Bytes lines;
        size_t end = 0;
        ASSERT_TRUE(reference::ReadBackLines(w.file.data(), w.file.size(), rows.lineSize(), 7, &lines, &end));
        Bytes row(decode.rowSize);
        for (size_t y = 0; y < 7; ++y) {
            AssemblePcxRow(decode, lines.data() + y * rows.lineSize(), row.data());
            const uint8_t* given = pixels.data() + y * rows.rowBytes;
            ASSERT_EQ(Bytes(given, given + rows.rowBytes), Bytes(row.begin(), row.begin() + rows.rowBytes))
                << name << ", row " << y;
        }
    }
    // A short list of colours: the rest of the header palette is black.
    PcxPicture picture;
    picture.width = 4;
    picture.height = 1;
    picture.format = PcxPixelFormat::Indexed4;
    picture.colors = colors.data();
    picture.colorCount = 3;
    PcxHeader h;
    PcxRowLayout rows;
    ASSERT_EQ(Status::Ok, FillPicturePcxHeader(picture, &h, &rows));
    for (size_t i = 0; i < 48; ++i) ASSERT_EQ(i < 9 ? colors[i] : 0, h.palette[i]) << i;
}

TEST(PicturePcxHeader, RefusesSizesTheHeaderCannotHold) {
    struct Case {
        int32_t width, height;
        PcxPixelFormat format;
        Status expected;
    };
    const Case cases[] = {
        {0, 5, PcxPixelFormat::Bgr24, Status::UndecodableLayout},
        {5, 0, PcxPixelFormat::Indexed8, Status::UndecodableLayout},
        {-3, 5, PcxPixelFormat::Indexed1, Status::UndecodableLayout},
        {32769, 1, PcxPixelFormat::Indexed1, Status::ImageTooLarge},
        {1, 32769, PcxPixelFormat::Indexed1, Status::ImageTooLarge},
        {32768, 1, PcxPixelFormat::Indexed8, Status::ImageTooLarge},
        {32768, 1, PcxPixelFormat::Bgra32, Status::ImageTooLarge},
        {32767, 1, PcxPixelFormat::Bgr24, Status::ImageTooLarge},  // planes of an even 32,768 bytes
        {32766, 1, PcxPixelFormat::Bgr24, Status::Ok},
        {32768, 32768, PcxPixelFormat::Indexed4, Status::Ok},
    };
    for (const Case& c : cases) {
        PcxPicture picture;
        picture.width = c.width;
        picture.height = c.height;
        picture.format = c.format;
        PcxHeader h;
        PcxRowLayout rows;
        EXPECT_EQ(c.expected, FillPicturePcxHeader(picture, &h, &rows)) << c.width << " x " << c.height;
    }
}

// The rows of a DIB block as its writer takes them: its depth's kind and its
// whole padded row.
TEST(DibRows, FollowTheDibsDepth) {
    struct Case {
        uint16_t bitCount;
        PcxRowKind kind;
    };
    const Case cases[] = {{1, PcxRowKind::Copied},   {4, PcxRowKind::Nibbles}, {8, PcxRowKind::Copied},
                          {16, PcxRowKind::Masked16}, {24, PcxRowKind::Bgr24},  {32, PcxRowKind::Masked32}};
    for (const Case& c : cases) {
        DibLayout l;
        l.info.bitCount = c.bitCount;
        l.width = 9;
        l.rowStride = DibRowSize(c.bitCount, 9);
        l.pcx = DibPcxPlaneLayout(l.info);
        l.pcx.bytesPerLine = 4;
        l.channelMasks[1] = 0xF0;
        const PcxRowLayout rows = DibRowLayout(l);
        EXPECT_EQ(c.kind, rows.kind) << c.bitCount;
        EXPECT_EQ(l.rowStride, rows.rowBytes) << c.bitCount;
        EXPECT_EQ(uint32_t(l.pcx.planes), rows.planes) << c.bitCount;
        EXPECT_EQ(0xF0u, rows.masks[1]) << c.bitCount;
    }
}

}  // namespace
