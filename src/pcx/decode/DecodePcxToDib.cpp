// DecodePcxImageToDib and the DIB block it fills.
#include "pcx/decode/DecodePcxToDib.h"

#include "frame/HandleGuards.h"
#include "frame/WaitCursor.h"
#include "kypcx/pcx_format.h"
#include "pcx/decode/PcxDecodeSetup.h"
#include "pcx/decode/PcxScanLineLoop.h"

namespace {

DWORD ColorTableEntries(int bitCount) {
    if (bitCount < 2) return 2;
    if (bitCount <= 4) return 16;
    if (bitCount <= 8) return 256;
    return 0;
}

}  // namespace

HGLOBAL AllocPcxDib(LONG width, LONG height, WORD bitCount, DWORD colors, HPALETTE palette) {
    if (palette == nullptr) palette = static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE));
    if (width < 1 || height < 1) return nullptr;
    const uint64_t sizeImage = uint64_t((width + 31) / 32) * 4 * uint64_t(bitCount) * uint64_t(height);
    if (sizeImage > kMaxDecodedImageBytes) return nullptr;

    BITMAPINFOHEADER info = {};
    info.biSize = sizeof(BITMAPINFOHEADER);
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = bitCount;
    info.biCompression = BI_RGB;
    info.biSizeImage = static_cast<DWORD>(sizeImage);
    info.biClrUsed = colors;
    const DWORD tableBytes = info.biClrUsed * sizeof(RGBQUAD);

    ScopedGlobal dib(GlobalAlloc(GHND, sizeof info + tableBytes));
    ScopedGlobalLock lock(dib.get());
    auto* header = lock.as<BITMAPINFOHEADER>();
    if (header == nullptr) return nullptr;
    *header = info;
    if (info.biClrUsed != 0) {
        PALETTEENTRY entries[256] = {};
        GetPaletteEntries(palette, 0, info.biClrUsed, entries);
        auto* table = reinterpret_cast<RGBQUAD*>(header + 1);
        for (DWORD i = 0; i < info.biClrUsed; ++i) {
            table[i].rgbBlue = entries[i].peBlue;
            table[i].rgbGreen = entries[i].peGreen;
            table[i].rgbRed = entries[i].peRed;
            table[i].rgbReserved = entries[i].peFlags;
        }
    }
    lock.reset();
    HGLOBAL grown = GlobalReAlloc(dib.get(), sizeof info + tableBytes + info.biSizeImage, GMEM_MOVEABLE | GMEM_ZEROINIT);
    if (grown == nullptr) return nullptr;
    dib.release();
    return grown;
}

HGLOBAL AllocDibFromBitmapRecord(LONG width, LONG height, WORD planes, WORD bitsPerPixel, HPALETTE palette) {
    const int bitCount = planes * bitsPerPixel;
    return AllocPcxDib(width, height, static_cast<WORD>(bitCount), ColorTableEntries(bitCount), palette);
}

HGLOBAL DecodePcxImageToDib(PcxImageSource& source, const PcxDibRules& rules, PcxErrorCode* code,
                            PcxDibLineCallback callback) {
    *code = PCX_OK;
    ScopedWaitCursor waitCursor(WaitCursorFamily::Coder);

    PcxHeader header;
    kypcx::PcxDecodeLayout layout;
    if (!PreparePcxDecode(source, rules.header, &header, &layout, code)) return nullptr;

    // The palette reader sets its own code: an unreadable 256-colour trailer
    // (10) stops the decode below before any row. An image with alpha has
    // no colours to read.
    PcxImageColors colors;
    ScopedGdiObject<HPALETTE> palette;
    if (layout.pixels != kypcx::PcxPixels::PlanarRgba)
        palette.reset(ReadPcxImageColors(source, header, rules.colors, &colors, code));

    ScopedGlobal dib(AllocPcxDib(layout.width, layout.height, static_cast<WORD>(layout.bitCount), layout.colors,
                                 palette.get()));
    if (!dib) {
        *code = PCX_ERR_CREATE_BITMAP;
        return nullptr;
    }
    ScopedGlobalLock lock(dib.get());
    auto* info = lock.as<BITMAPINFOHEADER>();
    if (info == nullptr) {
        *code = PCX_ERR_ALLOC;
        return nullptr;
    }
    info->biXPelsPerMeter = kypcx::PelsPerMeterFromDpi(header.horizontalDpi);
    info->biYPelsPerMeter = kypcx::PelsPerMeterFromDpi(header.verticalDpi);
    if (rules.colorSpaceInDib && header.encoding >= kypcx::kFirstColorSpaceCode &&
        header.encoding <= kypcx::kLastColorSpaceCode)
        info->biCompression = header.encoding;
    BYTE* rows = reinterpret_cast<BYTE*>(info) + info->biSize + info->biClrUsed * sizeof(RGBQUAD);

    // The trailer of a 256-colour image is not image data.
    const ULONGLONG dataEnd = colors.trailerFound ? source.end() - kypcx::kPaletteTrailerSize : source.end();
    PcxScanLineSource lines;
    PcxLoopRules loopRules;
    loopRules.lines.coding = layout.coding;
    // An image with no coded data at all is one whose data cannot be read,
    // wherever it is held.
    const ULONGLONG dataBytes = PcxImageDataBytes(source.start(), dataEnd);
    if (*code == PCX_OK && dataBytes == 0) *code = PCX_ERR_PALETTE_READ;
    if (*code == PCX_OK && lines.Open(source, layout, dataBytes, code)) {
        RunPcxScanLineLoop(lines, loopRules, layout.height, code, [&](LONG r, LONG lineCount, const BYTE* planes) {
            BYTE* row = rows + size_t(r) * layout.rowSize;
            kypcx::AssemblePcxRow(layout, planes, row);
            if (callback == nullptr || callback(row, r, lineCount, info)) return true;
            *code = PCX_ERR_USER_ABORT;
            return false;
        });
    }
    if (*code != PCX_OK) return nullptr;
    lock.reset();  // the caller gets the block unlocked
    return dib.release();
}

HGLOBAL DecodePcxToDib(HANDLE file, ULONGLONG offset, ULONGLONG end, PcxErrorCode* code, PcxDibLineCallback callback,
                       BOOL checkEncoding) {
    FilePcxSource source(file, offset, end);
    PcxDibRules rules;
    rules.header = kypcx::ClassicHeaderRules(checkEncoding != FALSE);
    return DecodePcxImageToDib(source, rules, code, callback);
}
