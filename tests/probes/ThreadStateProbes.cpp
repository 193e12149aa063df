// Probes of the thread's block: its address, and a watch on the library's
// GlobalFree calls that tells whether a block was given back; the
// wait-cursor pairs of each family, and the file-length helper. No client
// export shows these.
#include <windows.h>

#include "ImportRedirect.h"
#include "frame/FileAccess.h"
#include "frame/PcxThreadState.h"
#include "frame/WaitCursor.h"

namespace {

using GlobalFreeFunction = HGLOBAL(WINAPI*)(HGLOBAL);

// The blocks the library freed while watched: start and size of each.
constexpr LONG kMaxWatchedFrees = 256;
struct FreeWatch {
    GlobalFreeFunction original = nullptr;
    LONG count = 0;
    const BYTE* starts[kMaxWatchedFrees] = {};
    SIZE_T sizes[kMaxWatchedFrees] = {};
} g_frees;

HGLOBAL WINAPI WatchedGlobalFree(HGLOBAL block) {
    // Fixed blocks only: their handle is their address.
    const LONG at = InterlockedIncrement(&g_frees.count) - 1;
    if (at < kMaxWatchedFrees && block != nullptr && (GlobalFlags(block) & GMEM_INVALID_HANDLE) == 0) {
        g_frees.starts[at] = static_cast<const BYTE*>(block);
        g_frees.sizes[at] = GlobalSize(block);
    }
    return g_frees.original(block);
}

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
// Starts (TRUE) or ends (FALSE) the watch on GlobalFree; starting forgets
// what an earlier watch saw. Returns whether the switch took effect.
BOOL WINAPI KyPcxProbeWatchFrees(BOOL watch) {
    if (!watch) {
        return g_frees.original != nullptr &&
               RedirectImport("GlobalFree", reinterpret_cast<void*>(g_frees.original)) != nullptr;
    }
    g_frees.count = 0;
    void* previous = RedirectImport("GlobalFree", reinterpret_cast<void*>(WatchedGlobalFree));
    if (previous == nullptr) return FALSE;
    if (g_frees.original == nullptr) g_frees.original = reinterpret_cast<GlobalFreeFunction>(previous);
    return TRUE;
}
// Whether a block freed during the watch held `address`.
BOOL WINAPI KyPcxProbeWasFreed(const void* address) {
    const auto* p = static_cast<const BYTE*>(address);
    const LONG count = g_frees.count < kMaxWatchedFrees ? g_frees.count : kMaxWatchedFrees;
    for (LONG i = 0; i < count; ++i)
        if (p >= g_frees.starts[i] && p < g_frees.starts[i] + g_frees.sizes[i]) return TRUE;
    return FALSE;
}
// family: 0 coder, 1 viewer, 2 memory, 3 append.
void WINAPI KyPcxProbeBeginWaitCursor(int family) { BeginWaitCursorFor(FieldForFamily(family)); }
void WINAPI KyPcxProbeEndWaitCursor(int family) { EndWaitCursorFor(FieldForFamily(family)); }
ULONGLONG WINAPI KyPcxProbeGetFileLength(HANDLE file) { return GetFileLength(file); }

}
