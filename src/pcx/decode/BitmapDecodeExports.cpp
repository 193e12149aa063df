// LoadPCXIntoBitmapW/A and FlushPCXLine, the default line function of the
// bitmap decoders: a PCX file into a screen bitmap, a band of rows at a time.
#include <windows.h>

#include "KyPCX.h"
#include "frame/AnsiEntry.h"
#include "frame/ErrorSlot.h"
#include "frame/ExportCodes.h"
#include "frame/ImageLocation.h"
#include "frame/PcxThreadState.h"
#include "pcx/decode/DecodePcxToBitmap.h"

extern "C" BOOL CALLBACK FlushPCXLine(BYTE* rows, INT_PTR startRow, INT_PTR rowCount, HBITMAP bitmap, HDC dc,
                                      void* description) {
    if (rowCount == 0) return TRUE;
    const int copied = SetDIBits(dc, bitmap, static_cast<UINT>(startRow), static_cast<UINT>(rowCount), rows,
                                 static_cast<BITMAPINFO*>(description), GetPcxThreadState()->colorUsage);
    return copied == rowCount;
}

extern "C" HBITMAP WINAPI LoadPCXIntoBitmapW(LPCWSTR path, PcxErrorCode* error) {
    ErrorSlot slot(error);
    PcxErrorCode* code = slot.get();
    ImageLocation image;
    if (!ReportExportCode(LocatePcxFile(path, GENERIC_READ, &image), code)) return nullptr;
    kypcx::Status status = kypcx::Status::Ok;
    HBITMAP bitmap = DecodePcxToBitmap(image.file.get(), image.start, image.end, nullptr, &status);
    *code = ExportCodeOf(status);
    return bitmap;
}

extern "C" HBITMAP WINAPI LoadPCXIntoBitmapA(LPCSTR path, PcxErrorCode* code) {
    return CallWithWidePath(LoadPCXIntoBitmapW, path, code);
}
