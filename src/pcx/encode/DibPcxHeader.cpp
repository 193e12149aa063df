// BuildDibPcxHeader, DibColorCount and DibColorTableSize.
#include "pcx/encode/DibPcxHeader.h"

#include <algorithm>

#include "kypcx/pcx_encode_header.h"
#include "pcx/encode/BitmapPcxHeader.h"
#include "frame/HandleGuards.h"

namespace {

// The header's fields as the core reads them; the header is taken to be as
// long as it says (a core header 12 bytes, an info header at least 40).
bool ReadHeaderFields(const BITMAPINFOHEADER* info, kypcx::DibInfo* fields) {
    const DWORD size = info->biSize == kypcx::kDibCoreHeaderSize ? info->biSize
                                                                  : std::max<DWORD>(info->biSize, sizeof *info);
    return kypcx::ReadDibInfo(reinterpret_cast<const uint8_t*>(info), size, fields);
}

}  // namespace

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

UINT DibColorCount(const BITMAPINFOHEADER* info) {
    kypcx::DibInfo fields;
    return ReadHeaderFields(info, &fields) ? kypcx::DibColorCount(fields) : 0;
}

DWORD DibColorTableSize(const BITMAPINFOHEADER* info) {
    kypcx::DibInfo fields;
    if (!ReadHeaderFields(info, &fields)) return 0;
    const uint64_t size = kypcx::DibColorTableSize(fields);
    return size > MAXDWORD ? MAXDWORD : static_cast<DWORD>(size);
}
