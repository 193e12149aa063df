// BuildDibPcxHeader: the PCX header for a DIB, from its info header.
#include "pcx/encode/DibPcxHeader.h"

#include "kypcx/pcx_encode_header.h"
#include "pcx/encode/BitmapPcxHeader.h"
#include "frame/HandleGuards.h"

kypcx::DibInfo DibInfoFromHeader(const BITMAPINFOHEADER* info) {
    kypcx::DibInfo d;
    d.headerSize = info->biSize;
    if (info->biSize == kypcx::kDibCoreHeaderSize) {
        const auto* core = reinterpret_cast<const BITMAPCOREHEADER*>(info);
        d.width = core->bcWidth;
        d.height = core->bcHeight;
        d.planes = core->bcPlanes;
        d.bitCount = core->bcBitCount;
        return d;
    }
    d.width = info->biWidth;
    d.height = info->biHeight;
    d.planes = info->biPlanes;
    d.bitCount = info->biBitCount;
    d.compression = info->biCompression;
    d.xPelsPerMeter = info->biXPelsPerMeter;
    d.yPelsPerMeter = info->biYPelsPerMeter;
    d.colorsUsed = info->biClrUsed;
    return d;
}

BOOL BuildDibPcxHeader(PcxHeader* header, const BITMAPINFOHEADER* info, PcxErrorCode* error) {
    *error = PCX_OK;
    ScopedWindowDC screen(nullptr);
    if (screen.get() == nullptr) {
        *error = PCX_ERR_COMPATIBLE_DC;
        return FALSE;
    }
    const kypcx::DibInfo dib = DibInfoFromHeader(info);
    const BYTE* colorTable = reinterpret_cast<const BYTE*>(info) + info->biSize;
    kypcx::FillDibPcxHeader(dib, ReadDisplayMetrics(screen.get()), colorTable, kypcx::DibColorCount(dib), header);
    return TRUE;
}
