// The colours of a PCX image as the decoders read them: raw triples by the
// format's palette rules, or a GDI logical palette. The file decoders and the
// memory decoder follow the same rules but for two points, stated below.
#pragma once

#include <windows.h>

#include "KyPcxTypes.h"
#include "kypcx/pcx_format.h"

// The version every LOGPALETTE the library builds carries.
constexpr WORD kLogPaletteVersion = 0x300;

// Fills `triples` (room for 256 entries) with the image's colours and returns
// how many it filled (2, 4, 8, 16 or 256), or 0 with code 3 for a layout that
// has no palette. Sets the code to 1 first; code 10 when a 256-colour
// trailer cannot be read (the default palette is used then). The image
// occupies [start, end): its header at start, its last byte at end - 1; the
// trailer is looked for only where the core's trailer rule allows, inside
// that extent and behind the header (an image too short for that has an
// unreadable trailer). `trailerFound`, if given, says whether a 0x0C-marked
// trailer was read.
LONG ReadPcxPaletteBytes(HANDLE file, ULONGLONG start, ULONGLONG end, const PcxHeader* header, BYTE* triples,
                         PcxErrorCode* code, BOOL* trailerFound = nullptr);

// As ReadPcxPaletteBytes for an image held whole in memory (`length` bytes
// from its header on), with two differences: a 1-bit image is always black
// and white, and a 256-colour image whose block ends in no 0x0C-marked
// trailer has no colours (0, code 10). Leaves the code alone otherwise.
LONG ReadPcxPaletteBytesFromMemory(const BYTE* data, DWORD length, const PcxHeader& header, BYTE* triples,
                                   PcxErrorCode* code, bool* trailerFound);

// The colours of an image as the file decoders use them.
struct PcxImageColors {
    BYTE triples[3 * kypcx::kPaletteTrailerColors];
    LONG count = 0;           // entries filled, 0 for a layout with no palette
    BOOL trailerFound = FALSE;
};

// Reads the image's colours into `colours` and returns them as a logical
// palette, or null; the code as ReadPcxPaletteBytes sets it, or 2 when the
// palette block cannot be allocated.
HPALETTE ReadPcxImageColors(HANDLE file, ULONGLONG start, ULONGLONG end, const PcxHeader* header,
                             PcxImageColors* colors, PcxErrorCode* code);

// The image's colours as a logical palette, or null (code 3 for no palette,
// 2 when the palette block cannot be allocated). A palette is returned with
// code 10 when the trailer could not be read.
HPALETTE ReadPcxPaletteFromFile(HANDLE file, ULONGLONG start, ULONGLONG end, const PcxHeader* header, PcxErrorCode* code);

// A logical palette of `count` triples; null if it cannot be made (code 2
// when the block cannot be allocated).
HPALETTE CreatePaletteFromTriples(const BYTE* triples, LONG count, PcxErrorCode* code);
