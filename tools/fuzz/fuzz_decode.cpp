// fuzz_decode: the fuzz target for the portable core's decode path: the one
// reader (kypcx/pcx_reader.h) and the coders under it. The input is a PCX
// file. The reader plans it and hands out its rows by the rules of every
// reader of the library: the classic DIB decoders (encoding byte checked or
// not), the bitmap decoders, the in-memory bitmap decoder, the layout
// readers with their flags, the codec's frames and the painter; from a span
// of memory, as the memory exports give it, and through a read function
// read ahead in small blocks, as a file or a stream gives it. Each row is
// assembled into a row buffer of exactly rowSize bytes (painted into colour
// indices for the painter), as the adapters do. Built with libFuzzer
// (KYPCX_FUZZ) or, with fuzz_replay_main.cpp, as a runner that replays
// files. Any sanitizer report or failed check here is a core bug.
//
// Beyond memory safety the target checks the decoders' promises:
//  - both decoders (block-wise fast loops) give, call for call, the same
//    line bytes, input position and verdict as a plain byte-at-a-time
//    reference decoder, also on cut and hostile data;
//  - the lenient decoder gives the same lines when its input arrives in
//    small blocks (a run's count byte at a block's end waits for the next);
//  - while the strict decoder accepts the data, it agrees with the lenient one;
//  - neither touches the plane slack, and row padding comes out zero;
//  - each assembled row equals the reference's pixel-by-pixel assembly;
//  - each decoded line, encoded, gives the reference encoder's codes, also
//    when coded in pieces into a small output room, and decodes back to itself;
//  - the reader gives the same plan (header, layout, colours, data range)
//    and the same rows and statuses from memory and through a read function
//    whose read-ahead holds a few bytes, for every reader's rules; stored
//    lines are the data; a row is handed out once, from the top, never past
//    the image's height; the scan-line buffer's slack stays untouched;
//  - a read function that fails at any read ends the plan or the rows with
//    the status of where it failed (header, trailer, data), never a crash,
//    and the rows start again from the first line afterwards.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#if defined(__has_include)
#if __has_include(<sanitizer/asan_interface.h>)
#include <sanitizer/asan_interface.h>
#endif
#endif
#ifndef ASAN_POISON_MEMORY_REGION
#define ASAN_POISON_MEMORY_REGION(addr, size) ((void)(addr), (void)(size))
#define ASAN_UNPOISON_MEMORY_REGION(addr, size) ((void)(addr), (void)(size))
#endif

#include "kypcx/pcx_decode.h"
#include "kypcx/pcx_format.h"
#include "kypcx/pcx_paint.h"
#include "kypcx/pcx_reader.h"
#include "kypcx/pcx_rle_encode.h"
#include "pcx_reference_coders.h"

namespace {

// Images whose DIB would be larger than this are skipped, as a decoder
// would refuse them; it keeps each input's work small.
constexpr uint64_t kMaxImageBytes = uint64_t{1} << 26;
constexpr uint8_t kCanary = 0x5A;

// The reader's rules being checked, for the report of a failed check.
const char* g_rules = "";

void Require(bool condition, const char* what) {
    if (condition) return;
    std::fprintf(stderr, "fuzz_decode: check failed: %s (%s)\n", what, g_rules);
    std::abort();
}

// A plane buffer whose slack is filled with a known byte and, under
// AddressSanitizer, poisoned: the decoders promise never to reach it.
class PlaneBuffer {
public:
    explicit PlaneBuffer(size_t lineSize)
        : lineSize_(lineSize), bytes_(new uint8_t[lineSize + kypcx::kPlaneSlack]) {
        std::memset(bytes_.get() + lineSize_, kCanary, kypcx::kPlaneSlack);
        ASAN_POISON_MEMORY_REGION(bytes_.get() + lineSize_, kypcx::kPlaneSlack);
    }
    ~PlaneBuffer() { ASAN_UNPOISON_MEMORY_REGION(bytes_.get() + lineSize_, kypcx::kPlaneSlack); }
    PlaneBuffer(const PlaneBuffer&) = delete;
    PlaneBuffer& operator=(const PlaneBuffer&) = delete;

