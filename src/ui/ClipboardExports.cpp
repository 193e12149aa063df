// PutPCXToClipboardW/A: a PCX file decoded and put on the clipboard.
#include <windows.h>

#include "KyPCX.h"
#include "frame/AnsiEntry.h"
#include "frame/ErrorSlot.h"
#include "frame/ExportCodes.h"
#include "frame/ImageLocation.h"
#include "ui/CopyPcxToClipboard.h"

extern "C" int WINAPI PutPCXToClipboardW(LPCWSTR path, PcxErrorCode* error) {
    ErrorSlot slot(error);
    PcxErrorCode* code = slot.get();
    ImageLocation image;
    if (!ReportExportCode(LocatePcxFile(path, GENERIC_READ | GENERIC_WRITE, &image), code)) return 0;
    const kypcx::Status status = CopyPcxToClipboard(image.file.get(), image.start, image.end);
    *code = ExportCodeOf(status);
    return status == kypcx::Status::Ok ? 1 : 0;
}

extern "C" int WINAPI PutPCXToClipboardA(LPCSTR path, PcxErrorCode* code) {
    return CallWithWidePath(PutPCXToClipboardW, path, code);
}
