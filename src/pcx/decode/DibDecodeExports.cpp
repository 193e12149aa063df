// LoadPCXIntoDIBW/A, LoadNonRGBPCXIntoDIBW/A and ReadPCXPalette.
#include <windows.h>

#include "KyPCX.h"
#include "frame/AnsiEntry.h"
#include "frame/ErrorSlot.h"
#include "frame/FileLength.h"
#include "frame/HandleGuards.h"
#include "pcx/decode/DecodePcxToDib.h"
#include "pcx/decode/PcxPalette.h"

namespace {

HANDLE OpenExisting(LPCWSTR path, DWORD access) {
    if (path == nullptr) return INVALID_HANDLE_VALUE;
    return CreateFileW(path, access, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// The wide body of ReadPCXPalette, which is exported in its ANSI form only.
HPALETTE WINAPI ReadPcxPaletteW(LPCWSTR path, PcxHeader* header, PcxErrorCode* error) {
    ErrorSlot slot(error);
    PcxErrorCode* code = slot.get();
    ScopedFile file(OpenExisting(path, GENERIC_READ | GENERIC_WRITE));
    if (!file.valid()) {
        *code = PCX_ERR_OPEN_FILE;
        return nullptr;
    }
    if (header == nullptr) {
        *code = PCX_ERR_VERSION;
        return nullptr;
    }
    return ReadPcxPaletteFromFile(file.get(), GetFileLength(file.get()), header, code);
}

}  // namespace

extern "C" HGLOBAL WINAPI LoadPCXIntoDIBW(LPCWSTR path, PcxErrorCode* error) {
    ErrorSlot slot(error);
    PcxErrorCode* code = slot.get();
    ScopedFile file(OpenExisting(path, GENERIC_READ));
    if (!file.valid()) {
        *code = PCX_ERR_OPEN_FILE;
        return nullptr;
    }
    return DecodePcxToDib(file.get(), 0, GetFileLength(file.get()), code, nullptr, TRUE);
}

extern "C" HGLOBAL WINAPI LoadPCXIntoDIBA(LPCSTR path, PcxErrorCode* code) {
    return CallWithWidePath(LoadPCXIntoDIBW, path, code);
}

extern "C" HGLOBAL WINAPI LoadNonRGBPCXIntoDIBW(LPCWSTR path, PcxErrorCode* error) {
    ErrorSlot slot(error);
    PcxErrorCode* code = slot.get();
    HGLOBAL dib;
    {
        ScopedFile file(OpenExisting(path, GENERIC_READ | GENERIC_WRITE));
        if (!file.valid()) {
            *code = PCX_ERR_OPEN_FILE;
            return nullptr;
        }
        // The encoding byte holds the colour space, so it is not checked.
        dib = DecodePcxToDib(file.get(), 0, GetFileLength(file.get()), code, nullptr, FALSE);
    }
    if (dib != nullptr) {
        auto* info = static_cast<BITMAPINFOHEADER*>(GlobalLock(dib));
        if (info != nullptr) {
            info->biCompression = static_cast<DWORD>(GetPCXColorSpaceW(path));
            GlobalUnlock(dib);
        }
    }
    return dib;
}

extern "C" HGLOBAL WINAPI LoadNonRGBPCXIntoDIBA(LPCSTR path, PcxErrorCode* code) {
    return CallWithWidePath(LoadNonRGBPCXIntoDIBW, path, code);
}

extern "C" HPALETTE WINAPI ReadPCXPalette(LPCSTR path, PcxHeader* header, PcxErrorCode* code) {
    return CallWithWidePath(ReadPcxPaletteW, path, header, code);
}
