// The one reader: its plan (header, layout, limits, colours, data range), its
// rows from memory and through a read function, the refill's end rule, and
// the failures of a read function and of an allocator.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "kypcx/pcx_reader.h"

namespace {

using Bytes = std::vector<uint8_t>;
using kypcx::Status;

PcxHeader Header(uint8_t planes, uint8_t bits, int16_t width, int16_t height, int16_t bytesPerLine) {
    PcxHeader h;
    std::memset(&h, 0, sizeof h);
    h.manufacturer = 0x0A;
    h.version = 5;
    h.encoding = 1;
    h.planes = planes;
    h.bitsPerPixel = bits;
    h.xMax = static_cast<int16_t>(width - 1);
    h.yMax = static_cast<int16_t>(height - 1);
    h.bytesPerLine = bytesPerLine;
    return h;
}

Bytes HeaderBytes(const PcxHeader& h) {
    Bytes bytes(kypcx::kPcxHeaderSize);
    std::memcpy(bytes.data(), &h, sizeof h);
    return bytes;
}

// An 8-bit image whose lines are bytes below 0xC0, each coding itself: line
// y holds y + x at x. With `trailer`, a marked trailer of colour i = (i, 2i, 3i).
Bytes EightBitImage(int16_t width, int16_t height, bool trailer) {
    Bytes bytes = HeaderBytes(Header(1, 8, width, height, width));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) bytes.push_back(static_cast<uint8_t>((y + x) % 0xC0));
    if (trailer) {
        bytes.push_back(kypcx::kPaletteMarker);
        for (int i = 0; i < 256; ++i) {
            bytes.push_back(static_cast<uint8_t>(i));
            bytes.push_back(static_cast<uint8_t>(2 * i));
            bytes.push_back(static_cast<uint8_t>(3 * i));
        }
    }
    return bytes;
}

// A read function over a vector that counts its calls, may fail from a
// given call on, and may claim the bytes end early.
struct ReadLog {
    const Bytes* bytes = nullptr;
    int calls = 0;
    int failFrom = -1;           // the call (0-based) from which reads fail; -1 never
    uint64_t endsAt = UINT64_MAX;  // bytes behind this are not there
    std::vector<size_t> asked;
};

bool ReadLogged(void* context, uint64_t offset, uint8_t* buffer, size_t length, size_t* got) {
    auto* log = static_cast<ReadLog*>(context);
    const int call = log->calls++;
    log->asked.push_back(length);
    *got = 0;
    if (log->failFrom >= 0 && call >= log->failFrom) return false;
    uint64_t end = log->bytes->size();
    if (end > log->endsAt) end = log->endsAt;
    if (offset >= end) return true;
    size_t n = static_cast<size_t>(end - offset);
    if (n > length) n = length;
    std::memcpy(buffer, log->bytes->data() + offset, n);
    *got = n;
    return true;
}

kypcx::PcxByteSource Through(ReadLog* log) {
    return kypcx::PcxBytesThrough(ReadLogged, log, 0, log->bytes->size());
}

// Every row a reader hands out: its y, and its planes (empty for a blank row).
struct Rows {
    std::vector<int32_t> ys;
    std::vector<Bytes> lines;
    Status status = Status::Ok;
};

Rows ReadAll(const kypcx::PcxByteSource& source, const kypcx::PcxReaderRules& rules, uint8_t* readAhead = nullptr,
             size_t readAheadSize = 0) {
    Rows out;
    kypcx::PcxImagePlan plan;
    out.status = kypcx::PlanPcxImage(source, rules, &plan);
    if (out.status != Status::Ok) return out;
    kypcx::PcxRowReader reader(source, plan, rules.rows);
    out.status = reader.Start(nullptr, readAhead, readAheadSize);
    if (out.status != Status::Ok) return out;
    const size_t lineSize = plan.layout.encodedLineSize;
    out.status = reader.ReadRows(plan.layout.height, [&](const kypcx::PcxRow& row) {
        out.ys.push_back(row.y);
        out.lines.push_back(row.planes != nullptr ? Bytes(row.planes, row.planes + lineSize) : Bytes());
        return true;
    });
    return out;
}

