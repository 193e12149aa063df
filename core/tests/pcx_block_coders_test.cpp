// The block-wise run-length coders and row assembly against the plain
// reference coders, on seeded lines that mix literal stretches, short and
// long runs, and values that need a count byte, at every cut.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "kypcx/pcx_decode.h"
#include "kypcx/pcx_rle_encode.h"
#include "pcx_reference_coders.h"

namespace {

using Bytes = std::vector<uint8_t>;

class Random {
public:
    explicit Random(uint32_t seed) : state_(seed) {}
    uint32_t Next(uint32_t bound) {
        state_ = state_ * 1664525u + 1013904223u;
        return (state_ >> 8) % bound;
    }

private:
    uint32_t state_;
};

// A line of `length` bytes in stretches: literals (a quarter of them 0xC0
// or above), or runs of 2 to 200 equal bytes.
Bytes MixedLine(Random& random, size_t length) {
    Bytes line;
    while (line.size() < length) {
        const size_t stretch = 1 + random.Next(random.Next(2) == 0 ? 40 : 200);
        if (random.Next(3) == 0) {
            line.insert(line.end(), stretch, static_cast<uint8_t>(random.Next(256)));
        } else {
            for (size_t i = 0; i < stretch; ++i) line.push_back(static_cast<uint8_t>(random.Next(256)));
        }
    }
    line.resize(length);
    return line;
}

Bytes Encode(const Bytes& line) {
    Bytes coded(kypcx::MaxEncodedSize(line.size()));
    coded.resize(kypcx::EncodePcxRuns(line.data(), line.size(), coded.data()));
    return coded;
}

TEST(BlockEncoder, GivesTheReferenceCodesWholeAndInPieces) {
    Random random(7);
    for (size_t length = 1; length <= 400; ++length) {
        const Bytes line = MixedLine(random, length);
        const Bytes expected = kypcx::reference::EncodeRuns(line.data(), line.size());
        ASSERT_EQ(expected, Encode(line)) << "length " << length;

        const size_t room = 2 + random.Next(40);
        Bytes pieces, piece(room);
        size_t pos = 0;
        while (pos < line.size()) {
            const size_t before = pos;
            const size_t written = kypcx::EncodePcxRunsBounded(line.data(), line.size(), &pos, piece.data(), room);
            ASSERT_LE(written, room);
            ASSERT_GT(pos, before) << "a run always fits in 2 bytes of room";
            pieces.insert(pieces.end(), piece.begin(), piece.begin() + written);
        }
        EXPECT_EQ(expected, pieces) << "length " << length << " room " << room;
    }
}

TEST(BlockEncoder, RunLengthsStopAtSixtyThreeAndAtTheEnd) {
    const Bytes line(200, 0x41);
    EXPECT_EQ(63u, kypcx::PcxRunLengthAt(line.data(), line.size(), 0));
    EXPECT_EQ(63u, kypcx::PcxRunLengthAt(line.data(), line.size(), 63));
    EXPECT_EQ(11u, kypcx::PcxRunLengthAt(line.data(), line.size(), 189));
    Bytes broken = line;
    broken[40] = 0x42;
    EXPECT_EQ(40u, kypcx::PcxRunLengthAt(broken.data(), broken.size(), 0));
    EXPECT_EQ(1u, kypcx::PcxRunLengthAt(broken.data(), broken.size(), 40));
}

// Decodes `coded` (cut to `available` bytes) into lines of `lineSize`, in
// both modes, and compares every call with the reference.
void ExpectDecodersMatchReference(const Bytes& coded, size_t available, size_t lineSize, const char* what) {
    for (bool strict : {false, true}) {
        size_t pos = 0, refPos = 0;
        for (int line = 0; line < 64 && pos < available; ++line) {
            Bytes fast(lineSize + kypcx::kPlaneSlack, 0xEE), ref(lineSize, 0xEE);
            size_t produced = 0;
            bool ok = true;
            ok = kypcx::DecodePcxRuns(coded.data(), available, &pos, fast.data(), lineSize, &produced,
                                      strict ? kypcx::PcxRunPolicy::RefuseCrossing : kypcx::PcxRunPolicy::CutAtLineEnd);
            const kypcx::reference::DecodeResult expected =
                kypcx::reference::DecodeRuns(coded.data(), available, refPos, ref.data(), lineSize, 0, strict);
            ASSERT_EQ(expected.produced, produced) << what << " line " << line << " strict " << strict;
            ASSERT_EQ(expected.position, pos) << what << " line " << line << " strict " << strict;
            ASSERT_EQ(expected.ok, ok) << what << " line " << line;
            ASSERT_EQ(0, std::memcmp(fast.data(), ref.data(), produced)) << what << " line " << line;
            for (size_t i = lineSize; i < fast.size(); ++i) ASSERT_EQ(0xEE, fast[i]) << "slack untouched";
            refPos = expected.position;
            if (!ok || produced < lineSize) break;
        }
    }
}

TEST(BlockDecoders, MatchTheReferenceOnWholeCutAndMisfitData) {
    Random random(11);
    for (int round = 0; round < 40; ++round) {
        const size_t lineSize = 1 + random.Next(300);
        Bytes coded;
        for (int line = 0; line < 4; ++line) {
            const Bytes l = MixedLine(random, lineSize);
            const Bytes c = Encode(l);
            coded.insert(coded.end(), c.begin(), c.end());
        }
        ExpectDecodersMatchReference(coded, coded.size(), lineSize, "whole");
        // Lines of another length: runs cross the line ends.
        ExpectDecodersMatchReference(coded, coded.size(), 1 + random.Next(300), "other line size");
        // Cut anywhere, also between a count byte and its value.
        for (int cut = 0; cut < 20; ++cut)
            ExpectDecodersMatchReference(coded, random.Next(static_cast<uint32_t>(coded.size())), lineSize, "cut");
        // Hostile: random bytes, so count bytes of 0 and runs everywhere.
        Bytes noise(coded.size());
        for (uint8_t& b : noise) b = static_cast<uint8_t>(random.Next(256));
        ExpectDecodersMatchReference(noise, noise.size(), lineSize, "noise");
    }
}

// One count byte at every place of the first input blocks, with a value byte
// that may itself look like a count byte (only the mask of count bytes tells
// them apart), followed at once by another code and then literals; decoded
// into lines that end before, at and after the run, with the data cut at
// every byte.
TEST(BlockDecoders, MatchTheReferenceWithACodeAtEveryPlaceOfABlock) {
    for (size_t prefix = 0; prefix <= 34; ++prefix) {
        for (uint8_t count : {0, 1, 2, 16, 17, 63}) {
            for (uint8_t value : {0x55, 0xC3}) {
                Bytes coded;
                for (size_t i = 0; i < prefix; ++i) coded.push_back(static_cast<uint8_t>(0x10 + i));
                coded.push_back(static_cast<uint8_t>(0xC0 | count));
                coded.push_back(value);
                coded.push_back(0xC1);
                coded.push_back(0xC1);
                for (size_t i = 0; i < 40; ++i) coded.push_back(static_cast<uint8_t>(0x80 + i));
                const size_t atRunEnd = prefix + count;
                const size_t justBefore = atRunEnd > 1 ? atRunEnd - 1 : 1;
                for (size_t lineSize : {justBefore, std::max<size_t>(atRunEnd, 1), atRunEnd + 1, size_t{79}, size_t{80},
                                        size_t{200}}) {
                    for (size_t available = 0; available <= coded.size(); ++available)
                        ExpectDecodersMatchReference(coded, available, lineSize, "code at a block place");
                }
            }
        }
    }
}

TEST(BlockDecoders, ResumeMidLineAsTheReferenceDoes) {
    Random random(3);
    const Bytes line = MixedLine(random, 500);
    const Bytes coded = Encode(line);
    for (size_t split = 0; split < coded.size(); split += 7) {
        Bytes out(line.size() + kypcx::kPlaneSlack);
        size_t pos = 0;
        size_t produced = 0;
        kypcx::DecodePcxRuns(coded.data(), split, &pos, out.data(), line.size(), &produced);
        kypcx::DecodePcxRuns(coded.data(), coded.size(), &pos, out.data(), line.size(), &produced);
        ASSERT_EQ(line.size(), produced) << "split " << split;
        ASSERT_EQ(coded.size(), pos);
        ASSERT_EQ(0, std::memcmp(out.data(), line.data(), line.size())) << "split " << split;
    }
}

TEST(BlockRowAssembly, MatchesTheReferenceForEveryLayoutAndWidth) {
    Random random(5);
    struct Shape {
        uint8_t planes, bits;
    };
    for (const Shape shape : {Shape{1, 1}, Shape{1, 8}, Shape{3, 8}, Shape{4, 1}}) {
        // Up to a few 16-byte blocks of every plane, each block's end met.
        for (int16_t width = 1; width <= 420; ++width) {
            PcxHeader h;
            std::memset(&h, 0, sizeof h);
            h.version = 5;
            h.encoding = 1;
            h.planes = shape.planes;
            h.bitsPerPixel = shape.bits;
            h.xMax = static_cast<int16_t>(width - 1);
            h.bytesPerLine = static_cast<int16_t>((width * shape.bits + 7) / 8 + random.Next(3));
            kypcx::PcxDecodeLayout layout;
            ASSERT_EQ(kypcx::Status::Ok, kypcx::PlanPcxDecode(h, &layout));
            Bytes planes(layout.encodedLineSize);
            for (uint8_t& b : planes) b = static_cast<uint8_t>(random.Next(256));
            Bytes row(layout.rowSize, 0xEE), expected(layout.rowSize);
            kypcx::AssemblePcxRow(layout, planes.data(), row.data());
            kypcx::reference::AssembleRow(layout, planes.data(), expected.data());
            ASSERT_EQ(expected, row) << int(shape.planes) << "x" << int(shape.bits) << " width " << width;
        }
    }
}

}  // namespace
