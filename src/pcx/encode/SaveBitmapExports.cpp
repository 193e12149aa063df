// SaveBitmapInPCXFormatW/A and SavePCXFileFromClipboardW/A: a device bitmap,
// or the one on the clipboard, saved as a PCX file.
#include <windows.h>

#include "KyPCX.h"
#include "frame/AnsiEntry.h"
#include "frame/ErrorSlot.h"
#include "frame/ExportCodes.h"
#include "pcx/encode/EncodeBitmapToPcx.h"
#include "pcx/encode/PcxSaveFile.h"
#include "win/HandleGuards.h"

namespace {

using kypcx::Status;

Status SaveBitmap(LPCWSTR path, HBITMAP bitmap) {
    return SaveAsPcxFile(path, [&](HANDLE file) { return EncodeBitmapToPcx(bitmap, file, FALSE, nullptr); });
}

}  // namespace

extern "C" BOOL WINAPI SaveBitmapInPCXFormatW(LPCWSTR path, HBITMAP bitmap, PcxErrorCode* error) {
    ErrorSlot slot(error);
    return ReportExportCode(SaveBitmap(path, bitmap), slot.get());
}

extern "C" BOOL WINAPI SaveBitmapInPCXFormatA(LPCSTR path, HBITMAP bitmap, PcxErrorCode* error) {
    return CallWithWidePath(SaveBitmapInPCXFormatW, path, bitmap, error);
}

extern "C" BOOL WINAPI SavePCXFileFromClipboardW(LPCWSTR path, PcxErrorCode* error) {
    ErrorSlot slot(error);
    // No bitmap on the clipboard is reported as the clipboard giving none.
    if (!IsClipboardFormatAvailable(CF_BITMAP)) return ReportExportCode(Status::NoClipboardBitmap, slot.get());
    ScopedClipboard clipboard;
    if (!clipboard) return ReportExportCode(Status::ClipboardNotOpened, slot.get());
    // The bitmap stays the clipboard's: it is neither copied nor deleted.
    HBITMAP bitmap = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP));
    if (bitmap == nullptr) return ReportExportCode(Status::NoClipboardBitmap, slot.get());
    return ReportExportCode(SaveBitmap(path, bitmap), slot.get());
}

extern "C" BOOL WINAPI SavePCXFileFromClipboardA(LPCSTR path, PcxErrorCode* error) {
    return CallWithWidePath(SavePCXFileFromClipboardW, path, error);
}
