// DllGetClassObject and DllCanUnloadNow: how COM gets the class objects of
// the decoders and of the property handler, and asks whether the DLL may go.
#include <windows.h>

#include "KyPCXCodec.h"
#include "codec/CodecModule.h"
#include "codec/DecoderClassFactory.h"
#include "codec/PropertyHandlerClassFactory.h"

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID* out) {
    if (IsEqualCLSID(clsid, CLSID_KyPcxPropertyHandler)) return GetPropertyHandlerClassObject(iid, out);
    return GetDecoderClassObject(clsid, iid, out);
}

STDAPI DllCanUnloadNow() { return CodecCanUnload() ? S_OK : S_FALSE; }
