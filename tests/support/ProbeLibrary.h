// The probe build of the library (KyPCXProbe.dll, built in tests/probes):
// the same code as KyPCX.dll plus exports of a few internals that no client
// export shows.
#pragma once

#include <windows.h>

#include "KyPCX.h"

struct PcxThreadState;

namespace kypcx_test {

class ProbeLibrary {
public:
    ProbeLibrary() : module_(LoadLibraryW(L"KyPCXProbe.dll")) {}
    ~ProbeLibrary() {
        if (module_ != nullptr) FreeLibrary(module_);
    }
    ProbeLibrary(const ProbeLibrary&) = delete;
    ProbeLibrary& operator=(const ProbeLibrary&) = delete;

    bool loaded() const { return module_ != nullptr; }
    template <typename F>
    F Get(const char* name) const {
        return KyPcxGetProc<F>(module_, name);
    }

    PcxThreadState* ThreadState() const { return Get<PcxThreadState*(WINAPI*)()>("KyPcxProbeThreadState")(); }
    // Watches the library's GlobalFree calls (TRUE) or ends the watch (FALSE).
    BOOL WatchFrees(BOOL watch) const { return Get<BOOL(WINAPI*)(BOOL)>("KyPcxProbeWatchFrees")(watch); }
    // Whether a block the library freed while watched held `address`.
    bool WasFreed(const void* address) const {
        return Get<BOOL(WINAPI*)(const void*)>("KyPcxProbeWasFreed")(address) != FALSE;
    }
    void BeginWait(int family) const { Get<void(WINAPI*)(int)>("KyPcxProbeBeginWaitCursor")(family); }
    void EndWait(int family) const { Get<void(WINAPI*)(int)>("KyPcxProbeEndWaitCursor")(family); }
    ULONGLONG FileLength(HANDLE f) const { return Get<ULONGLONG(WINAPI*)(HANDLE)>("KyPcxProbeGetFileLength")(f); }

private:
    HMODULE module_;
};

}  // namespace kypcx_test
