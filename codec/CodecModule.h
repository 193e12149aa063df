// What the codec DLL knows about itself: its module handle, for the path
// registration writes, and how many of its objects and server locks are
// alive, which decides DllCanUnloadNow.
#pragma once

#include <windows.h>

// The DLL's own module, set when it is loaded.
HMODULE CodecModule();
void SetCodecModule(HMODULE module);

// Every object the DLL hands out (decoders, frames, class factories while
// held) counts itself here for as long as it lives; IClassFactory::LockServer
// adds a lock. The DLL may be unloaded when both are zero.
void CountCodecObject();
void UncountCodecObject();
void LockCodecServer(bool lock);
bool CodecCanUnload();