TEST(PcxReaderPlan, ReadsHeaderLayoutTrailerAndDataRange) {
    const Bytes bytes = EightBitImage(10, 4, true);
    ReadLog log;
    log.bytes = &bytes;
    const kypcx::PcxByteSource sources[] = {kypcx::PcxBytesInMemory(bytes.data(), bytes.size()), Through(&log)};
    for (const kypcx::PcxByteSource& source : sources) {
        kypcx::PcxImagePlan plan;
        ASSERT_EQ(Status::Ok, kypcx::PlanPcxImage(source, kypcx::ClassicDibReaderRules(true), &plan));
        EXPECT_EQ(10, plan.layout.width);
        EXPECT_EQ(4, plan.layout.height);
        EXPECT_EQ(8, plan.layout.bitCount);
        EXPECT_TRUE(plan.colors.trailerFound);
        EXPECT_EQ(Status::Ok, plan.colors.status);
        EXPECT_EQ(256u, plan.colors.count);
        EXPECT_EQ(7, plan.colors.triples[3 * 7]);
        EXPECT_EQ(14, plan.colors.triples[3 * 7 + 1]);
        EXPECT_EQ(21, plan.colors.triples[3 * 7 + 2]);
        EXPECT_EQ(128u, plan.dataStart);
        EXPECT_EQ(40u, plan.dataBytes) << "the trailer is no image data";
        EXPECT_EQ(Status::Ok, plan.Verdict(kypcx::PcxRowRules()));
    }
}

TEST(PcxReaderPlan, NamesWhatRefusesTheHeader) {
    const Bytes good = EightBitImage(4, 2, false);
    kypcx::PcxImagePlan plan;
    const kypcx::PcxReaderRules rules = kypcx::ClassicDibReaderRules(true);
    EXPECT_EQ(Status::HeaderCutShort, kypcx::PlanPcxImage(kypcx::PcxBytesInMemory(good.data(), 127), rules, &plan));
    EXPECT_EQ(Status::HeaderCutShort, kypcx::PlanPcxImage(kypcx::PcxBytesInMemory(nullptr, 500), rules, &plan));

    Bytes bytes = good;
    bytes[1] = 1;  // version
    EXPECT_EQ(Status::UnknownVersion, kypcx::PlanPcxImage(kypcx::PcxBytesInMemory(bytes.data(), bytes.size()), rules, &plan));
    EXPECT_EQ(1, plan.header.version) << "the header is there even when refused";
    bytes = good;
    bytes[2] = 0;  // encoding
    EXPECT_EQ(Status::UnacceptedEncoding,
              kypcx::PlanPcxImage(kypcx::PcxBytesInMemory(bytes.data(), bytes.size()), rules, &plan));
    EXPECT_EQ(Status::Ok, kypcx::PlanPcxImage(kypcx::PcxBytesInMemory(bytes.data(), bytes.size()),
                                              kypcx::ClassicDibReaderRules(false), &plan))
        << "the encoding byte unchecked";
    bytes = good;
    bytes[3] = 16;  // 1 plane x 16 bits
    EXPECT_EQ(Status::UndecodableLayout,
              kypcx::PlanPcxImage(kypcx::PcxBytesInMemory(bytes.data(), bytes.size()), rules, &plan));

    // The header alone, read through a read function that fails.
    ReadLog log;
    log.bytes = &good;
    log.failFrom = 0;
    PcxHeader header;
    EXPECT_EQ(Status::HeaderCutShort, kypcx::ReadHeader(Through(&log), rules.header, &header));
}

// A read function that makes up the bytes of an image it does not hold: its
// header, then zeros.
struct MadeUp {
    Bytes header;
};

bool ReadMadeUp(void* context, uint64_t offset, uint8_t* buffer, size_t length, size_t* got) {
    const Bytes& header = static_cast<MadeUp*>(context)->header;
    for (size_t i = 0; i < length; ++i) buffer[i] = offset + i < header.size() ? header[offset + i] : 0;
    *got = length;
    return true;
}

