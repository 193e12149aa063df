// LoadPCXImageW/A, LoadPCXImageFromMemory and GetPCXImageInfoW/A: the
// extension readers of every PCX layout, for PCX files, DCX pages and images
// in memory. They run the one decode path with the rules their flags choose;
// the classic exports keep the classic rules.
#include <windows.h>

#include <cstring>

#include "KyPCX.h"
#include "dcx/DcxDirectory.h"
#include "frame/AnsiEntry.h"
#include "frame/ErrorSlot.h"
#include "frame/ImageLocation.h"
#include "kypcx/pcx_decode.h"
#include "kypcx/pcx_format.h"
#include "kypcx/pcx_palette.h"
#include "pcx/decode/DecodePcxToDib.h"
#include "pcx/decode/PcxImageSource.h"

static_assert(sizeof(PcxImageInfo) == 216, "PcxImageInfo is laid out alike for 32- and 64-bit callers");

namespace {

// The decode rules a caller's flags choose.
PcxDibRules RulesFor(DWORD flags) {
    PcxDibRules rules;
    const bool classic = (flags & KYPCX_CLASSIC_LAYOUTS) != 0;
    rules.header.layouts = classic ? kypcx::PcxLayoutSet::Classic : kypcx::PcxLayoutSet::Every;
    rules.header.storedLines = !classic;
    rules.header.colorSpaceCodes = (flags & KYPCX_COLOR_SPACE) != 0;
    rules.colors.layouts = rules.header.layouts;
    if ((flags & KYPCX_CGA_PALETTE) != 0) rules.colors.cga = kypcx::PcxCgaReading::Always;
    else if ((flags & KYPCX_HEADER_COLORS) != 0) rules.colors.cga = kypcx::PcxCgaReading::Never;
    rules.colorSpaceInDib = rules.header.colorSpaceCodes;
    return rules;
}

// Opens the image: the whole file, or page `item` of a DCX file. FALSE with
// the code set; a page behind the end of the list is "no such item" (21).
BOOL LocateImage(LPCWSTR path, UINT item, ImageLocation* image, PcxErrorCode* code) {
    if (item == KYPCX_WHOLE_FILE) return LocatePcxFile(path, GENERIC_READ, image, code);
    if (LocateDcxItem(path, item, image, code)) return TRUE;
    if (*code == PCX_OK) *code = PCX_ERR_NO_ITEM;
    return FALSE;
}

}  // namespace

extern "C" HGLOBAL WINAPI LoadPCXImageW(LPCWSTR path, UINT item, DWORD flags, PcxErrorCode* error,
                                        PcxDibLineCallback callback) {
    ErrorSlot slot(error);
    PcxErrorCode* code = slot.get();
    *code = PCX_OK;
    ImageLocation image;
    if (!LocateImage(path, item, &image, code)) return nullptr;
    FilePcxSource source(image.file.get(), image.start, image.end);
    return DecodePcxImageToDib(source, RulesFor(flags), code, callback);
}

extern "C" HGLOBAL WINAPI LoadPCXImageA(LPCSTR path, UINT item, DWORD flags, PcxErrorCode* code,
                                        PcxDibLineCallback callback) {
    return CallWithWidePath(LoadPCXImageW, path, item, flags, code, callback);
}

extern "C" HGLOBAL WINAPI LoadPCXImageFromMemory(const BYTE* data, DWORD length, DWORD flags, PcxErrorCode* error,
                                                 PcxDibLineCallback callback) {
    ErrorSlot slot(error);
    PcxErrorCode* code = slot.get();
    MemoryPcxSource source(data, data != nullptr ? length : 0);
    return DecodePcxImageToDib(source, RulesFor(flags), code, callback);
}

extern "C" BOOL WINAPI GetPCXImageInfoW(LPCWSTR path, UINT item, DWORD flags, PcxImageInfo* info,
                                        PcxErrorCode* error) {
    ErrorSlot slot(error);
    PcxErrorCode* code = slot.get();
    *code = PCX_OK;
    if (info == nullptr || info->size < sizeof(PcxImageInfo)) {  // nowhere to put the answer
        *code = PCX_ERR_FILE_IO;
        return FALSE;
    }
    ImageLocation image;
    if (!LocateImage(path, item, &image, code)) return FALSE;
    FilePcxSource source(image.file.get(), image.start, image.end);
    const PcxDibRules rules = RulesFor(flags);
    BYTE bytes[kypcx::kPcxHeaderSize];
    if (!source.ReadAt(image.start, bytes, sizeof bytes)) {
        *code = PCX_ERR_FILE_IO;
        return FALSE;
    }
    PcxHeader header;
    kypcx::LoadPcxHeader(bytes, &header);
    kypcx::PcxDecodeLayout layout;
    PcxErrorCode check = kypcx::CheckPcxHeader(header, rules.header);
    if (check == PCX_OK) check = kypcx::PlanPcxDecode(header, rules.header, &layout);
    if (check != PCX_OK) {
        *code = check;
        return FALSE;
    }
    const DWORD size = info->size;
    std::memset(info, 0, sizeof *info);
    info->size = size;
    info->header = header;
    info->width = layout.width;
    info->height = layout.height;
    info->planes = static_cast<WORD>(layout.planes);
    info->bitsPerPixel = static_cast<WORD>(layout.bitsPerPixel);
    info->dibBitCount = static_cast<WORD>(layout.bitCount);
    info->colors = static_cast<WORD>(layout.colors);
    info->storedLines = layout.coding == kypcx::PcxLineCoding::Stored ? 1 : 0;
    info->alpha = layout.pixels == kypcx::PcxPixels::PlanarRgba ? 1 : 0;
    info->cgaPalette = layout.pixels == kypcx::PcxPixels::Packed2 &&
                               (rules.colors.cga == kypcx::PcxCgaReading::Always ||
                                (rules.colors.cga == kypcx::PcxCgaReading::ByRule && kypcx::HoldsCgaPaletteBytes(header)))
                           ? 1
                           : 0;
    std::strncpy(info->layoutName, kypcx::PcxLayoutName(header.planes, header.bitsPerPixel),
                 sizeof info->layoutName - 1);
    info->start = image.start;
    info->end = image.end;
    return TRUE;
}

extern "C" BOOL WINAPI GetPCXImageInfoA(LPCSTR path, UINT item, DWORD flags, PcxImageInfo* info, PcxErrorCode* code) {
    return CallWithWidePath(GetPCXImageInfoW, path, item, flags, info, code);
}
