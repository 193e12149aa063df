// DllGetClassObject and DllCanUnloadNow: how COM gets the class objects of
// the decoders, the encoders and the property handler, and asks whether the
// DLL may go.
#include <windows.h>

#include "KyPCXCodec.h"
#include "codec/CodecModule.h"
#include "codec/DecoderClassFactory.h"
#include "codec/EncoderClassFactory.h"
#include "codec/PcxPropertyStore.h"
#include "codec/StaticClassFactory.h"

namespace {

HRESULT CreatePropertyHandler(const void*, REFIID iid, void** out) { return CreatePcxPropertyStore(iid, out); }

StaticClassFactory g_propertyHandlerFactory(CreatePropertyHandler, nullptr);

}  // namespace

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID* out) {
    if (IsEqualCLSID(clsid, CLSID_KyPcxPropertyHandler)) {
        if (out == nullptr) return E_POINTER;
        return g_propertyHandlerFactory.QueryInterface(iid, out);
    }
    const HRESULT hr = GetDecoderClassObject(clsid, iid, out);
    return hr == CLASS_E_CLASSNOTAVAILABLE ? GetEncoderClassObject(clsid, iid, out) : hr;
}

STDAPI DllCanUnloadNow() { return CodecCanUnload() ? S_OK : S_FALSE; }
