// PCXInfoW/A and GetPCXColorSpaceW/A: a file's header and its colour-space byte.
#include <windows.h>

#include "KyPCX.h"
#include "frame/AnsiEntry.h"
#include "frame/ErrorSlot.h"
#include "frame/ExportCodes.h"
#include "frame/FileAccess.h"
#include "pcx/decode/ReadPcxHeader.h"
#include "win/HandleGuards.h"

extern "C" BOOL WINAPI PCXInfoW(LPCWSTR path, PcxHeader* header, PcxErrorCode* error) {
    ErrorSlot slot(error);
    PcxErrorCode* code = slot.get();
    if (header == nullptr) {
        *code = ExportCodeOf(kypcx::Status::NoAnswerBlock);
        return FALSE;
    }
    // Inspection opens for reading and writing without sharing, so a
    // read-only file, or one held open elsewhere, cannot be inspected.
    ScopedFile file(OpenFileFor(path, GENERIC_READ | GENERIC_WRITE));
    if (!file.valid()) {
        *code = ExportCodeOf(kypcx::Status::FileNotOpened);
        return FALSE;
    }
    const kypcx::Status status = ReadPcxFileHeader(file.get(), 0, kypcx::ClassicHeaderRules(true), header);
    if (status == kypcx::Status::Ok) return TRUE;
    *code = ExportCodeOf(status);
    return FALSE;
}

extern "C" BOOL WINAPI PCXInfoA(LPCSTR path, PcxHeader* header, PcxErrorCode* code) {
    return CallWithWidePath(PCXInfoW, path, header, code);
}

extern "C" LONG WINAPI GetPCXColorSpaceW(LPCWSTR path) {
    // Opened as PCXInfoW opens it.
    ScopedFile file(OpenFileFor(path, GENERIC_READ | GENERIC_WRITE));
    if (!file.valid()) return -1;
    PcxHeader header;
    if (ReadPcxFileHeader(file.get(), 0, kypcx::ClassicHeaderRules(false), &header) != kypcx::Status::Ok) return -1;
    return header.encoding;
}

extern "C" LONG WINAPI GetPCXColorSpaceA(LPCSTR path) { return CallWithWidePath(GetPCXColorSpaceW, path); }
