// LoadPCXIntoDIBW/A, LoadNonRGBPCXIntoDIBW/A and ReadPCXPalette.
#include <windows.h>

#include "KyPCX.h"
#include "frame/AnsiEntry.h"
#include "frame/ErrorSlot.h"
#include "frame/HandleGuards.h"
#include "frame/ImageLocation.h"
#include "pcx/decode/DecodePcxToDib.h"
#include "pcx/decode/PcxPalette.h"

namespace {

// The wide body of ReadPCXPalette, which is exported in its ANSI form only.
HPALETTE WINAPI ReadPcxPaletteW(LPCWSTR path, PcxHeader* header, PcxErrorCode* error) {
    ErrorSlot slot(error);
    PcxErrorCode* code = slot.get();
    ImageLocation image;
    if (!LocatePcxFile(path, GENERIC_READ | GENERIC_WRITE, &image, code)) return nullptr;
    if (header == nullptr) {
        *code = PCX_ERR_VERSION;
        return nullptr;
    }
    return ReadPcxPaletteFromFile(image.file.get(), image.start, image.end, header, code);
}

}  // namespace

extern "C" HGLOBAL WINAPI LoadPCXIntoDIBW(LPCWSTR path, PcxErrorCode* error) {
    ErrorSlot slot(error);
    PcxErrorCode* code = slot.get();
    ImageLocation image;
    if (!LocatePcxFile(path, GENERIC_READ, &image, code)) return nullptr;
    return DecodePcxToDib(image.file.get(), image.start, image.end, code, nullptr, TRUE);
}

extern "C" HGLOBAL WINAPI LoadPCXIntoDIBA(LPCSTR path, PcxErrorCode* code) {
    return CallWithWidePath(LoadPCXIntoDIBW, path, code);
}

extern "C" HGLOBAL WINAPI LoadNonRGBPCXIntoDIBW(LPCWSTR path, PcxErrorCode* error) {
    ErrorSlot slot(error);
    PcxErrorCode* code = slot.get();
    HGLOBAL dib;
    {
        ImageLocation image;
        if (!LocatePcxFile(path, GENERIC_READ | GENERIC_WRITE, &image, code)) return nullptr;
        // The encoding byte holds the colour space, so it is not checked.
        dib = DecodePcxToDib(image.file.get(), image.start, image.end, code, nullptr, FALSE);
    }
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
