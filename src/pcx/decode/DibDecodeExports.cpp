// LoadPCXIntoDIBW/A, LoadNonRGBPCXIntoDIBW/A and ReadPCXPalette.
#include <windows.h>

#include "KyPCX.h"
#include "frame/AnsiEntry.h"
#include "frame/ErrorSlot.h"
#include "frame/ExportCodes.h"
#include "frame/ImageLocation.h"
#include "pcx/decode/DecodePcxToDib.h"
#include "pcx/decode/PcxPalette.h"
#include "win/HandleGuards.h"

namespace {

// The wide body of ReadPCXPalette, which is exported in its ANSI form only.
HPALETTE WINAPI ReadPcxPaletteW(LPCWSTR path, PcxHeader* header, PcxErrorCode* error) {
    ErrorSlot slot(error);
    PcxErrorCode* code = slot.get();
    ImageLocation image;
    if (!ReportExportCode(LocatePcxFile(path, GENERIC_READ | GENERIC_WRITE, &image), code)) return nullptr;
    // The caller's header says which colours to read; without one there is
    // no layout to read colours for.
    if (header == nullptr) {
        *code = ExportCodeOf(kypcx::Status::NoColorsForLayout);
        return nullptr;
    }
    kypcx::Status status = kypcx::Status::Ok;
    HPALETTE palette = ReadPcxPaletteFromFile(image.file.get(), image.start, image.end, *header, &status);
    *code = ExportCodeOf(status);
    return palette;
}

// The classic DIB decoders' body: the file's image, the encoding byte checked or not.
HGLOBAL LoadPcxFileIntoDib(LPCWSTR path, DWORD access, BOOL checkEncoding, PcxErrorCode* code) {
    ImageLocation image;
    if (!ReportExportCode(LocatePcxFile(path, access, &image), code)) return nullptr;
    kypcx::Status status = kypcx::Status::Ok;
    HGLOBAL dib = DecodePcxToDib(image.file.get(), image.start, image.end, checkEncoding, nullptr, &status);
    *code = ExportCodeOf(status, ExportGroup::DibDecode);
    return dib;
}

}  // namespace

extern "C" HGLOBAL WINAPI LoadPCXIntoDIBW(LPCWSTR path, PcxErrorCode* error) {
    ErrorSlot slot(error);
    return LoadPcxFileIntoDib(path, GENERIC_READ, TRUE, slot.get());
}

extern "C" HGLOBAL WINAPI LoadPCXIntoDIBA(LPCSTR path, PcxErrorCode* code) {
    return CallWithWidePath(LoadPCXIntoDIBW, path, code);
}

extern "C" HGLOBAL WINAPI LoadNonRGBPCXIntoDIBW(LPCWSTR path, PcxErrorCode* error) {
    ErrorSlot slot(error);
    // The encoding byte holds the colour space, so it is not checked.
    HGLOBAL dib = LoadPcxFileIntoDib(path, GENERIC_READ | GENERIC_WRITE, FALSE, slot.get());
    ScopedGlobalLock lock(dib);
    auto* info = lock.as<BITMAPINFOHEADER>();
    if (info != nullptr) info->biCompression = static_cast<DWORD>(GetPCXColorSpaceW(path));
    return dib;
}

extern "C" HGLOBAL WINAPI LoadNonRGBPCXIntoDIBA(LPCSTR path, PcxErrorCode* code) {
    return CallWithWidePath(LoadNonRGBPCXIntoDIBW, path, code);
}

extern "C" HPALETTE WINAPI ReadPCXPalette(LPCSTR path, PcxHeader* header, PcxErrorCode* code) {
    return CallWithWidePath(ReadPcxPaletteW, path, header, code);
}
