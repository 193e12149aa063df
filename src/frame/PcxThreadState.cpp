// Per-thread working blocks kept in a thread-local-storage slot.
#include "frame/PcxThreadState.h"

#include "frame/ModuleState.h"

namespace {
LONG g_liveThreadStates = 0;
}

void AttachPcxThreadState() {
    void* block = GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, sizeof(PcxThreadState));
    if (block == nullptr) ExitThread(0);
    if (!TlsSetValue(g_module.threadStateSlot, block)) {
        GlobalFree(block);
        ExitThread(0);
    }
    InterlockedIncrement(&g_liveThreadStates);
}

void DetachPcxThreadState() {
    void* block = TlsGetValue(g_module.threadStateSlot);
    if (block == nullptr) return;
    TlsSetValue(g_module.threadStateSlot, nullptr);
    GlobalFree(block);
    InterlockedDecrement(&g_liveThreadStates);
}

PcxThreadState* GetPcxThreadState() {
    void* block = TlsGetValue(g_module.threadStateSlot);
    if (block == nullptr) {
        AttachPcxThreadState();
        block = TlsGetValue(g_module.threadStateSlot);
    }
    return static_cast<PcxThreadState*>(block);
}

LONG LivePcxThreadStateCount() { return InterlockedCompareExchange(&g_liveThreadStates, 0, 0); }

HINSTANCE GetKyPcxInstance() { return g_module.instance; }
