// Probes of the thread's block: its address and the count of live blocks,
// the wait-cursor pairs of each family, and the file-length helper, which no
// client export shows.
#include <windows.h>

#include "frame/FileAccess.h"
#include "frame/PcxThreadState.h"
#include "frame/WaitCursor.h"

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

}
