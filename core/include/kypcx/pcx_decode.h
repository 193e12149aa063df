// Decoding PCX scan lines, portably: the checks that make a header safe to
// decode and the layout they give; with it come the run-length decoder
// (pcx_rle_decode.h) and the conversion of one scan line's planes into a DIB
// row (pcx_row_assemble.h). The one reader (pcx_reader.h) drives them for
// every reader of the library; the fuzz target and the benchmark also call
// them directly.
#pragma once

#include <cstddef>
#include <cstdint>

#include "KyPcxTypes.h"
#include "kypcx/pcx_format.h"
#include "kypcx/pcx_rle_decode.h"
#include "kypcx/pcx_row_assemble.h"

namespace kypcx {

// Room the callers keep after a plane buffer, as a margin only: the decoders
// write nothing at or after the line's end (a run that reaches past it is
// cut there, and their block-wise stores are made only where a whole block
// and the longest run still fit inside the line). The fuzz target checks
// that this room stays untouched.
constexpr size_t kPlaneSlack = kMaxRunLength;

// The most bytes one plane of a decodable line holds: the header's bytes per
// line, a signed 16-bit field.
constexpr uint32_t kMaxPlaneBytes = 32767;

// The largest decoded image any reader will allocate or hand out, whatever
// holds it: a DIB block, a band, or a codec's rows.
constexpr uint64_t kMaxDecodedImageBytes = 0x7FFF0000;

// The most bytes a decode will allocate for a DIB when the file's data
// could not possibly fill it: a header may claim 32767 x 32767 in a file of
// a few hundred bytes. Complete files are always within the limit (every two
// coded bytes give at most 63 decoded ones); truncated files are accepted
// while they could fill at least a sixteenth of the image.
constexpr uint64_t kAlwaysAllowedImageBytes = uint64_t{1} << 24;
constexpr uint64_t kTruncationAllowance = 16;

// How the pixels of one row lie in a decoded scan line, and so which DIB
// they become.
enum class PcxPixels : uint8_t {
    Mono,        // 1 plane x 1 bit: 1-bit DIB, 2 colours
    Packed2,     // 1 plane x 2 bits: 4-bit DIB, 4 colours
    Packed4,     // 1 plane x 4 bits: 4-bit DIB, 16 colours
    Planar,      // 2, 3 or 4 planes x 1 bit: 4-bit DIB, 4, 8 or 16 colours
    Indexed8,    // 1 plane x 8 bits: 8-bit DIB, 256 colours from the trailer
    PlanarRgb,   // 3 planes x 8 bits, red, green, blue: 24-bit DIB
    PackedBgr,   // 1 plane x 24 bits, each pixel blue, green, red: 24-bit DIB
    PackedBgrx,  // 1 plane x 32 bits, each pixel blue, green, red, unused: 24-bit DIB
    PlanarRgba,  // 4 planes x 8 bits, red, green, blue, alpha: 32-bit DIB with alpha
    PaintOnly,   // the painter's any-plane layouts: no DIB
};

// How scan lines are stored.
enum class PcxLineCoding : uint8_t { RunLength, Stored };

// The shape of a decodable image, from a header that passed CheckPcxHeader.
struct PcxDecodeLayout {
    int32_t width = 0;
    int32_t height = 0;
    int32_t bitCount = 0;          // the DIB's: 1, 4, 8, 24 or 32
    uint32_t planes = 0;
    uint32_t bitsPerPixel = 0;
    uint32_t bytesPerLine = 0;     // per plane, as stored
    uint32_t encodedLineSize = 0;  // planes x bytes per line
    uint32_t planeBytesUsed = 0;   // bytes of each plane that hold visible pixels
    uint32_t rowSize = 0;          // bytes in one DIB row
    uint64_t imageSize = 0;        // rowSize x height
    uint32_t colors = 0;           // entries of the DIB's colour table (0: none)
    PcxPixels pixels = PcxPixels::Mono;
    PcxLineCoding coding = PcxLineCoding::RunLength;
};

// Fills `layout` for a header that passed CheckPcxHeader with `rules`.
// Returns Ok, or UndecodableLayout for a size the header cannot mean: a width or height below 1, or bytes per line that are negative or
// fewer than the width needs. The classic layouts come out as they always
// have (a 4-bit DIB of 16 colours for 4 planes x 1 bit); lines are stored
// only where the rules accept encoding 0 and the byte is 0.
Status PlanPcxDecode(const PcxHeader& header, const PcxHeaderRules& rules, PcxDecodeLayout* layout);
inline Status PlanPcxDecode(const PcxHeader& header, PcxDecodeLayout* layout) {
    return PlanPcxDecode(header, PcxHeaderRules(), layout);
}

// True when a DIB of the layout may be allocated for `dataBytes` bytes of
// coded data (see kAlwaysAllowedImageBytes).
bool IsPlausibleImageSize(const PcxDecodeLayout& layout, uint64_t dataBytes);

// Bytes of coded data the decoders keep ready for one scan line: twice the
// planes' share of a DIB row, the longest line a writer produces.
uint64_t PcxLineReserve(const PcxDecodeLayout& layout);

}  // namespace kypcx
