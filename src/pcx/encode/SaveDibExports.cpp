// SaveDIBInPCXFormatW/A and SaveNonRGBDIBInPCXFormatW/A: a DIB saved as a
// PCX file, the second with the DIB's colour-space code in the header.
#include <windows.h>

#include "KyPCX.h"
#include "frame/AnsiEntry.h"
#include "frame/ErrorSlot.h"
#include "kypcx/dib_layout.h"
#include "pcx/encode/EncodeDibToPcx.h"
#include "pcx/encode/PcxSaveFile.h"

extern "C" BOOL WINAPI SaveDIBInPCXFormatW(LPCWSTR path, HGLOBAL dib, PcxErrorCode* error) {
    ErrorSlot slot(error);
    return SaveAsPcxFile(path, slot.get(), [&](HANDLE file, PcxErrorCode* c) {
        return EncodeDibToPcx(dib, file, FALSE, c, nullptr);
    });
}

extern "C" BOOL WINAPI SaveDIBInPCXFormatA(LPCSTR path, HGLOBAL dib, PcxErrorCode* error) {
    return CallWithWidePath(SaveDIBInPCXFormatW, path, dib, error);
}

extern "C" BOOL WINAPI SaveNonRGBDIBInPCXFormatW(LPCWSTR path, HGLOBAL dib, PcxErrorCode* error) {
    ErrorSlot slot(error);
    PcxErrorCode* code = slot.get();
    const int colorSpace = GetDibColorSpace(dib);
    if (!kypcx::IsColorSpaceCode(colorSpace)) {
        *code = PCX_ERR_COLOR_SPACE;
        return FALSE;
    }
    return SaveAsPcxFile(path, code, [&](HANDLE file, PcxErrorCode* c) {
        return EncodeNonRgbDibToPcx(dib, file, FALSE, c, nullptr, static_cast<BYTE>(colorSpace));
    });
}

extern "C" BOOL WINAPI SaveNonRGBDIBInPCXFormatA(LPCSTR path, HGLOBAL dib, PcxErrorCode* error) {
    return CallWithWidePath(SaveNonRGBDIBInPCXFormatW, path, dib, error);
}
