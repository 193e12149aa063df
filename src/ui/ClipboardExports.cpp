// PutPCXToClipboardW/A: a PCX file decoded and put on the clipboard.
#include <windows.h>

#include "KyPCX.h"
#include "frame/AnsiEntry.h"
#include "frame/ErrorSlot.h"
#include "frame/ImageLocation.h"
#include "ui/CopyPcxToClipboard.h"

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
