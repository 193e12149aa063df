// Palette readers shared by the file decoders and ReadPCXPalette.
#include "pcx/decode/PcxPalette.h"

#include <cstring>

#include "frame/FileAccess.h"
#include "kypcx/pcx_format.h"

namespace {

// The 256 colours behind the image: the marker byte 12, then 768 bytes.
// Anything short of that is reported with code 10 and the default colours.
void ReadTrailerPalette(HANDLE file, DWORD start, DWORD end, BYTE* triples, PcxErrorCode* code,
                        BOOL* trailerFound) {
    BYTE marker = 0;
    uint64_t markerOffset = 0;
    if (!kypcx::FindPaletteTrailerSlot(start, end, &markerOffset) ||
        !SeekFileTo(file, static_cast<DWORD>(markerOffset)) || !ReadFileExactly(file, &marker, 1)) {
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
    if (!ReadFileExactly(file, triples, 3 * kypcx::kPaletteTrailerColours)) {
        *code = PCX_ERR_PALETTE_READ;
        kypcx::BuildDefaultPalette256(triples);
        return;
    }
    if (trailerFound != nullptr) *trailerFound = TRUE;
}

}  // namespace

LONG ReadPcxPaletteBytes(HANDLE file, DWORD start, DWORD end, const PcxHeader* header, BYTE* triples,
                         PcxErrorCode* code, BOOL* trailerFound) {
    *code = PCX_OK;
    if (trailerFound != nullptr) *trailerFound = FALSE;
    const int planes = header->planes;
    const int bits = header->bitsPerPixel;
    if (planes == 1 && bits == 1) {
        kypcx::BuildTwoColourPalette(*header, triples);
        return 2;
    }
    if (planes == 1 && bits == 8) {
        ReadTrailerPalette(file, start, end, triples, code, trailerFound);
        return 256;
    }
    if (planes == 3 && bits == 8) {
        kypcx::BuildDefaultPalette256(triples);
        return 256;
    }
    LONG count = 0;
    if (planes == 2 && bits == 4) count = 4;
    else if (planes == 3 && bits == 1) count = 8;
    else if (planes == 4 && bits == 1) count = 16;
    if (count == 0) {
        *code = PCX_ERR_VERSION;
        return 0;
    }
    std::memcpy(triples, header->palette, 3 * static_cast<size_t>(count));
    return count;
}

HPALETTE CreatePaletteFromTriples(const BYTE* triples, LONG count, PcxErrorCode* code) {
    HLOCAL block = LocalAlloc(LMEM_ZEROINIT, 4 * count + 8);
    if (block == nullptr) {
        *code = PCX_ERR_ALLOC_BUFFERS;
        return nullptr;
    }
    auto* logical = static_cast<LOGPALETTE*>(block);
    logical->palVersion = 0x300;
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

HPALETTE ReadPcxImageColours(HANDLE file, DWORD start, DWORD end, const PcxHeader* header,
                             PcxImageColours* colours, PcxErrorCode* code) {
    colours->count =
        ReadPcxPaletteBytes(file, start, end, header, colours->triples, code, &colours->trailerFound);
    if (colours->count == 0) return nullptr;
    PcxErrorCode allocCode = PCX_OK;
    HPALETTE palette = CreatePaletteFromTriples(colours->triples, colours->count, &allocCode);
    if (allocCode != PCX_OK) *code = allocCode;
    return palette;
}

HPALETTE ReadPcxPaletteFromFile(HANDLE file, DWORD start, DWORD end, const PcxHeader* header, PcxErrorCode* code) {
    PcxImageColours colours;
    return ReadPcxImageColours(file, start, end, header, &colours, code);
}
