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
    const kypcx::Status status = WriteEmptyDcxFile(path, nullptr);
    // The code is written only on failure.
    if (status != kypcx::Status::Ok) *slot.get() = ExportCodeOf(status);
    return status == kypcx::Status::Ok ? 1 : 0;
}

extern "C" int WINAPI MakeDCXFileA(LPCSTR path, PcxErrorCode* code) { return CallWithWidePath(MakeDCXFileW, path, code); }

extern "C" UINT WINAPI GetDCXInfoW(LPCWSTR path, PcxErrorCode* error) {
    ErrorSlot slot(error);
    PcxErrorCode* code = slot.get();
    ScopedFile file(OpenFileFor(path, GENERIC_READ));
    if (!file.valid()) {
        *code = ExportCodeOf(kypcx::Status::FileNotOpened);
        return 0;
    }
    // A directory cut short is counted as far as it was read.
    kypcx::DcxDirectory directory;
    kypcx::Status status = ReadDcxDirectory(file.get(), &directory);
    if (status == kypcx::Status::Ok && !kypcx::HasDcxMagic(directory)) status = kypcx::Status::NotDcx;
    if (status != kypcx::Status::Ok) {
        *code = ExportCodeOf(status);
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
    kypcx::Status status = LocateDcxItem(path, index, &item, true);
    if (status != kypcx::Status::Ok) {
        *code = ExportCodeOf(status, ExportGroup::DcxPageRead);
        return 0;
    }
    status = ReadPcxFileHeader(item.file.get(), item.start, kypcx::ClassicHeaderRules(true), header);
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
    // Nowhere to put the answer.
    if (start == nullptr || end == nullptr) return ReportExportCode(kypcx::Status::NoAnswerBlock, code);
    ImageLocation item;
    // Behind the end of the list there is no page either.
    if (!ReportExportCode(LocateDcxItem(path, index, &item), code)) return FALSE;
    *start = item.start;
    *end = item.end;
    return TRUE;
}

extern "C" BOOL WINAPI DCXItemExtentA(LPCSTR path, UINT index, ULONGLONG* start, ULONGLONG* end, PcxErrorCode* code) {
    return CallWithWidePath(DCXItemExtentW, path, index, start, end, code);
}
