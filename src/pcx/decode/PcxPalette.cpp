// The palette rules of every reader: which colours an image has, from its
// header, its 256-colour trailer or the built-in palettes, and the GDI
// palette made of them.
#include "pcx/decode/PcxPalette.h"

#include <cstring>

#include "kypcx/pcx_format.h"

namespace {

// The 256 colours behind the image: the marker byte 12, then 768 bytes.
void ReadTrailerPalette(PcxImageSource& source, bool required, BYTE* triples, PcxErrorCode* code, BOOL* found,
                        LONG* count) {
    BYTE marker = 0;
    uint64_t markerOffset = 0;
    const bool slot = kypcx::FindPaletteTrailerSlot(source.start(), source.end(), &markerOffset);
    const bool read = slot && source.ReadAt(markerOffset, &marker, 1);
    *count = kypcx::kPaletteTrailerColors;
    if (required) {
        // No marked trailer, no colours.
        if (!read || marker != kypcx::kPaletteMarker || !source.ReadAt(markerOffset + 1, triples, 3 * 256)) {
            *code = PCX_ERR_PALETTE_READ;
            *count = 0;
            return;
        }
        *found = TRUE;
        return;
    }
    // Anything short of a trailer is reported with code 10 and the default
    // colours.
    if (!read) {
        *code = PCX_ERR_PALETTE_READ;
        kypcx::BuildDefaultPalette256(triples);
        return;
    }
    if (marker != kypcx::kPaletteMarker) {
        // No trailer: the file does not say which colours it means; a grey
        // ramp is what other readers show for such images.
        kypcx::BuildGreyPalette256(triples);
        return;
    }
    if (!source.ReadAt(markerOffset + 1, triples, 3 * kypcx::kPaletteTrailerColors)) {
        *code = PCX_ERR_PALETTE_READ;
        kypcx::BuildDefaultPalette256(triples);
        return;
    }
    *found = TRUE;
}

bool HasTrailerLayout(const PcxHeader& header) { return header.planes == 1 && header.bitsPerPixel == 8; }

}  // namespace

LONG ReadImageColorBytes(PcxImageSource& source, const PcxHeader& header, const PcxColorRules& rules, BYTE* triples,
                         PcxErrorCode* code, BOOL* trailerFound) {
    BOOL found = FALSE;
    LONG count = 0;
    if (rules.inMemoryBitmap && header.planes == 1 && header.bitsPerPixel == 1) {
        const BYTE blackWhite[6] = {0, 0, 0, 255, 255, 255};
        std::memcpy(triples, blackWhite, sizeof blackWhite);
        count = 2;
    } else if (HasTrailerLayout(header)) {
        ReadTrailerPalette(source, rules.inMemoryBitmap, triples, code, &found, &count);
    } else {
        count = static_cast<LONG>(kypcx::BuildHeaderColors(header, rules.layouts, rules.cga, triples));
        if (count == 0 && !rules.inMemoryBitmap) *code = PCX_ERR_VERSION;
    }
    if (trailerFound != nullptr) *trailerFound = found;
    return count;
}

LONG ReadPcxPaletteBytes(HANDLE file, ULONGLONG start, ULONGLONG end, const PcxHeader* header, BYTE* triples,
                         PcxErrorCode* code, BOOL* trailerFound) {
    *code = PCX_OK;
    FilePcxSource source(file, start, end);
    return ReadImageColorBytes(source, *header, PcxColorRules(), triples, code, trailerFound);
}

HPALETTE CreatePaletteFromTriples(const BYTE* triples, LONG count, PcxErrorCode* code) {
    HLOCAL block = LocalAlloc(LMEM_ZEROINIT, 4 * count + 8);
    if (block == nullptr) {
        *code = PCX_ERR_ALLOC_BUFFERS;
        return nullptr;
    }
    auto* logical = static_cast<LOGPALETTE*>(block);
    logical->palVersion = kLogPaletteVersion;
    logical->palNumEntries = static_cast<WORD>(count);
    for (LONG i = 0; i < count; ++i) {
        logical->palPalEntry[i].peRed = triples[3 * i];
        logical->palPalEntry[i].peGreen = triples[3 * i + 1];
        logical->palPalEntry[i].peBlue = triples[3 * i + 2];
        logical->palPalEntry[i].peFlags = 0;
    }
    HPALETTE palette = CreatePalette(logical);
    LocalFree(block);
    return palette;
}

HPALETTE ReadPcxImageColors(PcxImageSource& source, const PcxHeader& header, const PcxColorRules& rules,
                            PcxImageColors* colors, PcxErrorCode* code) {
    *code = PCX_OK;
    colors->count = ReadImageColorBytes(source, header, rules, colors->triples, code, &colors->trailerFound);
    if (colors->count == 0) return nullptr;
    PcxErrorCode allocCode = PCX_OK;
    HPALETTE palette = CreatePaletteFromTriples(colors->triples, colors->count, &allocCode);
    if (allocCode != PCX_OK) *code = allocCode;
    return palette;
}

HPALETTE ReadPcxPaletteFromFile(HANDLE file, ULONGLONG start, ULONGLONG end, const PcxHeader* header, PcxErrorCode* code) {
    FilePcxSource source(file, start, end);
    PcxImageColors colors;
    return ReadPcxImageColors(source, *header, PcxColorRules(), &colors, code);
}
