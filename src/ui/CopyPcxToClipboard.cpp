// CopyPcxToClipboard: a decoded PCX image handed to the clipboard.
#include "ui/CopyPcxToClipboard.h"

#include "KyPCX.h"
#include "frame/HandleGuards.h"
#include "pcx/decode/DecodePcxToBitmap.h"

int CopyPcxToClipboard(HANDLE file, ULONGLONG start, ULONGLONG end, PcxErrorCode* code) {
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
