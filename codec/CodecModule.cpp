// The module handle and the counts of live objects and server locks.
#include "codec/CodecModule.h"

namespace {

HMODULE g_codecModule = nullptr;
volatile LONG g_liveObjects = 0;
volatile LONG g_serverLocks = 0;

}  // namespace

HMODULE CodecModule() { return g_codecModule; }
void SetCodecModule(HMODULE module) { g_codecModule = module; }

void CountCodecObject() { InterlockedIncrement(&g_liveObjects); }
void UncountCodecObject() { InterlockedDecrement(&g_liveObjects); }

void LockCodecServer(bool lock) {
    if (lock) InterlockedIncrement(&g_serverLocks);
    else InterlockedDecrement(&g_serverLocks);
}

bool CodecCanUnload() { return g_liveObjects == 0 && g_serverLocks == 0; }
