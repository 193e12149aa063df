// CopyPcxToClipboard and PutPCXToClipboardW/A.
#include "ui/CopyPcxToClipboard.h"

#include "KyPCX.h"
#include "frame/AnsiEntry.h"
#include "frame/ErrorSlot.h"
#include "frame/FileLength.h"
#include "frame/HandleGuards.h"
#include "pcx/decode/DecodePcxToBitmap.h"

int CopyPcxToClipboard(HANDLE file, DWORD start, DWORD end, PcxErrorCode* code) {
    // Decode first, so the clipboard is held only for the hand-over.
    ScopedGdiObject<HBITMAP> bitmap(DecodePcxToBitmap(file, start, end, code, nullptr));
    if (!bitmap) return 0;
    if (!OpenClipboard(nullptr)) {
        *code = PCX_ERR_OPEN_CLIPBOARD;
        return 0;
    }
    EmptyClipboard();
    const bool placed = SetClipboardData(CF_BITMAP, bitmap.get()) != nullptr;
    CloseClipboard();
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
    ScopedFile file(path == nullptr ? INVALID_HANDLE_VALUE
                                    : CreateFileW(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) {
        *code = PCX_ERR_OPEN_FILE;
        return 0;
    }
    return CopyPcxToClipboard(file.get(), 0, GetFileLength(file.get()), code);
}

extern "C" int WINAPI PutPCXToClipboardA(LPCSTR path, PcxErrorCode* code) {
    return CallWithWidePath(PutPCXToClipboardW, path, code);
}