TEST(PcxReaderPlan, SizeLimitsByTheReadersRules) {
    // 3 planes x 8 bits, 32001 x 22368: its rows fit the limit of decoded
    // images, its DIB block (whole 32-pixel groups) does not.
    MadeUp image{HeaderBytes(Header(3, 8, 32001, 22368, 32001))};
    const kypcx::PcxByteSource source = kypcx::PcxBytesThrough(ReadMadeUp, &image, 0, 128 + (uint64_t{8} << 20));
    kypcx::PcxImagePlan plan;
    EXPECT_EQ(Status::ImageTooLarge, kypcx::PlanPcxImage(source, kypcx::ClassicDibReaderRules(true), &plan));
    EXPECT_EQ(Status::Ok, kypcx::PlanPcxImage(source, kypcx::ClassicBitmapReaderRules(), &plan));
    EXPECT_LE(plan.layout.imageSize, kypcx::kMaxDecodedImageBytes);
    EXPECT_FALSE(kypcx::FitsDibBlock(plan.layout));

    // A huge claim with a few bytes of data is refused unless no limit is kept.
    const kypcx::PcxByteSource small = kypcx::PcxBytesThrough(ReadMadeUp, &image, 0, 400);
    EXPECT_EQ(Status::ImageTooLarge, kypcx::PlanPcxImage(small, kypcx::ClassicBitmapReaderRules(), &plan));
    kypcx::PcxReaderRules none = kypcx::LayoutReaderRules(false, false, kypcx::PcxCgaReading::ByRule);
    none.limit = kypcx::PcxSizeLimit::None;
    none.readColors = false;
    EXPECT_EQ(Status::Ok, kypcx::PlanPcxImage(small, none, &plan));
}

TEST(PcxReaderColors, TrailerRulesOfEachReader) {
    // No marker where the trailer would be: a grey ramp, and its bytes stay data.
    Bytes bytes = EightBitImage(40, 20, false);
    kypcx::PcxImagePlan plan;
    ASSERT_EQ(Status::Ok, kypcx::PlanPcxImage(kypcx::PcxBytesInMemory(bytes.data(), bytes.size()),
                                              kypcx::ClassicDibReaderRules(true), &plan));
    EXPECT_FALSE(plan.colors.trailerFound);
    EXPECT_EQ(Status::Ok, plan.colors.status);
    EXPECT_EQ(200, plan.colors.triples[3 * 200 + 1]);
    EXPECT_EQ(800u, plan.dataBytes);

    // The in-memory bitmap decoder has no colours then.
    ASSERT_EQ(Status::Ok, kypcx::PlanPcxImage(kypcx::PcxBytesInMemory(bytes.data(), bytes.size()),
                                              kypcx::MemoryBitmapReaderRules(), &plan));
    EXPECT_EQ(Status::TrailerUnreadable, plan.colors.status);
    EXPECT_EQ(0u, plan.colors.count);

    // Too short for a trailer behind the header: the default palette, and
    // the image refused by a reader that must refuse before its rows.
    bytes = EightBitImage(4, 2, false);
    ASSERT_EQ(Status::Ok, kypcx::PlanPcxImage(kypcx::PcxBytesInMemory(bytes.data(), bytes.size()),
                                              kypcx::CodecReaderRules(), &plan));
    EXPECT_EQ(Status::TrailerUnreadable, plan.colors.status);
    EXPECT_EQ(256u, plan.colors.count);
    EXPECT_EQ(32, plan.colors.triples[3 * 1]) << "3 bits red, 3 green, 2 blue";
    EXPECT_EQ(Status::TrailerUnreadable, plan.Verdict(kypcx::CodecReaderRules().rows));

    // A trailer whose read fails is unreadable too.
    bytes = EightBitImage(40, 20, true);
    ReadLog log;
    log.bytes = &bytes;
    log.failFrom = 1;  // the header is read, nothing after it
    ASSERT_EQ(Status::Ok, kypcx::PlanPcxImage(Through(&log), kypcx::ClassicDibReaderRules(true), &plan));
    EXPECT_EQ(Status::TrailerUnreadable, plan.colors.status);

    // 1-bit images: the two-colour rule, or black and white in memory.
    Bytes mono = HeaderBytes(Header(1, 1, 8, 1, 2));
    mono[16] = 0x40;
    mono[19] = 0xBF;
    mono.push_back(0x55);
    mono.push_back(0x00);
    ASSERT_EQ(Status::Ok, kypcx::PlanPcxImage(kypcx::PcxBytesInMemory(mono.data(), mono.size()),
                                              kypcx::ClassicDibReaderRules(true), &plan));
    EXPECT_EQ(0x40, plan.colors.triples[0]);
    ASSERT_EQ(Status::Ok, kypcx::PlanPcxImage(kypcx::PcxBytesInMemory(mono.data(), mono.size()),
                                              kypcx::MemoryBitmapReaderRules(), &plan));
    EXPECT_EQ(0, plan.colors.triples[0]);
    EXPECT_EQ(255, plan.colors.triples[3]);

    // A layout without colours, asked of by a caller's header.
    kypcx::PcxColors colors;
    kypcx::ReadPcxColors(kypcx::PcxBytesInMemory(mono.data(), mono.size()), Header(4, 8, 2, 2, 2),
                         kypcx::PcxColorRules(), &colors);
    EXPECT_EQ(Status::NoColorsForLayout, colors.status);
    EXPECT_EQ(0u, colors.count);
}

