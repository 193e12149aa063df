// CopyPcxToClipboard: a decoded PCX image handed to the clipboard.
#include "ui/CopyPcxToClipboard.h"

#include "KyPCX.h"
#include "pcx/decode/DecodePcxToBitmap.h"
#include "win/HandleGuards.h"

kypcx::Status CopyPcxToClipboard(HANDLE file, ULONGLONG start, ULONGLONG end) {
    // Decode first, so the clipboard is held only for the hand-over.
    kypcx::Status status = kypcx::Status::Ok;
    ScopedGdiObject<HBITMAP> bitmap(DecodePcxToBitmap(file, start, end, nullptr, &status));
    if (!bitmap) return status;
    bool placed = false;
    {
        ScopedClipboard clipboard;
        if (!clipboard) return kypcx::Status::ClipboardNotOpened;
        EmptyClipboard();
        placed = SetClipboardData(CF_BITMAP, bitmap.get()) != nullptr;
    }
    // Still ours when the system did not take it.
    if (!placed) return kypcx::Status::ClipboardRefused;
    bitmap.release();  // the system owns it now
    return kypcx::Status::Ok;
}
