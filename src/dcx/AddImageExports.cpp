// AddBitmapToDCXFileW/A, AddDIBToDCXFileW/A, AddClipboardToDCXFileW/A and
// the internal AddNonRgbDibToDcxFile: an image encoded straight onto the end
// of a DCX file by the PCX encoders in append mode, then listed in the first
// empty directory entry. A failed add cuts the file back to its old length,
// so the file is either as it was or holds the new item, listed. A file
// whose new item could end past 4 GiB is refused before anything is written.
#include "dcx/AddImageExports.h"

#include "dcx/AddDcxItem.h"

#include "dcx/DcxDirectory.h"
#include "frame/AnsiEntry.h"
#include "frame/ErrorSlot.h"
#include "frame/ExportCodes.h"
#include "frame/FileAccess.h"
#include "kypcx/dib_layout.h"
#include "pcx/encode/EncodeBitmapToPcx.h"
#include "pcx/encode/EncodeDibToPcx.h"
#include "win/HandleGuards.h"


extern "C" BOOL WINAPI AddBitmapToDCXFileW(HBITMAP bitmap, LPCWSTR path, PcxErrorCode* error,
                                          PcxLineCallback callback) {
    ErrorSlot slot(error);
    const auto encode = [&](HANDLE file, ULONGLONG endLimit) {
        return EncodeBitmapToPcx(bitmap, file, TRUE, callback, endLimit);
    };
    return AddImageToDcxFile(encode, path, slot.get());
}

extern "C" BOOL WINAPI AddBitmapToDCXFileA(HBITMAP bitmap, LPCSTR path, PcxErrorCode* error,
                                          PcxLineCallback callback) {
    return CallWithWidePath(AddBitmapToDCXFileW, bitmap, path, error, callback);
}

extern "C" BOOL WINAPI AddDIBToDCXFileW(HGLOBAL dib, LPCWSTR path, PcxErrorCode* error, PcxDibLineCallback callback) {
    ErrorSlot slot(error);
    const auto encode = [&](HANDLE file, ULONGLONG endLimit) {
        return EncodeDibToPcx(dib, file, TRUE, callback, endLimit);
    };
    return AddImageToDcxFile(encode, path, slot.get());
}

extern "C" BOOL WINAPI AddDIBToDCXFileA(HGLOBAL dib, LPCSTR path, PcxErrorCode* error, PcxDibLineCallback callback) {
    return CallWithWidePath(AddDIBToDCXFileW, dib, path, error, callback);
}

BOOL AddNonRgbDibToDcxFile(HGLOBAL dib, LPCWSTR path, PcxErrorCode* code, PcxDibLineCallback callback) {
    const int colorSpace = GetDibColorSpace(dib);
    if (!kypcx::IsColorSpaceCode(colorSpace)) return ReportExportCode(kypcx::Status::BadColorSpace, code);
    const auto encode = [&](HANDLE file, ULONGLONG endLimit) {
        return EncodeNonRgbDibToPcx(dib, file, TRUE, callback, static_cast<BYTE>(colorSpace), endLimit);
    };
    return AddImageToDcxFile(encode, path, code);
}

extern "C" BOOL WINAPI AddClipboardToDCXFileW(LPCWSTR path, PcxErrorCode* error) {
    ErrorSlot slot(error);
    PcxErrorCode* code = slot.get();
    // No bitmap on the clipboard: nothing to add, and no code, since
    // nothing failed; the result alone says no page was added.
    if (!IsClipboardFormatAvailable(CF_BITMAP)) return FALSE;
    ScopedClipboard clipboard;
    if (!clipboard) return ReportExportCode(kypcx::Status::ClipboardNotOpened, code);
    // The bitmap stays the clipboard's; the clipboard is kept open while it
    // is read, so no other program can free it meanwhile.
    HBITMAP bitmap = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP));
    if (bitmap == nullptr) return ReportExportCode(kypcx::Status::NoClipboardBitmap, code);
    return AddBitmapToDCXFileW(bitmap, path, code, nullptr);
}

extern "C" BOOL WINAPI AddClipboardToDCXFileA(LPCSTR path, PcxErrorCode* error) {
    return CallWithWidePath(AddClipboardToDCXFileW, path, error);
}
