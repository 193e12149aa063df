// DllGetClassObject and DllCanUnloadNow: how COM gets the decoders' class
// objects and asks whether the DLL may go.
#include <windows.h>

#include "codec/CodecModule.h"
#include "codec/DecoderClassFactory.h"

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID* out) { return GetDecoderClassObject(clsid, iid, out); }

STDAPI DllCanUnloadNow() { return CodecCanUnload() ? S_OK : S_FALSE; }
