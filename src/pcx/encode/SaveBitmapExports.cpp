// SaveBitmapInPCXFormatW/A and SavePCXFileFromClipboardW/A: a device bitmap,
// or the one on the clipboard, saved as a PCX file.
#include <windows.h>

#include "KyPCX.h"
#include "frame/AnsiEntry.h"
#include "frame/ErrorSlot.h"
#include "frame/HandleGuards.h"
#include "pcx/encode/EncodeBitmapToPcx.h"
#include "pcx/encode/PcxSaveFile.h"

extern "C" BOOL WINAPI SaveBitmapInPCXFormatW(LPCWSTR path, HBITMAP bitmap, PcxErrorCode* error) {
    ErrorSlot slot(error);
    return SaveAsPcxFile(path, slot.get(), [&](HANDLE file, PcxErrorCode* c) {
        return EncodeBitmapToPcx(bitmap, file, FALSE, c, nullptr);
    });
}

extern "C" BOOL WINAPI SaveBitmapInPCXFormatA(LPCSTR path, HBITMAP bitmap, PcxErrorCode* error) {
    return CallWithWidePath(SaveBitmapInPCXFormatW, path, bitmap, error);
}

extern "C" BOOL WINAPI SavePCXFileFromClipboardW(LPCWSTR path, PcxErrorCode* error) {
    ErrorSlot slot(error);
    PcxErrorCode* code = slot.get();
    // No bitmap on the clipboard is reported as the clipboard giving none.
    if (!IsClipboardFormatAvailable(CF_BITMAP)) {
        *code = PCX_ERR_CLIPBOARD_DATA;
        return FALSE;
    }
    ScopedClipboard clipboard;
    if (!clipboard) {
        *code = PCX_ERR_OPEN_CLIPBOARD;
        return FALSE;
    }
    // The bitmap stays the clipboard's: it is neither copied nor deleted.
    HBITMAP bitmap = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP));
    BOOL saved = FALSE;
    if (bitmap == nullptr) *code = PCX_ERR_CLIPBOARD_DATA;
    else saved = SaveBitmapInPCXFormatW(path, bitmap, code);
    return saved;
}

extern "C" BOOL WINAPI SavePCXFileFromClipboardA(LPCSTR path, PcxErrorCode* error) {
    return CallWithWidePath(SavePCXFileFromClipboardW, path, error);
}