    uint8_t* data() { return bytes_.get(); }
    void CheckSlack() {
        ASAN_UNPOISON_MEMORY_REGION(bytes_.get() + lineSize_, kypcx::kPlaneSlack);
        for (size_t i = 0; i < kypcx::kPlaneSlack; ++i) Require(bytes_[lineSize_ + i] == kCanary, "plane slack intact");
        ASAN_POISON_MEMORY_REGION(bytes_.get() + lineSize_, kypcx::kPlaneSlack);
    }

private:
    size_t lineSize_;
    std::unique_ptr<uint8_t[]> bytes_;
};

// Bytes of a DIB row that AssemblePcxRow fills from the planes; the rest is padding.
size_t RowBytesFromPlanes(const kypcx::PcxDecodeLayout& layout) {
    const size_t width = static_cast<uint32_t>(layout.width);
    if (layout.bitsPerPixel == 8 && layout.planes >= 3) return layout.planes * width;
    if (layout.planes > 1) return 4 * size_t(layout.planeBytesUsed);
    if (layout.bitsPerPixel == 2) return 2 * size_t(layout.planeBytesUsed);
    if (layout.bitsPerPixel == 32) return 3 * width;  // the fourth byte of each pixel is dropped
    return layout.planeBytesUsed;
}

// The input through a read function that fails from read number `failFrom`
// on (never when negative).
struct ReadThrough {
    const uint8_t* data;
    size_t size;
    int calls = 0;
    int failFrom = -1;
};

bool ReadInput(void* context, uint64_t offset, uint8_t* buffer, size_t length, size_t* got) {
    auto* input = static_cast<ReadThrough*>(context);
    *got = 0;
    if (input->failFrom >= 0 && input->calls++ >= input->failFrom) return false;
    if (offset >= input->size) return true;
    const size_t n = input->size - offset < length ? static_cast<size_t>(input->size - offset) : length;
    std::memcpy(buffer, input->data + offset, n);
    *got = n;
    return true;
}

struct Family {
    const char* name;
    kypcx::PcxReaderRules rules;
};

// The rules of every reader of the library.
std::vector<Family> Families() {
    using kypcx::PcxCgaReading;
    return {
        {"classic DIB", kypcx::ClassicDibReaderRules(true)},
        {"non-RGB DIB", kypcx::ClassicDibReaderRules(false)},
        {"classic bitmap", kypcx::ClassicBitmapReaderRules()},
        {"memory bitmap", kypcx::MemoryBitmapReaderRules()},
        {"layout", kypcx::LayoutReaderRules(false, false, PcxCgaReading::ByRule)},
        {"layout, classic", kypcx::LayoutReaderRules(true, false, PcxCgaReading::ByRule)},
        {"layout, colour space, CGA", kypcx::LayoutReaderRules(false, true, PcxCgaReading::Always)},
        {"layout, header colours", kypcx::LayoutReaderRules(false, false, PcxCgaReading::Never)},
        {"codec", kypcx::CodecReaderRules()},
        {"painter", kypcx::PainterReaderRules()},
    };
}

bool SamePlan(const kypcx::PcxImagePlan& a, const kypcx::PcxImagePlan& b) {
    const kypcx::PcxDecodeLayout& x = a.layout;
    const kypcx::PcxDecodeLayout& y = b.layout;
    return std::memcmp(&a.header, &b.header, sizeof a.header) == 0 && x.width == y.width && x.height == y.height &&
           x.bitCount == y.bitCount && x.planes == y.planes && x.bytesPerLine == y.bytesPerLine &&
           x.encodedLineSize == y.encodedLineSize && x.rowSize == y.rowSize && x.imageSize == y.imageSize &&
           x.colors == y.colors && x.pixels == y.pixels && x.coding == y.coding &&
           a.colors.count == b.colors.count && a.colors.status == b.colors.status &&
           a.colors.trailerFound == b.colors.trailerFound &&
           std::memcmp(a.colors.triples, b.colors.triples, sizeof a.colors.triples) == 0 &&
           a.dataStart == b.dataStart && a.dataBytes == b.dataBytes;
}

// A reader over its own scan-line buffer (slack watched) and read-ahead.
struct Rows {
    Rows(const kypcx::PcxByteSource& source, const kypcx::PcxImagePlan& plan, const kypcx::PcxRowRules& rules,
         size_t readAhead)
        : planes(plan.layout.encodedLineSize), block(readAhead), reader(source, plan, rules) {}
    kypcx::Status Start() { return reader.Start(planes.data(), block.data(), block.size()); }