TEST(PcxReaderRows, MemoryAndReadFunctionGiveTheSameRows) {
    const Bytes bytes = EightBitImage(37, 11, true);
    const Rows fromMemory = ReadAll(kypcx::PcxBytesInMemory(bytes.data(), bytes.size()), kypcx::ClassicDibReaderRules(true));
    ASSERT_EQ(Status::Ok, fromMemory.status);
    ASSERT_EQ(11u, fromMemory.ys.size());
    for (int y = 0; y < 11; ++y) {
        EXPECT_EQ(y, fromMemory.ys[y]);
        EXPECT_EQ(static_cast<uint8_t>(y + 5), fromMemory.lines[y][5]);
    }
    for (size_t block : {size_t{2}, size_t{3}, size_t{36}, size_t{37}, size_t{38}, size_t{1000}}) {
        ReadLog log;
        log.bytes = &bytes;
        Bytes readAhead(block);
        const Rows through = ReadAll(Through(&log), kypcx::ClassicDibReaderRules(true), readAhead.data(), block);
        ASSERT_EQ(Status::Ok, through.status) << block;
        EXPECT_EQ(fromMemory.ys, through.ys) << block;
        EXPECT_EQ(fromMemory.lines, through.lines) << block;
    }
    ReadLog log;
    log.bytes = &bytes;
    const Rows ownReadAhead = ReadAll(Through(&log), kypcx::ClassicDibReaderRules(true));
    EXPECT_EQ(fromMemory.lines, ownReadAhead.lines);
}

TEST(PcxReaderRows, ACutLineEndsTheRowsAsEachReaderWants) {
    Bytes bytes = EightBitImage(10, 6, false);
    bytes.resize(128 + 10 * 3 + 4);  // three lines and four bytes of the fourth
    const kypcx::PcxByteSource source = kypcx::PcxBytesInMemory(bytes.data(), bytes.size());

    const Rows kept = ReadAll(source, kypcx::ClassicDibReaderRules(true));
    ASSERT_EQ(Status::Ok, kept.status);
    ASSERT_EQ(4u, kept.ys.size());
    EXPECT_EQ(3 + 3, kept.lines[3][3]);
    EXPECT_EQ(0, kept.lines[3][4]) << "the cut line's rest is zero";

    const Rows painted = ReadAll(source, kypcx::PainterReaderRules());
    EXPECT_EQ(3u, painted.ys.size()) << "the painter leaves a cut line out";

    const Rows codec = ReadAll(source, kypcx::CodecReaderRules());
    ASSERT_EQ(6u, codec.ys.size()) << "the codec has every row";
    EXPECT_FALSE(codec.lines[3].empty());
    EXPECT_TRUE(codec.lines[4].empty()) << "behind the data, blank";
    EXPECT_TRUE(codec.lines[5].empty());
}

