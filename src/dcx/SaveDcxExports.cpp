// SaveBitmapInDCXFormatW/A, SaveDIBInDCXFormatW/A and
// SaveNonRGBDIBInDCXFormatW/A: one image added to a DCX file, which is made
// first when it does not exist. A save that fails leaves no file it made.
#include <windows.h>

#include "KyPCX.h"
#include "dcx/AddImageExports.h"
#include "dcx/DcxDirectory.h"
#include "frame/AnsiEntry.h"
#include "frame/ErrorSlot.h"
#include "frame/ExportCodes.h"
#include "frame/FileAccess.h"
#include "kypcx/dib_layout.h"
#include "pcx/encode/EncodeDibToPcx.h"
#include "win/HandleGuards.h"

namespace {

// Makes the DCX file (an empty directory) when no file of that name exists, adds the image
// with `add`, and removes the file again if it was made here and the add
// failed. The caller's code is set to 1 first, so what it held before the
// call cannot pass for a failure of the making.
BOOL SaveIntoDcx(LPCWSTR path, PcxErrorCode* code, BOOL (*add)(LPCWSTR path, void* image, PcxErrorCode* code),
                 void* image) {
    *code = PCX_OK;
    if (path == nullptr) return ReportExportCode(kypcx::Status::FileNotOpened, code);
    BOOL made = FALSE;
    const bool opens = ScopedFile(OpenFileFor(path, GENERIC_READ | GENERIC_WRITE)).valid();
    if (!opens && GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES) {
        // A file that exists but cannot be opened (held elsewhere, read-only)
        // is left alone.
        return ReportExportCode(kypcx::Status::FileNotOpened, code);
    }
    // The file it made, if any, is already removed again when this fails.
    if (!opens && !ReportExportCode(WriteEmptyDcxFile(path, &made), code)) return FALSE;
    const BOOL added = add(path, image, code);
    if (!added && made) DeleteFileW(path);
    return added;
}

BOOL AddBitmap(LPCWSTR path, void* image, PcxErrorCode* code) {
    return AddBitmapToDCXFileW(static_cast<HBITMAP>(image), path, code, nullptr);
}

BOOL AddDib(LPCWSTR path, void* image, PcxErrorCode* code) {
    return AddDIBToDCXFileW(static_cast<HGLOBAL>(image), path, code, nullptr);
}

BOOL AddNonRgbDib(LPCWSTR path, void* image, PcxErrorCode* code) {
    return AddNonRgbDibToDcxFile(static_cast<HGLOBAL>(image), path, code, nullptr);
}

}  // namespace

extern "C" BOOL WINAPI SaveBitmapInDCXFormatW(LPCWSTR path, HBITMAP bitmap, PcxErrorCode* error) {
    ErrorSlot slot(error);
    PcxErrorCode* code = slot.get();
    return SaveIntoDcx(path, code, AddBitmap, bitmap);
}

extern "C" BOOL WINAPI SaveBitmapInDCXFormatA(LPCSTR path, HBITMAP bitmap, PcxErrorCode* error) {
    return CallWithWidePath(SaveBitmapInDCXFormatW, path, bitmap, error);
}

extern "C" BOOL WINAPI SaveDIBInDCXFormatW(LPCWSTR path, HGLOBAL dib, PcxErrorCode* error) {
    ErrorSlot slot(error);
    PcxErrorCode* code = slot.get();
    return SaveIntoDcx(path, code, AddDib, dib);
}

extern "C" BOOL WINAPI SaveDIBInDCXFormatA(LPCSTR path, HGLOBAL dib, PcxErrorCode* error) {
    return CallWithWidePath(SaveDIBInDCXFormatW, path, dib, error);
}

extern "C" BOOL WINAPI SaveNonRGBDIBInDCXFormatW(LPCWSTR path, HGLOBAL dib, PcxErrorCode* error) {
    ErrorSlot slot(error);
    PcxErrorCode* code = slot.get();
    // A DIB without a colour-space code is refused before any file is made.
    if (!kypcx::IsColorSpaceCode(GetDibColorSpace(dib))) return ReportExportCode(kypcx::Status::BadColorSpace, code);
    return SaveIntoDcx(path, code, AddNonRgbDib, dib);
}

extern "C" BOOL WINAPI SaveNonRGBDIBInDCXFormatA(LPCSTR path, HGLOBAL dib, PcxErrorCode* error) {
    return CallWithWidePath(SaveNonRGBDIBInDCXFormatW, path, dib, error);
}
