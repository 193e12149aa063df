// One static class object for the property handler. As the decoders' class
// objects do, a reference a client holds counts as a live object, so the DLL
// is not unloaded under it.
#include "codec/PropertyHandlerClassFactory.h"

#include <unknwn.h>

#include "codec/CodecModule.h"
#include "codec/PcxPropertyStore.h"

namespace {

class PropertyHandlerClassFactory final : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (out == nullptr) return E_POINTER;
        *out = nullptr;
        if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IClassFactory)) return E_NOINTERFACE;
        *out = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override {
        CountCodecObject();
        return 2;
    }
    ULONG STDMETHODCALLTYPE Release() override {
        UncountCodecObject();
        return 1;
    }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
        if (out == nullptr) return E_POINTER;
        *out = nullptr;
        return outer != nullptr ? CLASS_E_NOAGGREGATION : CreatePcxPropertyStore(iid, out);
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
        LockCodecServer(lock != FALSE);
        return S_OK;
    }
};

PropertyHandlerClassFactory g_factory;

}  // namespace

HRESULT GetPropertyHandlerClassObject(REFIID iid, void** out) { return g_factory.QueryInterface(iid, out); }
