// BuildDibPcxHeader: the PCX header for a DIB, from its info header.
#include "pcx/encode/DibPcxHeader.h"

#include "kypcx/pcx_encode_header.h"
#include "pcx/encode/BitmapPcxHeader.h"
#include "frame/HandleGuards.h"

BOOL BuildDibPcxHeader(PcxHeader* header, const kypcx::DibLayout& layout, const BYTE* dib, PcxErrorCode* error) {
    *error = PCX_OK;
    ScopedWindowDC screen(nullptr);
    if (screen.get() == nullptr) {
        *error = PCX_ERR_COMPATIBLE_DC;
        return FALSE;
    }
    kypcx::FillDibPcxHeader(layout.info, ReadDisplayMetrics(screen.get()), dib + layout.colorTableOffset,
                            layout.colorTableEntries, header);
    return TRUE;
}