TEST(PcxReaderRows, RunsCrossingALineEndAreCutOrRefused) {
    // 4 x 2, 8 bits: a run of 6 crosses the first line's end.
    Bytes bytes = HeaderBytes(Header(1, 8, 4, 2, 4));
    bytes.insert(bytes.end(), {0xC6, 0x07, 0x01, 0x02, 0x03, 0x04});
    const kypcx::PcxByteSource source = kypcx::PcxBytesInMemory(bytes.data(), bytes.size());
    const Rows cut = ReadAll(source, kypcx::ClassicBitmapReaderRules());
    ASSERT_EQ(Status::Ok, cut.status);
    ASSERT_EQ(2u, cut.lines.size());
    EXPECT_EQ((Bytes{7, 7, 7, 7}), cut.lines[0]);
    EXPECT_EQ((Bytes{1, 2, 3, 4}), cut.lines[1]);
    const Rows refused = ReadAll(source, kypcx::MemoryBitmapReaderRules());
    EXPECT_EQ(Status::RunCrossesLineEnd, refused.status);
    EXPECT_TRUE(refused.ys.empty());
}

TEST(PcxReaderRefill, TheDataEndsWithTheImagesLastByteWithoutAnotherRead) {
    // Nine lines claimed, 64 data bytes (eight lines) there, read 32 at a
    // time: two reads, and none more to learn that the ninth is missing.
    Bytes bytes = EightBitImage(8, 9, false);
    bytes.resize(128 + 64);
    ReadLog log;
    log.bytes = &bytes;
    Bytes readAhead(32);
    const Rows rows = ReadAll(Through(&log), kypcx::ClassicDibReaderRules(true), readAhead.data(), readAhead.size());
    ASSERT_EQ(Status::Ok, rows.status);
    EXPECT_EQ(8u, rows.ys.size());
    // The header (the file is too short for a trailer), then the data.
    ASSERT_EQ(3, log.calls);
    EXPECT_EQ(32u, log.asked[1]);
    EXPECT_EQ(32u, log.asked[2]);
}

TEST(PcxReaderRefill, AShortReadEndsTheData) {
    // The source says 64 data bytes; the read function gives 20 of them.
    const Bytes bytes = EightBitImage(8, 8, false);
    ReadLog log;
    log.bytes = &bytes;
    log.endsAt = 128 + 20;
    Bytes readAhead(16);
    const Rows rows = ReadAll(Through(&log), kypcx::ClassicDibReaderRules(true), readAhead.data(), readAhead.size());
    ASSERT_EQ(Status::Ok, rows.status);
    ASSERT_EQ(3u, rows.ys.size()) << "two whole lines and a cut one";
    EXPECT_EQ((Bytes{2, 3, 4, 5, 0, 0, 0, 0}), rows.lines[2]);
}

TEST(PcxReaderRefill, AFailingReadFunctionIsUnreadableDataAndTheRowsStartAgain) {
    const Bytes bytes = EightBitImage(8, 8, false);
    ReadLog log;
    log.bytes = &bytes;
    const kypcx::PcxByteSource source = Through(&log);
    const kypcx::PcxReaderRules rules = kypcx::CodecReaderRules();
    kypcx::PcxImagePlan plan;
    ASSERT_EQ(Status::Ok, kypcx::PlanPcxImage(source, rules, &plan));
    kypcx::PcxRowReader reader(source, plan, rules.rows);
    Bytes readAhead(16);
    ASSERT_EQ(Status::Ok, reader.Start(nullptr, readAhead.data(), readAhead.size()));
    log.failFrom = log.calls + 1;  // the first block comes, the second fails
    int rows = 0;
    EXPECT_EQ(Status::DataUnreadable, reader.ReadRows(8, [&](const kypcx::PcxRow&) { return ++rows, true; }));
    EXPECT_EQ(2, rows);
    EXPECT_FALSE(reader.started());

    log.failFrom = -1;
    ASSERT_EQ(Status::Ok, reader.Start(nullptr, readAhead.data(), readAhead.size()));
    std::vector<int32_t> ys;
    EXPECT_EQ(Status::Ok, reader.ReadRows(8, [&](const kypcx::PcxRow& row) {
        ys.push_back(row.y);
        return row.planes[0] == row.y;
    }));
    EXPECT_EQ(8u, ys.size());
    EXPECT_EQ(0, ys.front()) << "from the first line again";
}