    PlaneBuffer planes;
    std::vector<uint8_t> block;
    kypcx::PcxRowReader reader;
};

// The rows of `lead` (from memory) side by side with those of `other`
// (through a read function): the same rows in the same order with the same
// lines, while `other` gives rows. Each of lead's rows is also checked as
// its adapter takes it: assembled into a row of exactly rowSize bytes, or
// painted into colour indices; a stored line is the data. Returns how many
// rows `other` gave; *leadStatus and *otherStatus are their statuses.
int32_t RowsSideBySide(const kypcx::PcxImagePlan& plan, const kypcx::PcxRowRules& rules, const uint8_t* data,
                       Rows& lead, Rows& other, kypcx::Status* leadStatus, kypcx::Status* otherStatus) {
    const kypcx::PcxDecodeLayout& layout = plan.layout;
    const size_t lineSize = layout.encodedLineSize;
    std::unique_ptr<uint8_t[]> row(new uint8_t[layout.rowSize + 1]);
    std::vector<uint8_t> indices(static_cast<uint32_t>(layout.width));
    int32_t expectedY = 0;
    int32_t otherRows = 0;
    bool otherEnded = false;
    uint64_t stored = 0;  // data bytes the stored lines so far took
    *otherStatus = kypcx::Status::Ok;
    *leadStatus = lead.reader.ReadRows(layout.height + 1, [&](const kypcx::PcxRow& r) {
        Require(r.y == expectedY++ && r.y < layout.height, "rows from the top, each once, inside the image");
        lead.planes.CheckSlack();
        Require(r.planes != nullptr || rules.blankRowsAfterData, "blank rows only where the rules hand them out");
        if (r.planes != nullptr && layout.pixels == kypcx::PcxPixels::PaintOnly) {
            kypcx::PaintRowIndices(layout, r.planes, indices.data());
            for (uint8_t index : indices) Require(index < 16, "a painted index is one of 16 pens");
        } else if (r.planes != nullptr) {
            row[layout.rowSize] = kCanary;
            kypcx::AssemblePcxRow(layout, r.planes, row.get());
            Require(row[layout.rowSize] == kCanary, "assembly stays inside the row");
        }
        if (r.planes != nullptr && layout.coding == kypcx::PcxLineCoding::Stored) {
            const uint64_t have = std::min<uint64_t>(lineSize, plan.dataBytes - stored);
            Require(std::memcmp(r.planes, data + plan.dataStart + stored, have) == 0, "a stored line is the data");
            for (size_t i = have; i < lineSize; ++i) Require(r.planes[i] == 0, "a cut stored line ends in zeros");
            stored += have;
        }
        if (otherEnded) return true;
        bool got = false;
        *otherStatus = other.reader.ReadRows(1, [&](const kypcx::PcxRow& o) {
            got = true;
            other.planes.CheckSlack();
            Require(o.y == r.y && o.fromData == r.fromData, "the same row either way");
            Require((o.planes == nullptr) == (r.planes == nullptr), "the same blank rows either way");
            Require(o.planes == nullptr || std::memcmp(o.planes, r.planes, lineSize) == 0, "the same line either way");
            return true;
        });
        if (got) ++otherRows;
        else otherEnded = true;
        return true;
    });
    Require(lead.reader.nextRow() <= layout.height, "no row past the image");
    if (*leadStatus == kypcx::Status::Ok && rules.blankRowsAfterData)
        Require(lead.reader.nextRow() == layout.height, "every row handed out");
    if (!otherEnded && *otherStatus == kypcx::Status::Ok) {
        bool more = false;
        *otherStatus = other.reader.ReadRows(1, [&](const kypcx::PcxRow&) { return more = true, true; });
        Require(!more, "no more rows either way");
    }
    return otherRows;
}

// One reader's rules on the input: the plan and the rows from memory and
// through a read function, which must agree, and the same with the read
// function failing at read `failAt`.
void CheckReader(const Family& family, const uint8_t* data, size_t size, size_t readAhead, int failAt) {
    g_rules = family.name;
    const kypcx::PcxByteSource memory = kypcx::PcxBytesInMemory(data, size);
    ReadThrough input{data, size};
    const kypcx::PcxByteSource through = kypcx::PcxBytesThrough(ReadInput, &input, 0, size);

    kypcx::PcxImagePlan fromMemory, fromReads;
    const kypcx::Status planned = kypcx::PlanPcxImage(memory, family.rules, &fromMemory);
    Require(planned == kypcx::PlanPcxImage(through, family.rules, &fromReads), "the same plan status either way");
    if (planned != kypcx::Status::Ok) {
        Require(planned != kypcx::Status::HeaderCutShort || size < kypcx::kPcxHeaderSize, "a whole header is read");
        return;
    }
    Require(SamePlan(fromMemory, fromReads), "the same plan either way");
    const kypcx::PcxDecodeLayout& layout = fromMemory.layout;
    Require(fromMemory.dataStart == kypcx::kPcxHeaderSize, "the data follows the header");
    Require(fromMemory.dataStart + fromMemory.dataBytes <= size, "the data lies inside the input");
    if (fromMemory.colors.trailerFound) {
        Require(fromMemory.dataStart + fromMemory.dataBytes == size - kypcx::kPaletteTrailerSize,
                "a trailer is no data");
        Require(std::memcmp(fromMemory.colors.triples, data + size - 768, 768) == 0, "the trailer's colours");
    }
    if (family.rules.limit != kypcx::PcxSizeLimit::None) {
        Require(layout.imageSize <= kypcx::kMaxDecodedImageBytes, "the limit of decoded images kept");
        Require(family.rules.limit != kypcx::PcxSizeLimit::DibBlock || kypcx::FitsDibBlock(layout), "DIB block limit");
    }
    // Rows only of images of a size the decoders would work through quickly.
    if (layout.imageSize > kMaxImageBytes || layout.encodedLineSize > (size_t{1} << 20)) return;

    const kypcx::PcxRowRules& rules = family.rules.rows;
    kypcx::Status leadStatus = kypcx::Status::Ok, otherStatus = kypcx::Status::Ok;
    {
        Rows lead(memory, fromMemory, rules, 0), other(through, fromReads, rules, readAhead);
        const kypcx::Status started = lead.Start();
        Require(started == other.Start(), "the rows start alike either way");
        if (started == kypcx::Status::Ok) {
            RowsSideBySide(fromMemory, rules, data, lead, other, &leadStatus, &otherStatus);
            Require(leadStatus == otherStatus, "the same rows' status either way");
        }
    }

    // The read function failing at one read: a status of where it failed.
    input.failFrom = failAt;
    input.calls = 0;
    kypcx::PcxImagePlan failed;
    const kypcx::Status status = kypcx::PlanPcxImage(through, family.rules, &failed);
    if (status != kypcx::Status::Ok) {
        Require(status == kypcx::Status::HeaderCutShort, "a failed header read is a header cut short");
        return;
    }
    Require(failed.colors.status == fromMemory.colors.status || failed.colors.status == kypcx::Status::TrailerUnreadable,
            "a failed trailer read is an unreadable trailer");
    if (!SamePlan(failed, fromMemory)) return;
    Rows lead(memory, fromMemory, rules, 0), other(through, failed, rules, readAhead);
    if (lead.Start() != kypcx::Status::Ok) return;
    const kypcx::Status started = other.Start();
    if (started == kypcx::Status::Ok) {
        RowsSideBySide(fromMemory, rules, data, lead, other, &leadStatus, &otherStatus);
        Require(otherStatus == leadStatus || otherStatus == kypcx::Status::DataUnreadable,
                "a failed data read is unreadable data");
    }
    // And the rows start again from the first line once the reads succeed.
    input.failFrom = -1;
    if (other.Start() == kypcx::Status::Ok) {
        int32_t first = -1;
        other.reader.ReadRows(1, [&](const kypcx::PcxRow& row) { return first = row.y, true; });
        Require(first <= 0, "rows start from the first line");
    }
}

// The block size for the chunked decode and the reader's read-ahead, from
// the header's filler bytes so that the fuzzer can steer it; 2 to 4097 bytes
// (a read-ahead holds a count byte and its value at least).
size_t ChunkSize(const PcxHeader& header) {
    return 2 + ((size_t(header.filler[0]) | size_t(header.filler[1]) << 8) % 4096);
}

// Encodes a decoded line with the block coder, whole and in pieces of at
// most `room` output bytes, and holds both to the reference's codes and to
// a decode back to the line.
void CheckEncoding(const uint8_t* line, size_t lineSize, size_t room) {
    if (lineSize == 0) return;
    const std::vector<uint8_t> expected = kypcx::reference::EncodeRuns(line, lineSize);
    std::vector<uint8_t> coded(kypcx::MaxEncodedSize(lineSize));
    coded.resize(kypcx::EncodePcxRuns(line, lineSize, coded.data()));
    Require(coded == expected, "block encoder gives the reference's codes");

    std::vector<uint8_t> pieces;
    std::vector<uint8_t> piece(room);
    size_t pos = 0;
    while (pos < lineSize) {
        const size_t before = pos;
        const size_t written = kypcx::EncodePcxRunsBounded(line, lineSize, &pos, piece.data(), room);
        Require(written <= room, "bounded encoder stays inside its room");
        Require(pos > before || room < 2, "bounded encoder moves on while a run fits");
        pieces.insert(pieces.end(), piece.begin(), piece.begin() + written);
        if (pos == before) {
            // As the file writer does when its block has no room for the
            // next run's codes: that one run on its own.
            uint8_t codes[2];
            const uint32_t count = kypcx::PcxRunLengthAt(line, lineSize, pos);
            pieces.insert(pieces.end(), codes, codes + kypcx::PutPcxRun(line[pos], count, codes));
            pos += count;
        }
    }
    Require(pieces == expected, "encoding in pieces gives the same codes");

    std::vector<uint8_t> back(lineSize);
    size_t at = 0;
    size_t decoded = 0;
    kypcx::DecodePcxRuns(coded.data(), coded.size(), &at, back.data(), lineSize, &decoded);
    Require(decoded == lineSize && at == coded.size(),
            "encoded line decodes whole");
    Require(std::memcmp(back.data(), line, lineSize) == 0, "encoded line decodes to itself");
}

void DecodeAllLines(const PcxHeader& header, const kypcx::PcxDecodeLayout& layout, const uint8_t* src, size_t n) {
    const size_t lineSize = layout.encodedLineSize;
    PlaneBuffer whole(lineSize), chunked(lineSize), strict(lineSize);
    std::vector<uint8_t> referenceLine(lineSize), referenceRow(layout.rowSize);
    std::unique_ptr<uint8_t[]> row(new uint8_t[layout.rowSize]);
    // From the header's other filler bytes: the output room of the piecewise
    // encoding, 1 to 256 bytes.
    const size_t encodeRoom = 1 + header.filler[2];
    const size_t fromPlanes = RowBytesFromPlanes(layout);
    Require(fromPlanes <= layout.rowSize, "row holds the planes' pixels");

    const size_t chunk = ChunkSize(header);
    size_t posWhole = 0, posChunked = 0, posStrict = 0;
    size_t chunkEnd = chunk < n ? chunk : n;
    bool strictAgrees = true;

    for (int32_t y = 0; y < layout.height; ++y) {
        const size_t lineStart = posWhole;
        size_t got = 0;
        kypcx::DecodePcxRuns(src, n, &posWhole, whole.data(), lineSize, &got);
        Require(got <= lineSize, "line not overfilled");
        Require(posWhole <= n, "input position inside the data");
        Require(posWhole >= lineStart, "input position moves forward");
        Require(got == lineSize || posWhole + 1 >= n, "a short line only at the end of the data");
        const kypcx::reference::DecodeResult expected =
            kypcx::reference::DecodeRuns(src, n, lineStart, referenceLine.data(), lineSize, 0, false);
        Require(got == expected.produced && posWhole == expected.position, "decoder consumes as the reference");
        Require(std::memcmp(whole.data(), referenceLine.data(), got) == 0, "decoder gives the reference's line");

        size_t produced = 0;
        for (;;) {
            kypcx::DecodePcxRuns(src, chunkEnd, &posChunked, chunked.data(), lineSize, &produced);
            Require(posChunked <= chunkEnd, "input position inside the block");
            if (produced == lineSize || chunkEnd == n) break;
            chunkEnd = n - chunkEnd > chunk ? chunkEnd + chunk : n;
        }
        Require(produced == got && posChunked == posWhole, "block-fed decode consumes the same");
        Require(std::memcmp(chunked.data(), whole.data(), got) == 0, "block-fed decode gives the same line");

        if (strictAgrees) {
            size_t done = 0;
            const size_t strictStart = posStrict;
            strictAgrees = kypcx::DecodePcxRuns(src, n, &posStrict, strict.data(), lineSize, &done,
                                                kypcx::PcxRunPolicy::RefuseCrossing);
            Require(done <= lineSize && posStrict <= n, "strict decode stays inside");
            const kypcx::reference::DecodeResult strictExpected =
                kypcx::reference::DecodeRuns(src, n, strictStart, referenceLine.data(), lineSize, 0, true);
            Require(strictAgrees == strictExpected.ok && done == strictExpected.produced &&
                        posStrict == strictExpected.position,
                    "strict decoder consumes and refuses as the reference");
            Require(std::memcmp(strict.data(), referenceLine.data(), done) == 0,
                    "strict decoder gives the reference's line");
            if (strictAgrees) {
                Require(done == got && posStrict == posWhole, "strict decode consumes the same");
                Require(std::memcmp(strict.data(), whole.data(), got) == 0, "strict decode gives the same line");
            }
        }
        whole.CheckSlack();
        chunked.CheckSlack();
        strict.CheckSlack();

        // The decoders complete a short line with zeros before assembling it.
        std::memset(whole.data() + got, 0, lineSize - got);
        std::memset(row.get(), 0xA5, layout.rowSize);
        kypcx::AssemblePcxRow(layout, whole.data(), row.get());
        for (size_t i = fromPlanes; i < layout.rowSize; ++i) Require(row[i] == 0, "row padding is zero");
        kypcx::reference::AssembleRow(layout, whole.data(), referenceRow.data());
        Require(std::memcmp(row.get(), referenceRow.data(), layout.rowSize) == 0, "row equals the reference's");
        CheckEncoding(whole.data(), lineSize, encodeRoom);

        if (got < lineSize) break;  // the data has run out: the remaining lines would be blank
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Every reader's rules, a header cut short included.
    PcxHeader steering = {};
    if (size >= kypcx::kPcxHeaderSize) kypcx::LoadPcxHeader(data, &steering);
    const int failAt = steering.filler[3] % 6;
    for (const Family& family : Families()) CheckReader(family, data, size, ChunkSize(steering), failAt);
    g_rules = "the coders";

    if (size < kypcx::kPcxHeaderSize) return 0;
    PcxHeader header;
    kypcx::LoadPcxHeader(data, &header);

    // The file decoders check the encoding byte; the colour-space decoder
    // does not.
    const kypcx::Status strictCheck = kypcx::CheckPcxHeader(header, true);
    if (kypcx::CheckPcxHeader(header, false) != kypcx::Status::Ok)
        Require(strictCheck != kypcx::Status::Ok, "the encoding check only adds refusals");
    uint8_t twoColors[6];
    kypcx::BuildTwoColorPalette(header, twoColors);

    // The layout readers take every layout, stored lines and colour-space
    // codes; whatever the classic rules take, they take with the same plan.
    kypcx::PcxHeaderRules every;
    every.storedLines = true;
    every.colorSpaceCodes = true;
    every.layouts = kypcx::PcxLayoutSet::Every;
    const bool classicTakes = strictCheck == kypcx::Status::Ok;
    if (kypcx::CheckPcxHeader(header, every) != kypcx::Status::Ok) {
        Require(!classicTakes, "the layout readers take what the classic readers take");
        return 0;
    }
    kypcx::PcxDecodeLayout layout;
    if (kypcx::PlanPcxDecode(header, every, &layout) != kypcx::Status::Ok) return 0;
    kypcx::PcxDecodeLayout classicLayout;
    if (classicTakes && kypcx::PlanPcxDecode(header, &classicLayout) == kypcx::Status::Ok) {
        Require(classicLayout.bitCount == layout.bitCount && classicLayout.rowSize == layout.rowSize &&
                    classicLayout.colors == layout.colors && classicLayout.planeBytesUsed == layout.planeBytesUsed &&
                    classicLayout.pixels == layout.pixels,
                "a classic layout is planned alike by both rules");
    }
    Require(layout.width >= 1 && layout.height >= 1, "planned size positive");
    Require(layout.planeBytesUsed <= layout.bytesPerLine, "visible bytes inside a plane");
    Require(uint64_t(layout.planes) * layout.bytesPerLine == layout.encodedLineSize, "scan line size");
    Require(layout.imageSize == uint64_t(layout.rowSize) * uint64_t(layout.height), "image size");
    Require(layout.rowSize % 4 == 0, "DIB rows are whole 32-bit words");

    const uint8_t* src = data + kypcx::kPcxHeaderSize;
    const size_t n = size - kypcx::kPcxHeaderSize;
    if (!kypcx::IsPlausibleImageSize(layout, n) || layout.imageSize > kMaxImageBytes) return 0;
    (void)kypcx::PcxLineReserve(layout);

    if (layout.coding == kypcx::PcxLineCoding::RunLength) DecodeAllLines(header, layout, src, n);
    return 0;
}
