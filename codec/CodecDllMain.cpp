// The codec DLL's entry point: it keeps its module handle and wants no
// thread notifications, having no per-thread state.
#include <windows.h>

#include "codec/CodecModule.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        SetCodecModule(instance);
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}
