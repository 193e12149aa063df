// SaveDIBInPCXFormatW/A and SaveNonRGBDIBInPCXFormatW/A: a DIB saved as a
// PCX file, the second with the DIB's colour-space code in the header.
#include <windows.h>

#include "KyPCX.h"
#include "frame/AnsiEntry.h"
#include "frame/ErrorSlot.h"
#include "kypcx/pcx_encode_dib_layout.h"
#include "pcx/encode/EncodeDibToPcx.h"
#include "pcx/encode/PcxSaveFile.h"

extern "C" BOOL WINAPI SaveDIBInPCXFormatW(LPCWSTR path, HGLOBAL dib, PcxErrorCode* error) {
    ErrorSlot slot(error);
    PcxErrorCode* code = slot.get();
    PcxSaveFile file(path);
    if (!file.valid()) {
        *code = PCX_ERR_OPEN_FILE;
        return FALSE;
    }
    const BOOL saved = EncodeDibToPcx(dib, file.get(), FALSE, code, nullptr);
    file.Finish();
    return saved;
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
    PcxSaveFile file(path);
    if (!file.valid()) {
        *code = PCX_ERR_OPEN_FILE;
        return FALSE;
    }
    const BOOL saved =
        EncodeNonRgbDibToPcx(dib, file.get(), FALSE, code, nullptr, static_cast<BYTE>(colorSpace));
    file.Finish();
    return saved;
}

extern "C" BOOL WINAPI SaveNonRGBDIBInPCXFormatA(LPCSTR path, HGLOBAL dib, PcxErrorCode* error) {
    return CallWithWidePath(SaveNonRGBDIBInPCXFormatW, path, dib, error);
}
