// Exports of the probe build only (KyPCXProbe.dll): the DCX writing
// internals that no client export reaches directly, and a switch that makes
// the rename ending a rewrite fail, as a file system refusing it would.
#include <windows.h>

#include "dcx/AddImageToDcxFile.h"
#include "frame/ProbeImportSlot.h"

namespace {

using MoveFunction = BOOL(WINAPI*)(LPCWSTR, LPCWSTR, DWORD);

MoveFunction g_originalMove = nullptr;

BOOL WINAPI RefusedMove(LPCWSTR, LPCWSTR, DWORD) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
}

}  // namespace

extern "C" {

BOOL WINAPI KyPcxProbeAddNonRgbDibToDcxFile(HGLOBAL dib, LPCWSTR path, PcxErrorCode* code,
                                            PcxDibLineCallback callback) {
    return AddNonRgbDibToDcxFile(dib, path, code, callback);
}

// TRUE: every MoveFileExW of the library fails with ERROR_ACCESS_DENIED until
// called with FALSE. Returns whether the switch took effect.
BOOL WINAPI KyPcxProbeRefuseMoves(BOOL refuse) {
    if (!refuse) {
        return g_originalMove != nullptr &&
               RedirectImport("MoveFileExW", reinterpret_cast<void*>(g_originalMove)) != nullptr;
    }
    void* previous = RedirectImport("MoveFileExW", reinterpret_cast<void*>(RefusedMove));
    if (previous == nullptr) return FALSE;
    if (g_originalMove == nullptr) g_originalMove = reinterpret_cast<MoveFunction>(previous);
    return TRUE;
}

}
