// A switch that makes the rename ending a DCX rewrite fail, as a file system
// refusing it would.
#include <windows.h>

#include "ImportRedirect.h"

namespace {

using MoveFunction = BOOL(WINAPI*)(LPCWSTR, LPCWSTR, DWORD);

MoveFunction g_originalMove = nullptr;

BOOL WINAPI RefusedMove(LPCWSTR, LPCWSTR, DWORD) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
}

}  // namespace

extern "C" {

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
