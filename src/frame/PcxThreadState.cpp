// Per-thread working blocks kept in a thread-local-storage slot, and the list
// of every live block, so that an unload frees the blocks of threads that
// outlive it.
#include "frame/PcxThreadState.h"

#include "frame/ModuleState.h"

namespace {

// A block with its link in the list of live blocks. A thread still running
// when the library is unloaded gets no thread detach, so its block is found
// here and freed at process detach instead.
struct ThreadStateEntry {
    ThreadStateEntry* previous;
    ThreadStateEntry* next;
    PcxThreadState state;
};

ThreadStateEntry* g_threadStates = nullptr;
// Held only while one entry is linked or unlinked (a first call may run
// beside another thread's detach). A spin lock needs no kernel object that
// an unload would have to destroy.
LONG g_threadStatesBusy = 0;

class ThreadStateListLock {
public:
    ThreadStateListLock() {
        while (InterlockedCompareExchange(&g_threadStatesBusy, 1, 0) != 0) Sleep(0);
    }
    ~ThreadStateListLock() { InterlockedExchange(&g_threadStatesBusy, 0); }
    ThreadStateListLock(const ThreadStateListLock&) = delete;
    ThreadStateListLock& operator=(const ThreadStateListLock&) = delete;
};

void Link(ThreadStateEntry* entry) {
    ThreadStateListLock lock;
    entry->next = g_threadStates;
    if (g_threadStates != nullptr) g_threadStates->previous = entry;
    g_threadStates = entry;
}

void Unlink(ThreadStateEntry* entry) {
    ThreadStateListLock lock;
    if (entry->previous != nullptr) entry->previous->next = entry->next;
    else g_threadStates = entry->next;
    if (entry->next != nullptr) entry->next->previous = entry->previous;
}

ThreadStateEntry* EntryOf(void* block) { return CONTAINING_RECORD(block, ThreadStateEntry, state); }

}  // namespace

void AttachPcxThreadState() {
    auto* entry = static_cast<ThreadStateEntry*>(GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, sizeof(ThreadStateEntry)));
    if (entry == nullptr) ExitThread(0);
    if (!TlsSetValue(g_module.threadStateSlot, &entry->state)) {
        GlobalFree(entry);
        ExitThread(0);
    }
    Link(entry);
}

void DetachPcxThreadState() {
    void* block = TlsGetValue(g_module.threadStateSlot);
    if (block == nullptr) return;
    TlsSetValue(g_module.threadStateSlot, nullptr);
    ThreadStateEntry* entry = EntryOf(block);
    Unlink(entry);
    GlobalFree(entry);
}

void FreeEveryPcxThreadState() {
    ThreadStateEntry* entry;
    {
        ThreadStateListLock lock;
        entry = g_threadStates;
        g_threadStates = nullptr;
    }
    while (entry != nullptr) {
        ThreadStateEntry* next = entry->next;
        GlobalFree(entry);
            entry = next;
    }
}

PcxThreadState* GetPcxThreadState() {
    void* block = TlsGetValue(g_module.threadStateSlot);
    if (block == nullptr) {
        AttachPcxThreadState();
        block = TlsGetValue(g_module.threadStateSlot);
    }
    return static_cast<PcxThreadState*>(block);
}

HINSTANCE GetKyPcxInstance() { return g_module.instance; }
