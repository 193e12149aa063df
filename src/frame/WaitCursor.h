// The hourglass shown around long operations. Each family of operations
// saves the previous cursor in its own field of the thread's block, so one
// family's wait cursor never overwrites another's saved cursor.
#pragma once

#include <windows.h>

#include "frame/PcxThreadState.h"
#include "win/HandleGuards.h"

// Which saved-cursor field of PcxThreadState a family uses.
using SavedCursorField = HCURSOR PcxThreadState::*;

// The families of long operations, one saved-cursor field each.
enum class WaitCursorFamily {
    Coder,   // the core decoders and encoders
    Viewer,  // the file painter and monochrome conversion
    Memory,  // the in-memory decoder
    Append,  // appending a bitmap to a PCX file
};

SavedCursorField SavedCursorFieldOf(WaitCursorFamily family);

// Shows the hourglass, keeping the cursor it replaces in `field`.
void BeginWaitCursorFor(SavedCursorField field);
// Shows the cursor kept in `field` again.
void EndWaitCursorFor(SavedCursorField field);

struct WaitCursorTraits {
    using Handle = SavedCursorField;  // where the replaced cursor is kept
    using Context = NoContext;
    static Handle Invalid() { return nullptr; }
    static bool IsValid(Handle field) { return field != nullptr; }
    static void Release(NoContext, Handle field) { EndWaitCursorFor(field); }
};

// Shows the wait cursor of one family for the life of a scope.
class ScopedWaitCursor : public ScopedHandle<WaitCursorTraits> {
public:
    explicit ScopedWaitCursor(WaitCursorFamily family) : ScopedHandle(SavedCursorFieldOf(family)) {
        BeginWaitCursorFor(get());
    }
};
