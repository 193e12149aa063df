// Wait-cursor pairs, one saved-cursor field per family of operations.
#include "frame/WaitCursor.h"

void BeginWaitCursorFor(SavedCursorField field) {
    HCURSOR wait = LoadCursorW(nullptr, IDC_WAIT);
    GetPcxThreadState()->*field = SetCursor(wait);
}

void EndWaitCursorFor(SavedCursorField field) { SetCursor(GetPcxThreadState()->*field); }
