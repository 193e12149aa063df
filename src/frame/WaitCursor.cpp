// The wait cursor of each family of operations, kept apart through its own
// saved-cursor field.
#include "frame/WaitCursor.h"

SavedCursorField SavedCursorFieldOf(WaitCursorFamily family) {
    switch (family) {
    case WaitCursorFamily::Viewer: return &PcxThreadState::viewerSavedCursor;
    case WaitCursorFamily::Memory: return &PcxThreadState::memorySavedCursor;
    case WaitCursorFamily::Append: return &PcxThreadState::appendSavedCursor;
    case WaitCursorFamily::Coder: break;
    }
    return &PcxThreadState::coderSavedCursor;
}

void BeginWaitCursorFor(SavedCursorField field) {
    HCURSOR wait = LoadCursorW(nullptr, IDC_WAIT);
    GetPcxThreadState()->*field = SetCursor(wait);
}

void EndWaitCursorFor(SavedCursorField field) { SetCursor(GetPcxThreadState()->*field); }
