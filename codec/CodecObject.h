// What every COM object the codec hands out shares: a reference count, its
// place among the objects that keep the DLL loaded (CodecModule.h), its
// block of the process heap (win/HandleGuards.h), the answer of QueryInterface,
// a lock held for a scope, and what the imaging component says of its
// class.
#pragma once

#include <windows.h>

#include <unknwn.h>
#include <wincodec.h>

#include <initializer_list>
#include <utility>

#include "codec/CodecModule.h"
#include "win/HandleGuards.h"

// The IUnknown of `Derived`, which implements `Interface` and is made by
// HeapNew (its destructor reachable by HeapDelete, its last Release's).
template <typename Derived, typename Interface>
class CodecObject : public Interface {
public:
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&references_)); }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG left = InterlockedDecrement(&references_);
        if (left == 0) HeapDelete(static_cast<Derived*>(this));
        return static_cast<ULONG>(left);
    }

    // A new object made of `args`, asked for as `iid`: the reference the
    // caller gets is its only one.
    template <typename... Args>
    static HRESULT CreateAs(REFIID iid, void** out, Args&&... args) {
        if (out == nullptr) return E_POINTER;
        *out = nullptr;
        Derived* made = HeapNew<Derived>(std::forward<Args>(args)...);
        if (made == nullptr) return E_OUTOFMEMORY;
        const HRESULT hr = made->QueryInterface(iid, out);
        made->Release();
        return hr;
    }

protected:
    CodecObject() { CountCodecObject(); }
    ~CodecObject() { UncountCodecObject(); }
    CodecObject(const CodecObject&) = delete;
    CodecObject& operator=(const CodecObject&) = delete;

    // QueryInterface's answer: this object for IUnknown, `Interface` and
    // the interfaces it derives from that `also` names.
    HRESULT Answer(REFIID iid, void** out, std::initializer_list<const IID*> also = {}) {
        if (out == nullptr) return E_INVALIDARG;
        bool known = IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, __uuidof(Interface));
        for (const IID* other : also) known = known || IsEqualIID(iid, *other);
        if (!known) {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        *out = static_cast<Interface*>(this);
        AddRef();
        return S_OK;
    }

private:
    volatile LONG references_ = 1;
};

// Holds an SRW lock exclusively for a scope.
class ExclusiveLockScope {
public:
    explicit ExclusiveLockScope(SRWLOCK* lock) : lock_(lock) { AcquireSRWLockExclusive(lock_); }
    ~ExclusiveLockScope() { ReleaseSRWLockExclusive(lock_); }
    ExclusiveLockScope(const ExclusiveLockScope&) = delete;
    ExclusiveLockScope& operator=(const ExclusiveLockScope&) = delete;

private:
    SRWLOCK* lock_;
};

// What the imaging component knows of a codec class of this DLL (its
// registration, which the factory reads), asked for as `iid`
// (IID_IWICBitmapDecoderInfo, IID_IWICBitmapEncoderInfo): what a decoder's
// GetDecoderInfo and an encoder's GetEncoderInfo answer.
inline HRESULT CodecComponentInfo(const CLSID& codecClass, REFIID iid, void** info) {
    if (info == nullptr) return E_INVALIDARG;
    *info = nullptr;
    IWICImagingFactory* factory = nullptr;
    HRESULT hr = CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                  reinterpret_cast<void**>(&factory));
    if (FAILED(hr)) return hr;
    IWICComponentInfo* component = nullptr;
    hr = factory->CreateComponentInfo(codecClass, &component);
    if (SUCCEEDED(hr)) {
        hr = component->QueryInterface(iid, info);
        component->Release();
    }
    factory->Release();
    return hr;
}
