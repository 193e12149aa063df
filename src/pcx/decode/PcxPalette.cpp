// The palette rules of every decoder: which colours an image has, from its
// header, its 256-colour trailer or the built-in palettes, and the GDI
// palette made of them.
#include "pcx/decode/PcxPalette.h"

#include <cstring>

#include "frame/FileAccess.h"
#include "kypcx/pcx_format.h"

namespace {

// The 256 colours behind the image: the marker byte 12, then 768 bytes.
// Anything short of that is reported with code 10 and the default colours.
void ReadTrailerPalette(HANDLE file, ULONGLONG start, ULONGLONG end, BYTE* triples, PcxErrorCode* code,
                        BOOL* trailerFound) {
    BYTE marker = 0;
    uint64_t markerOffset = 0;
    if (!kypcx::FindPaletteTrailerSlot(start, end, &markerOffset) ||
        !SeekFileTo(file, markerOffset) || !ReadFileExactly(file, &marker, 1)) {
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
    if (!ReadFileExactly(file, triples, 3 * kypcx::kPaletteTrailerColors)) {
        *code = PCX_ERR_PALETTE_READ;
        kypcx::BuildDefaultPalette256(triples);
        return;
    }
    if (trailerFound != nullptr) *trailerFound = TRUE;
}

// The colours that follow from the header alone: the default palette for
// 24-bit images, the header palette for the 4-, 8- and 16-colour layouts;
// 0 for the layouts that read a trailer, use the two-colour rule, or have no
// palette at all.
LONG ColorsFromHeader(const PcxHeader& header, BYTE* triples) {
    const int planes = header.planes;
    const int bits = header.bitsPerPixel;
    if (planes == 3 && bits == 8) {
        kypcx::BuildDefaultPalette256(triples);
        return kypcx::kPaletteTrailerColors;
    }
    LONG count = 0;
    if (planes == 2 && bits == 4) count = 4;
    else if (planes == 3 && bits == 1) count = 8;
    else if (planes == 4 && bits == 1) count = kypcx::kHeaderPaletteColors;
    std::memcpy(triples, header.palette, 3 * static_cast<size_t>(count));
    return count;
}

bool IsTwoColorLayout(const PcxHeader& header) { return header.planes == 1 && header.bitsPerPixel == 1; }
bool HasTrailerLayout(const PcxHeader& header) { return header.planes == 1 && header.bitsPerPixel == 8; }

}  // namespace

LONG ReadPcxPaletteBytes(HANDLE file, ULONGLONG start, ULONGLONG end, const PcxHeader* header, BYTE* triples,
                         PcxErrorCode* code, BOOL* trailerFound) {
    *code = PCX_OK;
    if (trailerFound != nullptr) *trailerFound = FALSE;
    if (IsTwoColorLayout(*header)) {
        kypcx::BuildTwoColorPalette(*header, triples);
        return 2;
    }
    if (HasTrailerLayout(*header)) {
        ReadTrailerPalette(file, start, end, triples, code, trailerFound);
        return kypcx::kPaletteTrailerColors;
    }
    const LONG count = ColorsFromHeader(*header, triples);
    if (count == 0) *code = PCX_ERR_VERSION;
    return count;
}

LONG ReadPcxPaletteBytesFromMemory(const BYTE* data, DWORD length, const PcxHeader& header, BYTE* triples,
                                   PcxErrorCode* code, bool* trailerFound) {
    *trailerFound = false;
    if (IsTwoColorLayout(header)) {
        const BYTE blackWhite[6] = {0, 0, 0, 255, 255, 255};
        std::memcpy(triples, blackWhite, sizeof blackWhite);
        return 2;
    }
    if (HasTrailerLayout(header)) {
        uint64_t marker = 0;
        if (kypcx::FindPaletteTrailerSlot(0, length, &marker) && data[marker] == kypcx::kPaletteMarker) {
            std::memcpy(triples, data + marker + 1, 3 * kypcx::kPaletteTrailerColors);
            *trailerFound = true;
            return kypcx::kPaletteTrailerColors;
        }
        *code = PCX_ERR_PALETTE_READ;
        return 0;
    }
    return ColorsFromHeader(header, triples);
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

HPALETTE ReadPcxImageColors(HANDLE file, ULONGLONG start, ULONGLONG end, const PcxHeader* header,
                             PcxImageColors* colors, PcxErrorCode* code) {
    colors->count =
        ReadPcxPaletteBytes(file, start, end, header, colors->triples, code, &colors->trailerFound);
    if (colors->count == 0) return nullptr;
    PcxErrorCode allocCode = PCX_OK;
    HPALETTE palette = CreatePaletteFromTriples(colors->triples, colors->count, &allocCode);
    if (allocCode != PCX_OK) *code = allocCode;
    return palette;
}

HPALETTE ReadPcxPaletteFromFile(HANDLE file, ULONGLONG start, ULONGLONG end, const PcxHeader* header, PcxErrorCode* code) {
    PcxImageColors colors;
    return ReadPcxImageColors(file, start, end, header, &colors, code);
}
