// Building the bitmap information block of the bitmap decoders.
#include "pcx/decode/PcxBitmapInfo.h"

BITMAPINFO* BuildPcxBitmapInfo(const kypcx::PcxDecodeLayout& layout, const BYTE* triples, LONG colors,
                               ScopedGlobal* block, ScopedGlobalLock* lock) {
    const DWORD tableEntries = layout.bitCount == 24 ? 0 : (1u << layout.bitCount);
    block->reset(GlobalAlloc(GHND, sizeof(BITMAPINFOHEADER) + tableEntries * sizeof(RGBQUAD)));
    *lock = ScopedGlobalLock(block->get());
    auto* info = lock->as<BITMAPINFO>();
    if (info == nullptr) return nullptr;
    BITMAPINFOHEADER& bih = info->bmiHeader;
    bih.biSize = sizeof(BITMAPINFOHEADER);
    bih.biWidth = layout.width;
    bih.biHeight = layout.height;
    bih.biPlanes = 1;
    bih.biBitCount = static_cast<WORD>(layout.bitCount);
    bih.biCompression = BI_RGB;
    bih.biClrUsed = tableEntries;
    RGBQUAD* table = info->bmiColors;
    for (DWORD i = 0; i < tableEntries && i < static_cast<DWORD>(colors); ++i) {
        table[i].rgbRed = triples[3 * i];
        table[i].rgbGreen = triples[3 * i + 1];
        table[i].rgbBlue = triples[3 * i + 2];
        table[i].rgbReserved = 0;
    }
    return info;
}
