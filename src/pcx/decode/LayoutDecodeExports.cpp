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
#include "frame/ExportCodes.h"
#include "frame/ImageLocation.h"
#include "kypcx/pcx_reader.h"
#include "pcx/decode/DecodePcxToDib.h"
#include "pcx/decode/FileImageBytes.h"

static_assert(sizeof(PcxImageInfo) == 216, "PcxImageInfo is laid out alike for 32- and 64-bit callers");

namespace {

// The reader's rules a caller's flags choose.
kypcx::PcxReaderRules RulesFor(DWORD flags) {
    kypcx::PcxCgaReading cga = kypcx::PcxCgaReading::ByRule;
    if ((flags & KYPCX_CGA_PALETTE) != 0) cga = kypcx::PcxCgaReading::Always;
    else if ((flags & KYPCX_HEADER_COLORS) != 0) cga = kypcx::PcxCgaReading::Never;
    return kypcx::LayoutReaderRules((flags & KYPCX_CLASSIC_LAYOUTS) != 0, (flags & KYPCX_COLOR_SPACE) != 0, cga);
}

// Opens the image: the whole file, or page `item` of a DCX file (a page
// behind the end of the list is as much "no such item" as one beyond it).
kypcx::Status LocateImage(LPCWSTR path, UINT item, ImageLocation* image) {
    if (item == KYPCX_WHOLE_FILE) return LocatePcxFile(path, GENERIC_READ, image);
    return LocateDcxItem(path, item, image);
}

}  // namespace

extern "C" HGLOBAL WINAPI LoadPCXImageW(LPCWSTR path, UINT item, DWORD flags, PcxErrorCode* error,
                                        PcxDibLineCallback callback) {
    ErrorSlot slot(error);
    PcxErrorCode* code = slot.get();
    *code = PCX_OK;
    ImageLocation image;
    if (!ReportExportCode(LocateImage(path, item, &image), code)) return nullptr;
    const FileImageBytes bytes(image.file.get(), image.start, image.end);
    kypcx::Status status = kypcx::Status::Ok;
    HGLOBAL dib = DecodePcxImageToDib(bytes.source(), RulesFor(flags), callback, &status);
    *code = ExportCodeOf(status, ExportGroup::DibDecode);
    return dib;
}

extern "C" HGLOBAL WINAPI LoadPCXImageA(LPCSTR path, UINT item, DWORD flags, PcxErrorCode* code,
                                        PcxDibLineCallback callback) {
    return CallWithWidePath(LoadPCXImageW, path, item, flags, code, callback);
}

extern "C" HGLOBAL WINAPI LoadPCXImageFromMemory(const BYTE* data, DWORD length, DWORD flags, PcxErrorCode* error,
                                                 PcxDibLineCallback callback) {
    ErrorSlot slot(error);
    kypcx::Status status = kypcx::Status::Ok;
    HGLOBAL dib = DecodePcxImageToDib(kypcx::PcxBytesInMemory(data, length), RulesFor(flags), callback, &status);
    *slot.get() = ExportCodeOf(status, ExportGroup::DibDecode);
    return dib;
}

extern "C" BOOL WINAPI GetPCXImageInfoW(LPCWSTR path, UINT item, DWORD flags, PcxImageInfo* info,
                                        PcxErrorCode* error) {
    ErrorSlot slot(error);
    PcxErrorCode* code = slot.get();
    *code = PCX_OK;
    if (info == nullptr || info->size < sizeof(PcxImageInfo)) {
        *code = ExportCodeOf(kypcx::Status::NoAnswerBlock);
        return FALSE;
    }
    ImageLocation image;
    if (!ReportExportCode(LocateImage(path, item, &image), code)) return FALSE;
    // The header and its layout: no size limits, no colours read.
    const FileImageBytes bytes(image.file.get(), image.start, image.end);
    kypcx::PcxReaderRules rules = RulesFor(flags);
    rules.limit = kypcx::PcxSizeLimit::None;
    rules.readColors = false;
    kypcx::PcxImagePlan plan;
    const kypcx::Status status = kypcx::PlanPcxImage(bytes.source(), rules, &plan);
    if (status != kypcx::Status::Ok) {
        *code = ExportCodeOf(status);
        return FALSE;
    }
    const PcxHeader& header = plan.header;
    const kypcx::PcxDecodeLayout& layout = plan.layout;
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
    info->cgaPalette = layout.pixels == kypcx::PcxPixels::Packed2 && kypcx::ReadsCgaPalette(header, rules.colors.cga) ? 1 : 0;
    std::strncpy(info->layoutName, kypcx::PcxLayoutName(header.planes, header.bitsPerPixel),
                 sizeof info->layoutName - 1);
    info->start = image.start;
    info->end = image.end;
    return TRUE;
}

extern "C" BOOL WINAPI GetPCXImageInfoA(LPCSTR path, UINT item, DWORD flags, PcxImageInfo* info, PcxErrorCode* code) {
    return CallWithWidePath(GetPCXImageInfoW, path, item, flags, info, code);
}
