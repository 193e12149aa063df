// One static class factory per decoder class. A factory a client holds
// counts as a live object, so the DLL is not unloaded under it.
#include "codec/DecoderClassFactory.h"

#include "codec/CodecFormats.h"
#include "codec/CodecModule.h"
#include "codec/PcxBitmapDecoder.h"

namespace {

class DecoderClassFactory final : public IClassFactory {
public:
    explicit DecoderClassFactory(const CodecFormat& format) : format_(format) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (out == nullptr) return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
            *out = static_cast<IClassFactory*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    // Static objects: a reference is a hold on the module, not on memory.
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
        if (outer != nullptr) return CLASS_E_NOAGGREGATION;
        return PcxBitmapDecoder::Create(format_, iid, out);
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
        LockCodecServer(lock != FALSE);
        return S_OK;
    }

private:
    const CodecFormat& format_;
};

DecoderClassFactory g_pcxFactory(kCodecFormats[0]);
DecoderClassFactory g_dcxFactory(kCodecFormats[1]);

}  // namespace

HRESULT GetDecoderClassObject(REFCLSID clsid, REFIID iid, void** out) {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    const CodecFormat* format = FindCodecFormat(clsid);
    if (format == nullptr) return CLASS_E_CLASSNOTAVAILABLE;
    DecoderClassFactory& factory = format->container == CodecContainer::Pcx ? g_pcxFactory : g_dcxFactory;
    return factory.QueryInterface(iid, out);
}
