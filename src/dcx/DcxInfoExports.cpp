// MakeDCXFileW/A, GetDCXInfoW/A, GetNumberOfImagesInDCXFileW/A,
// DCXItemInfoW/A and the extension DCXItemExtentW/A: making an empty DCX
// file and reading its directory.
#include <windows.h>

#include "KyPCX.h"
#include "dcx/DcxDirectory.h"
#include "frame/AnsiEntry.h"
#include "frame/ErrorSlot.h"
#include "frame/ExportCodes.h"
#include "pcx/decode/ReadPcxHeader.h"

extern "C" int WINAPI MakeDCXFileW(LPCWSTR path, PcxErrorCode* error) {
    ErrorSlot slot(error);
    PcxErrorCode* code = slot.get();
    return WriteEmptyDcxFile(path, code, nullptr);
}

extern "C" int WINAPI MakeDCXFileA(LPCSTR path, PcxErrorCode* code) { return CallWithWidePath(MakeDCXFileW, path, code); }

extern "C" UINT WINAPI GetDCXInfoW(LPCWSTR path, PcxErrorCode* error) {
    ErrorSlot slot(error);
    PcxErrorCode* code = slot.get();
    ScopedFile file(OpenFileFor(path, GENERIC_READ));
    if (!file.valid()) {
        *code = PCX_ERR_OPEN_FILE;
        return 0;
    }
    // A directory cut short is counted as far as it was read.
    kypcx::DcxDirectory directory;
    if (!ReadDcxDirectory(file.get(), &directory, nullptr, code)) return 0;
    if (!kypcx::HasDcxMagic(directory)) {
        *code = PCX_ERR_DCX_ID;
        return 0;
    }
    return kypcx::CountDcxItems(directory);
}

extern "C" UINT WINAPI GetDCXInfoA(LPCSTR path, PcxErrorCode* code) { return CallWithWidePath(GetDCXInfoW, path, code); }

extern "C" UINT WINAPI GetNumberOfImagesInDCXFileW(LPCWSTR path) {
    PcxErrorCode ignored = PCX_OK;
    return GetDCXInfoW(path, &ignored);
}

extern "C" UINT WINAPI GetNumberOfImagesInDCXFileA(LPCSTR path) {
    return CallWithWidePath(GetNumberOfImagesInDCXFileW, path);
}

extern "C" int WINAPI DCXItemInfoW(LPCWSTR path, UINT index, PcxHeader* header, PcxErrorCode* error) {
    ErrorSlot slot(error);
    PcxErrorCode* code = slot.get();
    *code = PCX_OK;
    if (header == nullptr) {
        *code = ExportCodeOf(kypcx::Status::NoAnswerBlock);
        return 0;
    }
    ImageLocation item;
    if (!LocateDcxItem(path, index, &item, code, true)) return 0;
    const kypcx::Status status = ReadPcxFileHeader(item.file.get(), item.start, kypcx::ClassicHeaderRules(true), header);
    *code = ExportCodeOf(status);
    return status == kypcx::Status::Ok ? 1 : 0;
}

extern "C" int WINAPI DCXItemInfoA(LPCSTR path, UINT index, PcxHeader* header, PcxErrorCode* code) {
    return CallWithWidePath(DCXItemInfoW, path, index, header, code);
}

extern "C" BOOL WINAPI DCXItemExtentW(LPCWSTR path, UINT index, ULONGLONG* start, ULONGLONG* end,
                                     PcxErrorCode* error) {
    ErrorSlot slot(error);
    PcxErrorCode* code = slot.get();
    *code = PCX_OK;
    if (start == nullptr || end == nullptr) {  // nowhere to put the answer
        *code = PCX_ERR_FILE_IO;
        return FALSE;
    }
    ImageLocation item;
    if (!LocateDcxItem(path, index, &item, code)) {
        // Behind the end of the list there is no page either.
        if (*code == PCX_OK) *code = PCX_ERR_NO_ITEM;
        return FALSE;
    }
    *start = item.start;
    *end = item.end;
    return TRUE;
}

extern "C" BOOL WINAPI DCXItemExtentA(LPCSTR path, UINT index, ULONGLONG* start, ULONGLONG* end, PcxErrorCode* code) {
    return CallWithWidePath(DCXItemExtentW, path, index, start, end, code);
}
