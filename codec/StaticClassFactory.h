// A class object that lives as long as the DLL, one per class: its
// CreateInstance calls the class's creation function. A reference a client
// holds counts as a live object, so the DLL is not unloaded under it.
#pragma once

#include <windows.h>

#include <unknwn.h>

#include "codec/CodecModule.h"

class StaticClassFactory final : public IClassFactory {
public:
    // Makes an object of the class, given `context`, asked for as `iid`.
    using CreateFn = HRESULT (*)(const void* context, REFIID iid, void** out);

    StaticClassFactory(CreateFn create, const void* context) : create_(create), context_(context) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (out == nullptr) return E_POINTER;
        *out = nullptr;
        if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IClassFactory)) return E_NOINTERFACE;
        *out = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
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
        return outer != nullptr ? CLASS_E_NOAGGREGATION : create_(context_, iid, out);
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
        LockCodecServer(lock != FALSE);
        return S_OK;
    }

private:
    CreateFn create_;
    const void* context_;
};
