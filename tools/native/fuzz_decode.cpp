// fuzz_decode: the fuzz target for the portable core's decode path. The first
// 128 bytes are a PCX header; if the core accepts it and plans a layout of a
// plausible size, every scan line is decoded from the rest into a plane
// buffer of exactly encodedLineSize + kPlaneSlack bytes and assembled into a
// row buffer of exactly rowSize bytes, as the DLL's decoders do. Built with
// libFuzzer (KYPCX_FUZZ) or, with fuzz_replay_main.cpp, as a runner that
// replays files. Any sanitizer report or failed check here is a core bug.
//
// Every layout the layout readers take is decoded (the classic four too, to
// the same plan as the classic rules give them), run-length coded or stored.
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
//  - the scan-line loop gives the same lines and stops where the data ends
//    whether its feed holds all the data or brings it in small blocks, as a
//    file's read-ahead does, for run-length coded and for stored lines.
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
#include "kypcx/pcx_rle_encode.h"
#include "kypcx/pcx_scan_lines.h"
#include "pcx_reference_coders.h"

namespace {

// Images whose DIB would be larger than this are skipped, as a decoder
// would refuse them; it keeps each input's work small.
constexpr uint64_t kMaxImageBytes = uint64_t{1} << 26;
constexpr uint8_t kCanary = 0x5A;

void Require(bool condition, const char* what) {
    if (condition) return;
    std::fprintf(stderr, "fuzz_decode: check failed: %s\n", what);
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

// A feed that brings the data in blocks of at most `chunk` bytes, moving the
// unread bytes to the front, as a file's read-ahead does.
class ChunkedFeed final : public kypcx::PcxByteFeed {
public:
    ChunkedFeed(const uint8_t* src, size_t n, size_t chunk) : src_(src), n_(n), buffer_(chunk + 2) {
        data = buffer_.data();
    }
    bool Refill() override {
        const size_t remaining = size - position;
        std::memmove(buffer_.data(), buffer_.data() + position, remaining);
        position = 0;
        size_t take = n_ - taken_;
        if (take > buffer_.size() - remaining) take = buffer_.size() - remaining;
        std::memcpy(buffer_.data() + remaining, src_ + taken_, take);
        taken_ += take;
        size = remaining + take;
        exhausted = taken_ == n_;
        return true;
    }

private:
    const uint8_t* src_;
    size_t n_;
    size_t taken_ = 0;
    std::vector<uint8_t> buffer_;
};

// Every line through the scan-line loop from a whole span and from a
// chunked feed: the same statuses and lines, stored lines equal to the
// data, and a stop where the data ends.
void CheckScanLines(const kypcx::PcxDecodeLayout& layout, const uint8_t* src, size_t n, size_t chunk) {
    const size_t lineSize = layout.encodedLineSize;
    kypcx::PcxMemoryFeed whole(src, n);
    ChunkedFeed chunked(src, n, chunk);
    PlaneBuffer a(lineSize), b(lineSize);
    kypcx::PcxScanLineRules rules;
    rules.coding = layout.coding;
    size_t consumed = 0;
    for (int32_t y = 0; y < layout.height; ++y) {
        const kypcx::PcxLineStatus sa = kypcx::DecodePcxScanLine(whole, rules, a.data(), lineSize);
        const kypcx::PcxLineStatus sb = kypcx::DecodePcxScanLine(chunked, rules, b.data(), lineSize);
        Require(sa == sb, "a chunked feed gives the same line status");
        a.CheckSlack();
        b.CheckSlack();
        if (sa == kypcx::PcxLineStatus::Empty) break;
        Require(sa == kypcx::PcxLineStatus::Complete || sa == kypcx::PcxLineStatus::Truncated, "no read error");
        Require(std::memcmp(a.data(), b.data(), lineSize) == 0, "a chunked feed gives the same line");
        if (layout.coding == kypcx::PcxLineCoding::Stored) {
            const size_t have = n - consumed < lineSize ? n - consumed : lineSize;
            Require(std::memcmp(a.data(), src + consumed, have) == 0, "a stored line is the data");
            for (size_t i = have; i < lineSize; ++i) Require(a.data()[i] == 0, "a cut stored line ends in zeros");
            consumed += have;
        }
        if (sa == kypcx::PcxLineStatus::Truncated) break;
    }
}

// The block size for the chunked decode, from the header's filler bytes so
// that the fuzzer can steer it; 1 to 4096 bytes.
size_t ChunkSize(const PcxHeader& header) {
    return 1 + ((size_t(header.filler[0]) | size_t(header.filler[1]) << 8) % 4096);
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
    if (size < kypcx::kPcxHeaderSize) return 0;
    PcxHeader header;
    kypcx::LoadPcxHeader(data, &header);

    // The file decoders check the encoding byte; the colour-space decoder
    // does not.
    const PcxErrorCode strictCheck = kypcx::CheckPcxHeader(header, true);
    if (kypcx::CheckPcxHeader(header, false) != PCX_OK) Require(strictCheck != PCX_OK, "the encoding check only adds refusals");
    uint8_t twoColors[6];
    kypcx::BuildTwoColorPalette(header, twoColors);

    // The layout readers take every layout, stored lines and colour-space
    // codes; whatever the classic rules take, they take with the same plan.
    kypcx::PcxHeaderRules every;
    every.storedLines = true;
    every.colorSpaceCodes = true;
    every.layouts = kypcx::PcxLayoutSet::Every;
    const bool classicTakes = strictCheck == PCX_OK;
    if (kypcx::CheckPcxHeader(header, every) != PCX_OK) {
        Require(!classicTakes, "the layout readers take what the classic readers take");
        return 0;
    }
    kypcx::PcxDecodeLayout layout;
    if (kypcx::PlanPcxDecode(header, every, &layout) != PCX_OK) return 0;
    kypcx::PcxDecodeLayout classicLayout;
    if (classicTakes && kypcx::PlanPcxDecode(header, &classicLayout) == PCX_OK) {
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
    CheckScanLines(layout, src, n, ChunkSize(header));
    return 0;
}
