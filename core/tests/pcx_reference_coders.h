// Plain reference coders, a byte at a time, that the core's block-wise
// decoders, row assembly and encoders are checked against by the tests and
// the fuzz target. Written for clarity, straight from the format's rules.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "kypcx/pcx_decode.h"
#include "kypcx/pcx_format.h"

namespace kypcx {
namespace reference {

// What DecodePcxRuns reports for one call, under either policy.
struct DecodeResult {
    size_t produced = 0;
    size_t position = 0;
    bool ok = true;  // false: a run crossed the line's end (strict only)
};

// Decodes from src[pos, srcSize) into line[produced, lineSize): a byte below
// 0xC0 is itself; a count byte repeats the next byte (count & 0x3F) times,
// cut at the line's end (or, when strict, refused there); a count byte with
// no value byte after it is left unread.
inline DecodeResult DecodeRuns(const uint8_t* src, size_t srcSize, size_t pos, uint8_t* line, size_t lineSize,
                               size_t produced, bool strict) {
    DecodeResult r;
    while (produced < lineSize && pos < srcSize) {
        const uint8_t b = src[pos];
        if ((b & 0xC0) != 0xC0) {
            line[produced++] = b;
            ++pos;
            continue;
        }
        if (pos + 1 >= srcSize) break;
        size_t count = b & 0x3F;
        if (count > lineSize - produced) {
            if (strict) {
                r.ok = false;
                break;
            }
            count = lineSize - produced;
        }
        for (size_t i = 0; i < count; ++i) line[produced++] = src[pos + 1];
        pos += 2;
    }
    r.produced = produced;
    r.position = pos;
    return r;
}

// One DIB row from the planes of one decoded scan line, pixel by pixel,
// straight from the layout's planes and bits per pixel.
inline void AssembleRow(const PcxDecodeLayout& layout, const uint8_t* planes, uint8_t* row) {
    for (size_t i = 0; i < layout.rowSize; ++i) row[i] = 0;
    const size_t width = static_cast<uint32_t>(layout.width);
    const size_t bpl = layout.bytesPerLine;
    const uint32_t p = layout.planes;
    const uint32_t bits = layout.bitsPerPixel;
    if (p == 1 && bits == 2) {
        // Whole plane bytes: 4 pixels each, also past the width in the last one.
        for (size_t x = 0; x < 4 * size_t(layout.planeBytesUsed); ++x) {
            const unsigned pixel = (planes[x / 4] >> (6 - 2 * (x % 4))) & 3u;
            row[x / 2] |= static_cast<uint8_t>(x % 2 == 0 ? pixel << 4 : pixel);
        }
    } else if (p == 1) {
        // 1, 4 and 8 bits, and blue-green-red pixels: already a DIB row.
        for (size_t i = 0; i < layout.planeBytesUsed; ++i) row[i] = planes[i];
    } else if (bits == 8) {
        for (size_t x = 0; x < width; ++x) {
            const size_t bytes = p == 4 ? 4 : 3;
            row[bytes * x] = planes[2 * bpl + x];
            row[bytes * x + 1] = planes[bpl + x];
            row[bytes * x + 2] = planes[x];
            if (p == 4) row[bytes * x + 3] = planes[3 * bpl + x];
        }
    } else {
        // Whole plane bytes: 8 pixels each, also past the width in the last one.
        for (size_t x = 0; x < 8 * size_t(layout.planeBytesUsed); ++x) {
            unsigned pixel = 0;
            for (unsigned k = 0; k < p; ++k) pixel |= ((planes[k * bpl + x / 8] >> (7 - x % 8)) & 1u) << k;
            row[x / 2] |= static_cast<uint8_t>(x % 2 == 0 ? pixel << 4 : pixel);
        }
    }
}

// The codes of one stretch: runs of equal bytes, at most 63 long, each a
// lone byte when it is one byte below 0xC0, else a count byte and the value.
inline std::vector<uint8_t> EncodeRuns(const uint8_t* bytes, size_t length) {
    std::vector<uint8_t> out;
    size_t i = 0;
    while (i < length) {
        size_t count = 1;
        while (count < 63 && i + count < length && bytes[i + count] == bytes[i]) ++count;
        if (count == 1 && bytes[i] < 0xC0) {
            out.push_back(bytes[i]);
        } else {
            out.push_back(static_cast<uint8_t>(0xC0 | count));
            out.push_back(bytes[i]);
        }
        i += count;
    }
    return out;
}

}  // namespace reference
}  // namespace kypcx
