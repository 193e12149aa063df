// BuildDibPcxHeader: the PCX header for a DIB, from its info header.
#include "pcx/encode/DibPcxHeader.h"

#include "kypcx/pcx_encode_header.h"
#include "pcx/encode/BitmapPcxHeader.h"
#include "win/HandleGuards.h"

kypcx::Status BuildDibPcxHeader(PcxHeader* header, const kypcx::DibLayout& layout, const BYTE* dib) {
    ScopedWindowDC screen(nullptr);
    if (screen.get() == nullptr) return kypcx::Status::NoDeviceContext;
    kypcx::FillDibPcxHeader(layout.info, ReadDisplayMetrics(screen.get()), dib + layout.colorTableOffset,
                            layout.colorTableEntries, header);
    return kypcx::Status::Ok;
}
