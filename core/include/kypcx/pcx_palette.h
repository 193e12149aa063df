// The colours a PCX header gives an image, for every layout: the two-colour
// rule of 1-bit images, the header's entries for 4, 8 and 16 colours, the
// CGA palette of 4-colour pictures made on CGA hardware, and the built-in
// palette the 24-bit layouts are shown with. The 256-colour trailer of 8-bit
// images is read by the one reader (pcx_reader.h, ReadPcxColors); where it
// lies is the trailer rule of pcx_format.h.
// Portable: no Windows headers.
//
// The CGA rule. A 4-colour image (1 plane x 2 bits) made with PC Paintbrush
// on a CGA card may hold CGA palette bytes in its header instead of colours:
// the background colour's number (0..15 of the CGA's 16 colours) in the
// upper nibble of byte 16, repeated in bytes 17 and 18, and the foreground
// palette in byte 19: bit 6 set chooses cyan, magenta and white, clear
// chooses green, red and yellow; bit 4 clear gives their bright forms (light
// cyan, light magenta, white; light green, light red, yellow), set their dim
// ones (cyan, magenta, light grey; green, red, brown). It leaves entries 2
// and 3 empty. A header is read that way when it looks so: its first entry a
// grey (its three bytes equal) other than white, its third and fourth
// entries all zero. Any other header gives its four entries as colours (PC
// Paintbrush itself writes four colours there for the usual black-background
// cyan, magenta and white picture, and other writers write the picture's
// colours, which fill the third entry, or, for a picture of two colours,
// begin with one that is no grey or white). Callers may choose either
// reading instead of the rule.
#pragma once

#include <cstdint>

#include "KyPcxTypes.h"
#include "kypcx/pcx_decode.h"

namespace kypcx {

constexpr uint32_t kCgaColors = 16;

// How a 4-colour image's header palette is read.
enum class PcxCgaReading : uint8_t {
    ByRule,  // as the rule above decides
    Always,  // always as CGA palette bytes
    Never,   // always as four colours
};

// Whether the rule reads this header as CGA palette bytes (only ever for
// 1 plane x 2 bits).
bool HoldsCgaPaletteBytes(const PcxHeader& header);

// Whether a 4-colour header is read as CGA palette bytes by `cga`.
bool ReadsCgaPalette(const PcxHeader& header, PcxCgaReading cga);

// The four colours of a CGA header, as red, green, blue triples (12 bytes).
void BuildCgaPalette(const PcxHeader& header, uint8_t* triples);

// The colours the header gives an image of its planes and bits per pixel,
// as red, green, blue triples (room for 256): 2 for 1-bit images (the
// two-colour rule), the first 4, 8 or 16 header entries (or the CGA
// palette), the built-in 256 for the 24-bit layouts. Returns how many were
// written; 0 for the 8-bit layout, whose colours come from its trailer, for
// 32-bit images, which have none, and for layouts outside `layouts`. The
// classic set also gives 4 header entries for 2 planes of 4 bits, as it
// always has for a header a caller hands over.
uint32_t BuildHeaderColors(const PcxHeader& header, PcxLayoutSet layouts, PcxCgaReading cga, uint8_t* triples);

}  // namespace kypcx
