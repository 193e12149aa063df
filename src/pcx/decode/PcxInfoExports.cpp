// PCXInfoW/A and GetPCXColorSpaceW/A: a file's header and its colour-space byte.
#include <windows.h>

#include "KyPCX.h"
#include "frame/AnsiEntry.h"
#include "frame/ErrorSlot.h"
#include "frame/FileAccess.h"
#include "frame/HandleGuards.h"
#include "pcx/decode/ReadPcxHeader.h"

extern "C" BOOL WINAPI PCXInfoW(LPCWSTR path, PcxHeader* header, PcxErrorCode* error) {
    ErrorSlot slot(error);
    PcxErrorCode* code = slot.get();
    if (header == nullptr) {  // nowhere to read the header into
        *code = PCX_ERR_FILE_IO;
        return FALSE;
    }
    // Inspection opens for reading and writing without sharing, so a
    // read-only file, or one held open elsewhere, cannot be inspected.
    ScopedFile file(OpenFileFor(path, GENERIC_READ | GENERIC_WRITE));
    if (!file.valid()) {
        *code = PCX_ERR_OPEN_FILE;
        return FALSE;
    }
    return ReadPcxHeader(file.get(), 0, header, code, TRUE);
}

extern "C" BOOL WINAPI PCXInfoA(LPCSTR path, PcxHeader* header, PcxErrorCode* code) {
    return CallWithWidePath(PCXInfoW, path, header, code);
}

extern "C" LONG WINAPI GetPCXColorSpaceW(LPCWSTR path) {
    // Opened as PCXInfoW opens it.
    ScopedFile file(OpenFileFor(path, GENERIC_READ | GENERIC_WRITE));
    if (!file.valid()) return -1;
    PcxHeader header;
    PcxErrorCode code = PCX_OK;
    if (!ReadPcxHeader(file.get(), 0, &header, &code, FALSE)) return -1;
    return header.encoding;
}

extern "C" LONG WINAPI GetPCXColorSpaceA(LPCSTR path) { return CallWithWidePath(GetPCXColorSpaceW, path); }
