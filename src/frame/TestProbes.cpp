// Exports of the probe build only (KyPCXProbe.dll): internals the tests
// watch that no client export shows.
#include <windows.h>

#include "frame/FileAccess.h"
#include "frame/PcxThreadState.h"
#include "frame/HandleGuards.h"
#include "frame/WaitCursor.h"
#include "pcx/decode/DecodePcxToBitmap.h"
#include "pcx/decode/DecodePcxToDib.h"

namespace {

SavedCursorField FieldForFamily(int family) {
    switch (family) {
    case 1: return &PcxThreadState::viewerSavedCursor;
    case 2: return &PcxThreadState::memorySavedCursor;
    case 3: return &PcxThreadState::appendSavedCursor;
    default: return &PcxThreadState::coderSavedCursor;
    }
}

}  // namespace

extern "C" {

PcxThreadState* WINAPI KyPcxProbeThreadState() { return GetPcxThreadState(); }
LONG WINAPI KyPcxProbeLiveThreadStates() { return LivePcxThreadStateCount(); }
// family: 0 coder, 1 viewer, 2 memory, 3 append.
void WINAPI KyPcxProbeBeginWaitCursor(int family) { BeginWaitCursorFor(FieldForFamily(family)); }
void WINAPI KyPcxProbeEndWaitCursor(int family) { EndWaitCursorFor(FieldForFamily(family)); }
DWORD WINAPI KyPcxProbeGetFileLength(HANDLE file) { return GetFileLength(file); }

HGLOBAL WINAPI KyPcxProbeDecodeToDib(LPCWSTR path, PcxErrorCode* code, PcxDibLineCallback callback) {
    ScopedFile file(OpenExistingFile(path, GENERIC_READ));
    if (!file.valid()) return nullptr;
    return DecodePcxToDib(file.get(), 0, GetFileLength(file.get()), code, callback, TRUE);
}

HBITMAP WINAPI KyPcxProbeDecodeToBitmap(LPCWSTR path, PcxErrorCode* code, PcxLineCallback callback) {
    ScopedFile file(OpenExistingFile(path, GENERIC_READ));
    if (!file.valid()) return nullptr;
    return DecodePcxToBitmap(file.get(), 0, GetFileLength(file.get()), code, callback);
}

}