TEST(PcxReaderRefill, AnImageWithoutDataIsUnreadableWhereTheRulesSaySo) {
    const Bytes bytes = HeaderBytes(Header(4, 1, 8, 2, 1));
    ReadLog log;
    log.bytes = &bytes;
    EXPECT_EQ(Status::DataUnreadable, ReadAll(Through(&log), kypcx::ClassicBitmapReaderRules()).status);
    const Rows none = ReadAll(kypcx::PcxBytesInMemory(bytes.data(), bytes.size()), kypcx::MemoryBitmapReaderRules());
    EXPECT_EQ(Status::Ok, none.status);
    EXPECT_TRUE(none.ys.empty());

    // A read function that gives no byte of the data at all.
    const Bytes image = EightBitImage(8, 2, false);
    ReadLog empty;
    empty.bytes = &image;
    empty.endsAt = 128;
    EXPECT_EQ(Status::DataUnreadable, ReadAll(Through(&empty), kypcx::ClassicDibReaderRules(true)).status);
}

TEST(PcxReaderRows, ALineFunctionStopsTheRows) {
    const Bytes bytes = EightBitImage(8, 8, false);
    const kypcx::PcxByteSource source = kypcx::PcxBytesInMemory(bytes.data(), bytes.size());
    const kypcx::PcxReaderRules rules = kypcx::ClassicDibReaderRules(true);
    kypcx::PcxImagePlan plan;
    ASSERT_EQ(Status::Ok, kypcx::PlanPcxImage(source, rules, &plan));
    kypcx::PcxRowReader reader(source, plan, rules.rows);
    ASSERT_EQ(Status::Ok, reader.Start());
    EXPECT_EQ(Status::StoppedByLineFunction,
              reader.ReadRows(8, [](const kypcx::PcxRow& row) { return row.fromData < 3; }));
    EXPECT_EQ(3, reader.nextRow());
}

// An allocator that fails from its n-th block on.
struct Budget {
    int left;
};
void* AllocateFromBudget(void* context, size_t bytes) {
    auto* budget = static_cast<Budget*>(context);
    if (budget->left-- <= 0) return nullptr;
    return new uint8_t[bytes]();
}
void ReleaseToBudget(void*, void* block) { delete[] static_cast<uint8_t*>(block); }

TEST(PcxReaderRows, BuffersComeFromTheCallersAllocator) {
    const Bytes bytes = EightBitImage(8, 8, false);
    ReadLog log;
    log.bytes = &bytes;
    const kypcx::PcxByteSource source = Through(&log);
    const kypcx::PcxReaderRules rules = kypcx::ClassicDibReaderRules(true);
    kypcx::PcxImagePlan plan;
    ASSERT_EQ(Status::Ok, kypcx::PlanPcxImage(source, rules, &plan));
    for (int left = 0; left <= 2; ++left) {
        Budget budget{left};
        kypcx::PcxAllocator memory;
        memory.allocate = AllocateFromBudget;
        memory.release = ReleaseToBudget;
        memory.context = &budget;
        kypcx::PcxRowReader reader(source, plan, rules.rows, memory);
        const Status expected = left == 0 ? Status::NoImageMemory : left == 1 ? Status::NoWorkingMemory : Status::Ok;
        EXPECT_EQ(expected, reader.Start()) << left;
    }
}

}  // namespace
