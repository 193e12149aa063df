// The colours of a PCX image as every reader takes them: raw triples by the
// format's palette rules (kypcx/pcx_palette.h for what the header gives, the
// 256-colour trailer read here from the image's source), or a GDI logical
// palette. Readers differ only where their rules say so.
#pragma once

#include <windows.h>

#include "KyPcxTypes.h"
#include "kypcx/pcx_format.h"
#include "kypcx/pcx_palette.h"
#include "pcx/decode/PcxImageSource.h"

// The version every LOGPALETTE the library builds carries.
constexpr WORD kLogPaletteVersion = 0x300;

// The palette rules a reader follows.
struct PcxColorRules {
    kypcx::PcxLayoutSet layouts = kypcx::PcxLayoutSet::Classic;
    kypcx::PcxCgaReading cga = kypcx::PcxCgaReading::ByRule;
    // The in-memory bitmap decoder's two differences: 1-bit images are
    // always black and white, and a 256-colour image whose bytes end in no
    // 0x0C-marked trailer has no colours (0, code 10). Elsewhere the
    // two-colour rule holds, a trailer that cannot be read gives the default
    // palette with code 10 and one without its marker a grey ramp.
    bool inMemoryBitmap = false;
};

// Fills `triples` (room for 256 entries) with the colours of the image whose
// header is `header` and whose bytes `source` holds, and returns how many it
// filled (2, 4, 8, 16 or 256), or 0 with code 3 for a layout that has no
// palette (32-bit images included). The 256-colour trailer is looked for
// only where the core's trailer rule allows, inside the image's extent and
// behind its header (an image too short for that has an unreadable trailer).
// `trailerFound`, if given, says whether a 0x0C-marked trailer was read.
// Writes the code only on failure.
LONG ReadImageColorBytes(PcxImageSource& source, const PcxHeader& header, const PcxColorRules& rules, BYTE* triples,
                         PcxErrorCode* code, BOOL* trailerFound);

// The classic file readers' form: the image occupies [start, end) of `file`;
// the code is set to 1 first.
LONG ReadPcxPaletteBytes(HANDLE file, ULONGLONG start, ULONGLONG end, const PcxHeader* header, BYTE* triples,
                         PcxErrorCode* code, BOOL* trailerFound = nullptr);

// The colours of an image as the decoders use them.
struct PcxImageColors {
    BYTE triples[3 * kypcx::kPaletteTrailerColors];
    LONG count = 0;           // entries filled, 0 for a layout with no palette
    BOOL trailerFound = FALSE;
};

// Reads the image's colours into `colors` and returns them as a logical
// palette, or null (no colours, or code 2 when the palette block cannot be
// allocated). The code is set to 1 first, then as ReadImageColorBytes sets
// it; a layout without colours gets no code here.
HPALETTE ReadPcxImageColors(PcxImageSource& source, const PcxHeader& header, const PcxColorRules& rules,
                            PcxImageColors* colors, PcxErrorCode* code);

// The image's colours as a logical palette, or null (code 3 for no palette,
// 2 when the palette block cannot be allocated). A palette is returned with
// code 10 when the trailer could not be read.
HPALETTE ReadPcxPaletteFromFile(HANDLE file, ULONGLONG start, ULONGLONG end, const PcxHeader* header, PcxErrorCode* code);

// A logical palette of `count` triples; null if it cannot be made (code 2
// when the block cannot be allocated).
HPALETTE CreatePaletteFromTriples(const BYTE* triples, LONG count, PcxErrorCode* code);
