// SavePCXImageW/A: a DIB saved in any layout the layout readers read, as a
// PCX file or as a new page of a DCX file. The classic saves stay as they
// are; this is the save that keeps what they drop (alpha, a picture's few
// colours in a small layout) and writes what they do not (every layout,
// stored lines).
#include <windows.h>

#include "KyPCX.h"
#include "dcx/AddDcxItem.h"
#include "frame/AnsiEntry.h"
#include "frame/ErrorSlot.h"
#include "frame/ExportCodes.h"
#include "pcx/encode/EncodeDibInLayout.h"
#include "pcx/encode/PcxSaveFile.h"

extern "C" BOOL WINAPI SavePCXImageW(LPCWSTR path, HGLOBAL dib, DWORD flags, PcxErrorCode* error,
                                    PcxDibLineCallback callback) {
    ErrorSlot slot(error);
    DibSaveChoice choice;
    const kypcx::Status read = ReadDibSaveFlags(flags, &choice);
    if (read != kypcx::Status::Ok) return ReportExportCode(read, slot.get());
    if (choice.dcxPage) {
        const auto encode = [&](HANDLE file, ULONGLONG endLimit) {
            return EncodeDibInLayout(dib, file, TRUE, callback, choice, endLimit);
        };
        // What stopped the encoder is reported as it is: a picture the
        // layout cannot hold is no file error.
        return AddImageToDcxFile(encode, path, slot.get(), ExportGroup::Common);
    }
    const kypcx::Status saved =
        SaveAsPcxFile(path, [&](HANDLE file) { return EncodeDibInLayout(dib, file, FALSE, callback, choice); });
    return ReportExportCode(saved, slot.get());
}

extern "C" BOOL WINAPI SavePCXImageA(LPCSTR path, HGLOBAL dib, DWORD flags, PcxErrorCode* error,
                                    PcxDibLineCallback callback) {
    return CallWithWidePath(SavePCXImageW, path, dib, flags, error, callback);
}
