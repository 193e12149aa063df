// The hourglass shown around long operations. Each family of operations
// saves the previous cursor in its own field of the thread's block, so one
// family's wait cursor never overwrites another's saved cursor.
#pragma once

#include <windows.h>

#include "frame/PcxThreadState.h"

// Which saved-cursor field of PcxThreadState a pair uses.
using SavedCursorField = HCURSOR PcxThreadState::*;

void BeginWaitCursorFor(SavedCursorField field);
void EndWaitCursorFor(SavedCursorField field);

// The coder pair: the core decoders and encoders.
inline void BeginWaitCursor() { BeginWaitCursorFor(&PcxThreadState::coderSavedCursor); }
inline void EndWaitCursor() { EndWaitCursorFor(&PcxThreadState::coderSavedCursor); }
// The viewer pair: the file painter and monochrome conversion.
inline void BeginViewerWaitCursor() { BeginWaitCursorFor(&PcxThreadState::viewerSavedCursor); }
inline void EndViewerWaitCursor() { EndWaitCursorFor(&PcxThreadState::viewerSavedCursor); }
// The memory pair: the in-memory decoder.
inline void BeginMemoryWaitCursor() { BeginWaitCursorFor(&PcxThreadState::memorySavedCursor); }
inline void EndMemoryWaitCursor() { EndWaitCursorFor(&PcxThreadState::memorySavedCursor); }
// The append pair: appending a bitmap to a PCX file.
inline void BeginAppendWaitCursor() { BeginWaitCursorFor(&PcxThreadState::appendSavedCursor); }
inline void EndAppendWaitCursor() { EndWaitCursorFor(&PcxThreadState::appendSavedCursor); }

// Shows the wait cursor of one family for the life of a scope.
class ScopedWaitCursor {
public:
    explicit ScopedWaitCursor(SavedCursorField field) : field_(field) { BeginWaitCursorFor(field_); }
    ~ScopedWaitCursor() { EndWaitCursorFor(field_); }
    ScopedWaitCursor(const ScopedWaitCursor&) = delete;
    ScopedWaitCursor& operator=(const ScopedWaitCursor&) = delete;

private:
    SavedCursorField field_;
};
