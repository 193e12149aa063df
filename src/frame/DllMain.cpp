// The library entry point: the thread-state slot and the per-thread blocks.
#include <windows.h>

#include "frame/ModuleState.h"
#include "frame/PcxThreadState.h"

KyPcxModuleState g_module;

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    // The non-NT family can deliver a second process attach or detach for the
    // same module; its top version bit tells us to refuse those.
    const bool nonNtFamily = (GetVersion() & 0x80000000u) != 0;
    if (reason > DLL_THREAD_DETACH) return FALSE;

    switch (reason) {
    case DLL_PROCESS_ATTACH:
        if (nonNtFamily && g_module.attached) return FALSE;
        g_module.attached = TRUE;
        g_module.instance = instance;
        g_module.threadStateSlot = TlsAlloc();
        // The attaching thread gets its block on its first call.
        return g_module.threadStateSlot != TLS_OUT_OF_INDEXES;
    case DLL_THREAD_ATTACH:
        AttachPcxThreadState();
        return TRUE;
    case DLL_THREAD_DETACH:
        DetachPcxThreadState();
        return TRUE;
    case DLL_PROCESS_DETACH:
        if (nonNtFamily && g_module.detached) return FALSE;
        g_module.detached = TRUE;
        if (g_module.threadStateSlot != TLS_OUT_OF_INDEXES) {
            // An unload (reserved is null) leaves threads running that will
            // get no detach from us: their blocks go now. At process exit the
            // other threads are already gone and their blocks with the process.
            if (reserved == nullptr) FreeEveryPcxThreadState();
            else DetachPcxThreadState();
            TlsFree(g_module.threadStateSlot);
            g_module.threadStateSlot = TLS_OUT_OF_INDEXES;
        }
        return TRUE;
    }
    return FALSE;
}
