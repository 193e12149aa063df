// What the writer's tests and its fuzz target hold it to: a sink that keeps
// every write (and can be told to fail one), scan lines made pixel by pixel
// straight from a row layout's rules, and the lines of a written image read
// back with the core's scan-line decoder.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "kypcx/pcx_encode_planes.h"
#include "kypcx/pcx_format.h"
#include "kypcx/pcx_rle_decode.h"
#include "kypcx/pcx_writer.h"

namespace kypcx {
namespace reference {

// Keeps the bytes of every write it takes, and the size of each write it is
// offered. Write number `failAt` (1-based; 0 for none) fails: with nothing
// written, or with its first half written when `shortWrite`.
class MemorySink {
public:
    std::vector<uint8_t> bytes;
    std::vector<size_t> writes;
    size_t failAt = 0;
    bool shortWrite = false;

    PcxSink sink() {
        PcxSink s;
        s.write = Write;
        s.context = this;
        return s;
    }

private:
    static bool Write(void* context, const uint8_t* data, size_t length) {
        auto* self = static_cast<MemorySink*>(context);
        self->writes.push_back(length);
        if (self->writes.size() == self->failAt) {
            if (self->shortWrite) self->bytes.insert(self->bytes.end(), data, data + length / 2);
            return false;
        }
        self->bytes.insert(self->bytes.end(), data, data + length);
        return true;
    }
};

// A channel of a 16- or 32-bit pixel widened to 8 bits: its top 8 bits, or
// its bits repeated from the top until 8 are filled.
inline uint8_t ChannelByte(uint32_t pixel, uint32_t mask) {
    if (mask == 0) return 0;
    unsigned shift = 0;
    while (((mask >> shift) & 1) == 0) ++shift;
    unsigned bits = 0;
    while (shift + bits < 32 && ((mask >> (shift + bits)) & 1) != 0) ++bits;
    const uint32_t value = (pixel & mask) >> shift;
    uint8_t out = 0;
    for (unsigned i = 0; i < 8; ++i) {
        const unsigned from = bits - 1 - (i % bits);
        out = static_cast<uint8_t>(out | (((value >> from) & 1) << (7 - i)));
    }
    return out;
}

// The scan line of one row, pixel by pixel, reading no byte at or beyond
// layout.rowBytes (those count as zero).
inline std::vector<uint8_t> ScanLineOf(const PcxRowLayout& layout, const uint8_t* row) {
    const size_t bpl = layout.bytesPerLine;
    std::vector<uint8_t> line(layout.lineSize(), 0);
    auto at = [&](uint64_t i) -> uint8_t { return i < layout.rowBytes ? row[i] : 0; };
    const size_t width = static_cast<size_t>(layout.width);
    switch (layout.kind) {
    case PcxRowKind::Copied:
        for (size_t i = 0; i < line.size(); ++i) line[i] = at(i);
        break;
    case PcxRowKind::Nibbles:
        // Whole groups of 8 pixels, the last one's padding pixels as stored.
        for (size_t x = 0; x < (width + 7) / 8 * 8; ++x) {
            const unsigned index = (at(x / 2) >> (x % 2 == 0 ? 4 : 0)) & 0xFu;
            for (unsigned k = 0; k < 4; ++k)
                line[k * bpl + x / 8] |= static_cast<uint8_t>(((index >> k) & 1u) << (7 - x % 8));
        }
        break;
    case PcxRowKind::Bgr24:
    case PcxRowKind::Bgra32: {
        // Planes red, green, blue (and alpha) from pixels blue, green, red (, alpha).
        const size_t size = layout.kind == PcxRowKind::Bgr24 ? 3 : 4;
        const size_t fromByte[4] = {2, 1, 0, 3};
        for (size_t x = 0; x < width; ++x)
            for (size_t plane = 0; plane < size; ++plane) line[plane * bpl + x] = at(size * x + fromByte[plane]);
        break;
    }
    case PcxRowKind::Indices:
        // A colour number a byte: packed into one plane from the top bits,
        // or bit k of it in plane k.
        for (size_t x = 0; x < width; ++x) {
            const unsigned index = at(x);
            if (layout.planes == 1) {
                const unsigned bits = layout.bitsPerPixel;
                for (unsigned b = 0; b < bits; ++b) {
                    const size_t bit = x * bits + b;  // from the left, the index's top bit first
                    line[bit / 8] |= static_cast<uint8_t>(((index >> (bits - 1 - b)) & 1u) << (7 - bit % 8));
                }
            } else {
                for (unsigned k = 0; k < layout.planes; ++k)
                    line[k * bpl + x / 8] |= static_cast<uint8_t>(((index >> k) & 1u) << (7 - x % 8));
            }
        }
        break;
    case PcxRowKind::Masked16:
    case PcxRowKind::Masked32: {
        const size_t size = layout.kind == PcxRowKind::Masked16 ? 2 : 4;
        for (size_t x = 0; x < width; ++x) {
            uint32_t pixel = 0;
            for (size_t b = 0; b < size; ++b) pixel |= uint32_t{at(size * x + b)} << (8 * b);
            for (unsigned c = 0; c < 3; ++c) line[c * bpl + x] = ChannelByte(pixel, layout.masks[c]);
        }
        break;
    }
    }
    return line;
}

// The lines of a written image read back: `lineCount` scan lines of
// `lineSize` bytes decoded from data[128, size) with the core's run-length
// decoder. False when a line is not all there; *end is where the coded
// lines end (the trailer, if any, begins there).
inline bool ReadBackLines(const uint8_t* data, size_t size, size_t lineSize, uint32_t lineCount,
                          std::vector<uint8_t>* lines, size_t* end) {
    if (size < kPcxHeaderSize) return false;
    const uint8_t* coded = data + kPcxHeaderSize;
    const size_t codedSize = size - kPcxHeaderSize;
    size_t position = 0;
    std::vector<uint8_t> line(lineSize + 64);  // the decoder may store whole blocks past a line's end
    lines->assign(size_t{lineCount} * lineSize, 0);
    for (uint32_t y = 0; y < lineCount; ++y) {
        size_t produced = 0;
        DecodePcxRuns(coded, codedSize, &position, line.data(), lineSize, &produced);
        if (produced != lineSize) return false;
        std::copy(line.begin(), line.begin() + static_cast<std::ptrdiff_t>(lineSize),
                  lines->begin() + static_cast<std::ptrdiff_t>(size_t{y} * lineSize));
    }
    *end = kPcxHeaderSize + position;
    return true;
}

}  // namespace reference
}  // namespace kypcx
