// CopyPcxToClipboard and PutPCXToClipboardW/A.
#include "ui/CopyPcxToClipboard.h"

#include "KyPCX.h"
#include "frame/AnsiEntry.h"
#include "frame/ErrorSlot.h"
#include "frame/HandleGuards.h"
#include "frame/ImageLocation.h"
#include "pcx/decode/DecodePcxToBitmap.h"

int CopyPcxToClipboard(HANDLE file, DWORD start, DWORD end, PcxErrorCode* code) {
    // Decode first, so the clipboard is held only for the hand-over.
    ScopedGdiObject<HBITMAP> bitmap(DecodePcxToBitmap(file, start, end, code, nullptr));
    if (!bitmap) return 0;
    bool placed = false;
    {
        ScopedClipboard clipboard;
        if (!clipboard) {
            *code = PCX_ERR_OPEN_CLIPBOARD;
            return 0;
        }
        EmptyClipboard();
        placed = SetClipboardData(CF_BITMAP, bitmap.get()) != nullptr;
    }
    if (!placed) {
        // Still ours: the system did not take it.
        *code = PCX_ERR_OPEN_CLIPBOARD;
        return 0;
    }
    bitmap.release();  // the system owns it now
    return 1;
}

extern "C" int WINAPI PutPCXToClipboardW(LPCWSTR path, PcxErrorCode* error) {
    ErrorSlot slot(error);
    PcxErrorCode* code = slot.get();
    ImageLocation image;
    if (!LocatePcxFile(path, GENERIC_READ | GENERIC_WRITE, &image, code)) return 0;
    return CopyPcxToClipboard(image.file.get(), image.start, image.end, code);
}

extern "C" int WINAPI PutPCXToClipboardA(LPCSTR path, PcxErrorCode* code) {
    return CallWithWidePath(PutPCXToClipboardW, path, code);
}
