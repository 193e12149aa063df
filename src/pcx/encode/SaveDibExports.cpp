// SaveDIBInPCXFormatW/A and SaveNonRGBDIBInPCXFormatW/A: a DIB saved as a
// PCX file, the second with the DIB's colour-space code in the header.
#include <windows.h>

#include "KyPCX.h"
#include "frame/AnsiEntry.h"
#include "frame/ErrorSlot.h"
#include "frame/ExportCodes.h"
#include "kypcx/dib_layout.h"
#include "pcx/encode/EncodeDibToPcx.h"
#include "pcx/encode/PcxSaveFile.h"

extern "C" BOOL WINAPI SaveDIBInPCXFormatW(LPCWSTR path, HGLOBAL dib, PcxErrorCode* error) {
    ErrorSlot slot(error);
    const kypcx::Status saved =
        SaveAsPcxFile(path, [&](HANDLE file) { return EncodeDibToPcx(dib, file, FALSE, nullptr); });
    return ReportExportCode(saved, slot.get());
}

extern "C" BOOL WINAPI SaveDIBInPCXFormatA(LPCSTR path, HGLOBAL dib, PcxErrorCode* error) {
    return CallWithWidePath(SaveDIBInPCXFormatW, path, dib, error);
}

extern "C" BOOL WINAPI SaveNonRGBDIBInPCXFormatW(LPCWSTR path, HGLOBAL dib, PcxErrorCode* error) {
    ErrorSlot slot(error);
    const int colorSpace = GetDibColorSpace(dib);
    if (!kypcx::IsColorSpaceCode(colorSpace)) return ReportExportCode(kypcx::Status::BadColorSpace, slot.get());
    const kypcx::Status saved = SaveAsPcxFile(path, [&](HANDLE file) {
        return EncodeNonRgbDibToPcx(dib, file, FALSE, nullptr, static_cast<BYTE>(colorSpace));
    });
    return ReportExportCode(saved, slot.get());
}

extern "C" BOOL WINAPI SaveNonRGBDIBInPCXFormatA(LPCSTR path, HGLOBAL dib, PcxErrorCode* error) {
    return CallWithWidePath(SaveNonRGBDIBInPCXFormatW, path, dib, error);
}
