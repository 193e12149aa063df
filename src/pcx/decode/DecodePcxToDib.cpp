// DecodePcxImageToDib and the DIB block it fills.
#include "pcx/decode/DecodePcxToDib.h"

#include "frame/WaitCursor.h"
#include "kypcx/pcx_format.h"
#include "pcx/decode/FileImageBytes.h"
#include "pcx/decode/PcxPalette.h"
#include "win/HandleGuards.h"

using kypcx::Status;

HGLOBAL AllocPcxDib(LONG width, LONG height, WORD bitCount, DWORD colors, HPALETTE palette) {
    if (palette == nullptr) palette = static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE));
    if (width < 1 || height < 1) return nullptr;
    const uint64_t sizeImage = kypcx::DibBlockBytes(width, height, bitCount);
    if (sizeImage > kypcx::kMaxDecodedImageBytes) return nullptr;

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

HGLOBAL DecodePcxImageToDib(const kypcx::PcxByteSource& source, const kypcx::PcxReaderRules& rules,
                            PcxDibLineCallback callback, Status* status) {
    ScopedWaitCursor waitCursor(WaitCursorFamily::Coder);

    kypcx::PcxImagePlan plan;
    *status = kypcx::PlanPcxImage(source, rules, &plan);
    if (*status != Status::Ok) return nullptr;
    const kypcx::PcxDecodeLayout& layout = plan.layout;

    // An unreadable 256-colour trailer stops the decode below, before any
    // row, unless a later failure has its say first.
    ScopedGdiObject<HPALETTE> palette(CreateColorsPalette(plan.colors, status));

    ScopedGlobal dib(AllocPcxDib(layout.width, layout.height, static_cast<WORD>(layout.bitCount), layout.colors,
                                 palette.get()));
    if (!dib) {
        *status = Status::NoImageMemory;
        return nullptr;
    }
    ScopedGlobalLock lock(dib.get());
    auto* info = lock.as<BITMAPINFOHEADER>();
    if (info == nullptr) {
        *status = Status::LockFailed;
        return nullptr;
    }
    info->biXPelsPerMeter = kypcx::PelsPerMeterFromDpi(plan.header.horizontalDpi);
    info->biYPelsPerMeter = kypcx::PelsPerMeterFromDpi(plan.header.verticalDpi);
    if (rules.header.colorSpaceCodes && plan.header.encoding >= kypcx::kFirstColorSpaceCode &&
        plan.header.encoding <= kypcx::kLastColorSpaceCode)
        info->biCompression = plan.header.encoding;
    BYTE* rows = reinterpret_cast<BYTE*>(info) + info->biSize + info->biClrUsed * sizeof(RGBQUAD);

    kypcx::PcxRowReader reader(source, plan, rules.rows, GlobalWorkingMemory());
    if (*status == Status::Ok) *status = reader.Start();
    if (*status == Status::Ok) {
        *status = reader.ReadRows(layout.height, [&](const kypcx::PcxRow& row) {
            const LONG r = layout.height - 1 - row.y;
            BYTE* out = rows + size_t(r) * layout.rowSize;
            kypcx::AssemblePcxRow(layout, row.planes, out);
            return callback == nullptr || callback(out, r, row.fromData, info) != FALSE;
        });
    }
    if (*status != Status::Ok) return nullptr;
    lock.reset();  // the caller gets the block unlocked
    return dib.release();
}

HGLOBAL DecodePcxToDib(HANDLE file, ULONGLONG offset, ULONGLONG end, BOOL checkEncoding, PcxDibLineCallback callback,
                       Status* status) {
    const FileImageBytes bytes(file, offset, end);
    return DecodePcxImageToDib(bytes.source(), kypcx::ClassicDibReaderRules(checkEncoding != FALSE), callback, status);
}
