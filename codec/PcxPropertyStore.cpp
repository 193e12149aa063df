// The property handler object: IInitializeWithStream to read a file's
// facts once, IPropertyStore to hand them out, IPropertyStoreCapabilities to
// say none can be written.
#include "codec/PcxPropertyStore.h"

#include <propsys.h>

#include "codec/CodecModule.h"
#include "codec/PcxImageFacts.h"
#include "win/HandleGuards.h"

namespace {

// The shell's property keys for the values the handler gives (the SDK's
// propkey.h names them PKEY_Image_... and PKEY_Document_PageCount).
constexpr GUID kImageProperties = {0x6444048F, 0x4C8B, 0x11D1, {0x8B, 0x70, 0x08, 0x00, 0x36, 0xB1, 0x1A, 0x03}};
constexpr GUID kSummaryProperties = {0xF29F85E0, 0x4FF9, 0x1068, {0xAB, 0x91, 0x08, 0x00, 0x2B, 0x27, 0xB3, 0xD9}};
constexpr PROPERTYKEY kHorizontalSize = {kImageProperties, 3};
constexpr PROPERTYKEY kVerticalSize = {kImageProperties, 4};
constexpr PROPERTYKEY kHorizontalResolution = {kImageProperties, 5};
constexpr PROPERTYKEY kVerticalResolution = {kImageProperties, 6};
constexpr PROPERTYKEY kBitDepth = {kImageProperties, 7};
constexpr PROPERTYKEY kDimensions = {kImageProperties, 13};
constexpr PROPERTYKEY kPageCount = {kSummaryProperties, 14};

constexpr size_t kMaxProperties = 7;
constexpr size_t kTextChars = 24;  // "32767 x 32767" and its end

bool SameKey(const PROPERTYKEY& a, const PROPERTYKEY& b) { return a.pid == b.pid && IsEqualGUID(a.fmtid, b.fmtid); }

// Appends the decimal digits of `value` at `text`; where the text now ends.
wchar_t* AppendNumber(wchar_t* text, uint32_t value) {
    wchar_t digits[10];
    int count = 0;
    do {
        digits[count++] = wchar_t(L'0' + value % 10);
        value /= 10;
    } while (value != 0);
    while (count > 0) *text++ = digits[--count];
    return text;
}

// One value as the store keeps it.
struct StoredProperty {
    PROPERTYKEY key = {};
    VARTYPE type = VT_EMPTY;
    ULONG unsignedValue = 0;
    LONG signedValue = 0;
    double realValue = 0;
    wchar_t text[kTextChars] = {};
};

class PcxPropertyStore final : public IInitializeWithStream, public IPropertyStore, public IPropertyStoreCapabilities {
public:
    PcxPropertyStore() { CountCodecObject(); }
    ~PcxPropertyStore() { UncountCodecObject(); }
    PcxPropertyStore(const PcxPropertyStore&) = delete;
    PcxPropertyStore& operator=(const PcxPropertyStore&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (out == nullptr) return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IPropertyStore)) {
            *out = static_cast<IPropertyStore*>(this);
        } else if (IsEqualIID(iid, IID_IInitializeWithStream)) {
            *out = static_cast<IInitializeWithStream*>(this);
        } else if (IsEqualIID(iid, IID_IPropertyStoreCapabilities)) {
            *out = static_cast<IPropertyStoreCapabilities*>(this);
        } else {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&references_)); }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG left = InterlockedDecrement(&references_);
        if (left == 0) HeapDelete(this);
        return static_cast<ULONG>(left);
    }

    // Reads everything the store gives now; the stream is not kept. A
    // handler is initialized once: a second call, after one that succeeded,
    // is refused as the shell's handlers refuse it. The access mode does not
    // matter: nothing is ever written.
    HRESULT STDMETHODCALLTYPE Initialize(IStream* stream, DWORD) override {
        if (stream == nullptr) return E_INVALIDARG;
        AcquireSRWLockExclusive(&lock_);
        HRESULT hr = HRESULT_FROM_WIN32(ERROR_ALREADY_INITIALIZED);
        if (!initialized_) {
            PcxImageFacts facts;
            hr = ReadPcxImageFacts(stream, &facts);
            if (SUCCEEDED(hr)) {
                Keep(facts);
                initialized_ = true;
            }
        }
        ReleaseSRWLockExclusive(&lock_);
        return hr;
    }

    // Before Initialize the store is empty.
    HRESULT STDMETHODCALLTYPE GetCount(DWORD* count) override {
        if (count == nullptr) return E_POINTER;
        AcquireSRWLockShared(&lock_);
        *count = DWORD(count_);
        ReleaseSRWLockShared(&lock_);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetAt(DWORD index, PROPERTYKEY* key) override {
        if (key == nullptr) return E_POINTER;
        AcquireSRWLockShared(&lock_);
        const bool listed = index < count_;
        *key = listed ? properties_[index].key : PROPERTYKEY{};
        ReleaseSRWLockShared(&lock_);
        return listed ? S_OK : E_INVALIDARG;
    }
    // A key the store does not hold gives an empty value, as a store
    // answers for a property the file does not have.
    HRESULT STDMETHODCALLTYPE GetValue(REFPROPERTYKEY key, PROPVARIANT* value) override {
        if (value == nullptr) return E_POINTER;
        PropVariantInit(value);
        AcquireSRWLockShared(&lock_);
        HRESULT hr = S_OK;
        for (size_t i = 0; i < count_; ++i)
            if (SameKey(key, properties_[i].key)) hr = Give(properties_[i], value);
        ReleaseSRWLockShared(&lock_);
        return hr;
    }
    HRESULT STDMETHODCALLTYPE SetValue(REFPROPERTYKEY, REFPROPVARIANT) override { return STG_E_ACCESSDENIED; }
    HRESULT STDMETHODCALLTYPE Commit() override { return STG_E_ACCESSDENIED; }

    HRESULT STDMETHODCALLTYPE IsPropertyWritable(REFPROPERTYKEY) override { return S_FALSE; }

private:
    StoredProperty& Add(const PROPERTYKEY& key, VARTYPE type) {
        StoredProperty& p = properties_[count_++];
        p.key = key;
        p.type = type;
        return p;
    }

    void Keep(const PcxImageFacts& facts) {
        if (facts.dcx) Add(kPageCount, VT_I4).signedValue = LONG(facts.pageCount);
        if (facts.dcx && facts.pageCount == 0) return;
        Add(kHorizontalSize, VT_UI4).unsignedValue = facts.width;
        Add(kVerticalSize, VT_UI4).unsignedValue = facts.height;
        wchar_t* end = AppendNumber(Add(kDimensions, VT_LPWSTR).text, facts.width);
        lstrcpyW(end, L" x ");
        end += 3;
        *AppendNumber(end, facts.height) = L'\0';
        Add(kBitDepth, VT_UI4).unsignedValue = facts.bitDepth;
        Add(kHorizontalResolution, VT_R8).realValue = facts.dpiX;
        Add(kVerticalResolution, VT_R8).realValue = facts.dpiY;
    }

    // A copy of a stored value for the caller, who frees it with
    // PropVariantClear.
    static HRESULT Give(const StoredProperty& p, PROPVARIANT* value) {
        switch (p.type) {
        case VT_UI4: value->ulVal = p.unsignedValue; break;
        case VT_I4: value->lVal = p.signedValue; break;
        case VT_R8: value->dblVal = p.realValue; break;
        default: {
            const size_t bytes = (size_t(lstrlenW(p.text)) + 1) * sizeof(wchar_t);
            value->pwszVal = static_cast<LPWSTR>(CoTaskMemAlloc(bytes));
            if (value->pwszVal == nullptr) return E_OUTOFMEMORY;
            CopyMemory(value->pwszVal, p.text, bytes);
            break;
        }
        }
        value->vt = p.type;
        return S_OK;
    }

    volatile LONG references_ = 1;
    SRWLOCK lock_ = SRWLOCK_INIT;
    bool initialized_ = false;
    size_t count_ = 0;
    StoredProperty properties_[kMaxProperties];
};

}  // namespace

HRESULT CreatePcxPropertyStore(REFIID iid, void** out) {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    PcxPropertyStore* store = HeapNew<PcxPropertyStore>();
    if (store == nullptr) return E_OUTOFMEMORY;
    const HRESULT hr = store->QueryInterface(iid, out);
    store->Release();
    return hr;
}
