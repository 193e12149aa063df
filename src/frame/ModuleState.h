// Process-wide state of the library, written only by DllMain.
#pragma once

#include <windows.h>

struct KyPcxModuleState {
    HINSTANCE instance = nullptr;
    DWORD threadStateSlot = TLS_OUT_OF_INDEXES;
    BOOL attached = FALSE;
    BOOL detached = FALSE;
};

extern KyPcxModuleState g_module;
