// Logical palettes of an image's colours.
#include "pcx/decode/PcxPalette.h"

#include "pcx/decode/FileImageBytes.h"

namespace {

// A logical palette of `count` red, green, blue triples; null if it cannot
// be made (*status NoPaletteMemory when its block cannot be allocated,
// otherwise left as it is).
HPALETTE CreatePaletteFromTriples(const BYTE* triples, LONG count, kypcx::Status* status) {
    HLOCAL block = LocalAlloc(LMEM_ZEROINIT, 4 * count + 8);
    if (block == nullptr) {
        *status = kypcx::Status::NoPaletteMemory;
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

}  // namespace

HPALETTE CreateColorsPalette(const kypcx::PcxColors& colors, kypcx::Status* status) {
    *status = colors.status;
    if (colors.count == 0) return nullptr;
    return CreatePaletteFromTriples(colors.triples, static_cast<LONG>(colors.count), status);
}

HPALETTE ReadPcxPaletteFromFile(HANDLE file, ULONGLONG start, ULONGLONG end, const PcxHeader& header,
                                kypcx::Status* status) {
    const FileImageBytes bytes(file, start, end);
    kypcx::PcxColors colors;
    kypcx::ReadPcxColors(bytes.source(), header, kypcx::PcxColorRules(), &colors);
    return CreateColorsPalette(colors, status);
}
