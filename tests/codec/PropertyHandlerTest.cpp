// The property handler as the shell uses it: made through COM by its class
// (registered by the run's regsvr32), or through the DLL's class object
// without registration, initialized with a stream and read through
// IPropertyStore. Its values for every layout and for DCX files are those
// the decoders report for the file or first page; it refuses what the
// decoders refuse, with the same HRESULT, and it reads only the header and
// the page directory, never the pixels.
#include <windows.h>

#include <propsys.h>
#include <wincodec.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "KyPCXCodec.h"
#include "codec/WicClient.h"
#include "support/BadFileTable.h"
#include "support/DcxFixtures.h"
#include "support/KyPcxTestSupport.h"
#include "support/LayoutFixtures.h"
#include "support/PcxFixtures.h"

namespace {

using kypcx_test::ComRef;
using Bytes = std::vector<uint8_t>;

// The shell's property keys, as its documentation gives them.
constexpr GUID kImage = {0x6444048F, 0x4C8B, 0x11D1, {0x8B, 0x70, 0x08, 0x00, 0x36, 0xB1, 0x1A, 0x03}};
constexpr GUID kSummary = {0xF29F85E0, 0x4FF9, 0x1068, {0xAB, 0x91, 0x08, 0x00, 0x2B, 0x27, 0xB3, 0xD9}};
const PROPERTYKEY kHorizontalSize = {kImage, 3};
const PROPERTYKEY kVerticalSize = {kImage, 4};
const PROPERTYKEY kHorizontalResolution = {kImage, 5};
const PROPERTYKEY kVerticalResolution = {kImage, 6};
const PROPERTYKEY kBitDepth = {kImage, 7};
const PROPERTYKEY kDimensions = {kImage, 13};
const PROPERTYKEY kPageCount = {kSummary, 14};

bool SameKey(const PROPERTYKEY& a, const PROPERTYKEY& b) { return a.pid == b.pid && IsEqualGUID(a.fmtid, b.fmtid); }

// A value as the test compares it: its type and its content as text.
struct Value {
    VARTYPE type = VT_EMPTY;
    std::string text;
    bool operator==(const Value& o) const { return type == o.type && text == o.text; }
};
void PrintTo(const Value& v, std::ostream* os) { *os << "vt " << v.type << " \"" << v.text << "\""; }

Value Unsigned(ULONG v) { return {VT_UI4, std::to_string(v)}; }
Value Signed(LONG v) { return {VT_I4, std::to_string(v)}; }
Value Real(double v) { return {VT_R8, std::to_string(v)}; }
Value Text(const std::string& v) { return {VT_LPWSTR, v}; }

Value FromVariant(const PROPVARIANT& v) {
    switch (v.vt) {
    case VT_UI4: return Unsigned(v.ulVal);
    case VT_I4: return Signed(v.lVal);
    case VT_R8: return Real(v.dblVal);
    case VT_LPWSTR: return Text(kypcx_test::Narrow(v.pwszVal));
    default: return {v.vt, ""};
    }
}

// One property: its key and value.
struct Entry {
    PROPERTYKEY key;
    Value value;
    bool operator==(const Entry& o) const { return SameKey(key, o.key) && value == o.value; }
};
void PrintTo(const Entry& e, std::ostream* os) {
    *os << "pid " << e.key.pid << ": ";
    PrintTo(e.value, os);
}
using Entries = std::vector<Entry>;

// Every value a store lists, in its order.
struct Described {
    HRESULT hr = E_FAIL;  // Initialize's
    Entries listed;
    Value Get(const PROPERTYKEY& key) const {
        for (const Entry& entry : listed)
            if (SameKey(entry.key, key)) return entry.value;
        return {};
    }
};

Value ValueOf(IPropertyStore* store, const PROPERTYKEY& key) {
    PROPVARIANT v;
    PropVariantInit(&v);
    const HRESULT hr = store->GetValue(key, &v);
    EXPECT_EQ(S_OK, hr);
    const Value value = FromVariant(v);
    PropVariantClear(&v);
    return value;
}

// The store's contents, through the interfaces the shell calls.
void ReadStore(IPropertyStore* store, Described* out) {
    DWORD count = 0;
    ASSERT_EQ(S_OK, store->GetCount(&count));
    for (DWORD i = 0; i < count; ++i) {
        PROPERTYKEY key;
        ASSERT_EQ(S_OK, store->GetAt(i, &key));
        out->listed.push_back({key, ValueOf(store, key)});
    }
    PROPERTYKEY beyond;
    EXPECT_EQ(E_INVALIDARG, store->GetAt(count, &beyond));
    // A key the store does not list reads as empty.
    for (const PROPERTYKEY& key : {kHorizontalSize, kBitDepth, kPageCount, kDimensions}) {
        if (out->Get(key).type != VT_EMPTY) continue;
        EXPECT_EQ(VT_EMPTY, ValueOf(store, key).type);
    }
}

ComRef<IPropertyStore> HandlerThroughCom() {
    kypcx_test::Factory();  // COM set up for this thread
    ComRef<IPropertyStore> store;
    const HRESULT hr = CoCreateInstance(CLSID_KyPcxPropertyHandler, nullptr, CLSCTX_INPROC_SERVER,
                                        IID_IPropertyStore, reinterpret_cast<void**>(store.put()));
    EXPECT_EQ(S_OK, hr) << "the property handler is not registered";
    return store;
}

// Initializes a new handler with `stream` and reads what it gives.
Described DescribeStream(IStream* stream, ComRef<IPropertyStore> store = HandlerThroughCom()) {
    Described d;
    if (!store) return d;
    ComRef<IInitializeWithStream> init;
    d.hr = store->QueryInterface(IID_IInitializeWithStream, reinterpret_cast<void**>(init.put()));
    if (FAILED(d.hr)) return d;
    d.hr = init->Initialize(stream, STGM_READ);
    if (SUCCEEDED(d.hr)) ReadStore(store.get(), &d);
    return d;
}

Described Describe(Bytes bytes) {
    ComRef<IWICStream> stream = kypcx_test::MemoryStream(bytes);
    return DescribeStream(stream.get());
}

// The image values the handler gives for a picture as the decoder's frame
// reports it.
Entries ImageValues(const kypcx_test::FrameImage& frame) {
    return {
        {kHorizontalSize, Unsigned(frame.width)},
        {kVerticalSize, Unsigned(frame.height)},
        {kDimensions, Text(std::to_string(frame.width) + " x " + std::to_string(frame.height))},
        {kBitDepth, Unsigned(frame.bitsPerPixel)},
        {kHorizontalResolution, Real(frame.dpiX)},
        {kVerticalResolution, Real(frame.dpiY)},
    };
}

// What the decoder registered for `container` says of the file and its
// first frame: hr is Initialize's or GetFrame's failure.
struct DecoderView {
    HRESULT hr = E_FAIL;
    UINT frames = 0;
    kypcx_test::FrameImage first;
};
DecoderView DecoderSees(const GUID& container, Bytes bytes) {
    DecoderView view;
    ComRef<IWICBitmapDecoder> decoder;
    view.hr = kypcx_test::OpenWith(container, bytes, &decoder);
    if (FAILED(view.hr)) return view;
    view.hr = decoder->GetFrameCount(&view.frames);
    if (FAILED(view.hr) || view.frames == 0) return view;
    ComRef<IWICBitmapFrameDecode> frame;
    view.hr = decoder->GetFrame(0, frame.put());
    if (SUCCEEDED(view.hr)) view.first = kypcx_test::ReadFrame(frame.get());
    return view;
}

std::string Show(const Entries& values) {
    std::string text;
    for (const Entry& v : values) text += std::to_string(v.key.pid) + "=" + v.value.text + " ";
    return text;
}

// The values of a PCX file of every layout, lines coded and stored: those
// of the decoder's frame, with the header's resolution.
TEST(PropertyHandler, EveryLayoutAsTheDecoderReportsIt) {
    for (const kypcx_test::LayoutCase& c : kypcx_test::kLayoutCases) {
        for (const bool stored : {false, true}) {
            SCOPED_TRACE(std::string(c.name) + (stored ? " stored" : " coded"));
            const Bytes file = kypcx_test::LayoutFile(kypcx_test::MakeLayoutImage(c.planes, c.bits), stored);
            const Described d = Describe(file);
            ASSERT_EQ(S_OK, d.hr);
            const DecoderView decoder = DecoderSees(GUID_KyPcxContainerFormatPcx, file);
            ASSERT_EQ(S_OK, decoder.hr);
            EXPECT_EQ(ImageValues(decoder.first), d.listed) << Show(d.listed);
            EXPECT_EQ(Unsigned(c.dibBits), d.Get(kBitDepth));
            EXPECT_EQ(Text("13 x 5"), d.Get(kDimensions));
            EXPECT_EQ(Real(150), d.Get(kHorizontalResolution));
            EXPECT_EQ(Real(75), d.Get(kVerticalResolution));
            EXPECT_EQ(VT_EMPTY, d.Get(kPageCount).type) << "a PCX file has no page count";
        }
    }
}

// A header without a resolution (0 or less) reads as 96 dots per inch, as
// the decoders report it; each direction on its own.
TEST(PropertyHandler, ResolutionTheHeaderDoesNotGiveIs96) {
    const struct {
        int16_t x, y;
        double dpiX, dpiY;
    } cases[] = {{0, 0, 96, 96}, {-300, 200, 96, 200}, {600, -1, 600, 96}, {32767, 1, 32767, 1}};
    for (const auto& c : cases) {
        Bytes file = kypcx_test::LayoutFile(kypcx_test::MakeLayoutImage(3, 8, 640, 2), false);
        kypcx_test::SetWord(file, 12, uint32_t(uint16_t(c.x)) | uint32_t(uint16_t(c.y)) << 16);
        const Described d = Describe(file);
        ASSERT_EQ(S_OK, d.hr);
        EXPECT_EQ(Real(c.dpiX), d.Get(kHorizontalResolution)) << c.x;
        EXPECT_EQ(Real(c.dpiY), d.Get(kVerticalResolution)) << c.y;
        EXPECT_EQ(Text("640 x 2"), d.Get(kDimensions));
        const DecoderView decoder = DecoderSees(GUID_KyPcxContainerFormatPcx, file);
        EXPECT_EQ(ImageValues(decoder.first), d.listed);
    }
}

// A DCX file: its page count, then its first page's values, whatever the
// other pages are; a file of no pages has only its count.
TEST(PropertyHandler, DcxFilesGiveTheirPageCountAndTheFirstPage) {
    using kypcx_test::LayoutFile;
    using kypcx_test::MakeLayoutImage;
    const struct {
        const char* name;
        Bytes file;
        LONG pages;
    } cases[] = {
        {"three pages", kypcx_test::AssembleDcx({LayoutFile(MakeLayoutImage(4, 8, 21, 7), false),
                                                 LayoutFile(MakeLayoutImage(1, 1, 300, 2), true),
                                                 LayoutFile(MakeLayoutImage(1, 8), false)}),
         3},
        {"first page behind a gap", kypcx_test::AssembleDcx({LayoutFile(MakeLayoutImage(1, 4, 9, 30), false)}, 4100),
         1},
        {"a full table", kypcx_test::AssembleDcx(kypcx_test::FullTablePages()), 1022},
        {"no pages", kypcx_test::AssembleDcx({}), 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Described d = Describe(c.file);
        ASSERT_EQ(S_OK, d.hr);
        const DecoderView decoder = DecoderSees(GUID_KyPcxContainerFormatDcx, c.file);
        ASSERT_EQ(S_OK, decoder.hr);
        ASSERT_EQ(UINT(c.pages), decoder.frames);
        Entries expected = {{kPageCount, Signed(c.pages)}};
        if (c.pages > 0)
            for (const Entry& v : ImageValues(decoder.first)) expected.push_back(v);
        EXPECT_EQ(expected, d.listed) << Show(d.listed);
    }
}

// A stream that records which bytes were read from the memory stream it
// wraps.
class RecordingStream final : public IStream {
public:
    explicit RecordingStream(IStream* inner) : inner_(inner) { inner_->AddRef(); }
    ~RecordingStream() { inner_->Release(); }
    const std::vector<std::pair<uint64_t, uint64_t>>& reads() const { return reads_; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IStream) || IsEqualIID(iid, IID_ISequentialStream)) {
            *out = static_cast<IStream*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ULONG(InterlockedIncrement(&references_)); }
    ULONG STDMETHODCALLTYPE Release() override { return ULONG(InterlockedDecrement(&references_)); }
    HRESULT STDMETHODCALLTYPE Read(void* bytes, ULONG count, ULONG* read) override {
        ULARGE_INTEGER at = {};
        LARGE_INTEGER zero = {};
        inner_->Seek(zero, STREAM_SEEK_CUR, &at);
        ULONG got = 0;
        const HRESULT hr = inner_->Read(bytes, count, &got);
        if (got != 0) reads_.emplace_back(at.QuadPart, at.QuadPart + got);
        if (read != nullptr) *read = got;
        return hr;
    }
    HRESULT STDMETHODCALLTYPE Write(const void*, ULONG, ULONG*) override { return STG_E_ACCESSDENIED; }
    HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* position) override {
        return inner_->Seek(move, origin, position);
    }
    HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER) override { return STG_E_ACCESSDENIED; }
    HRESULT STDMETHODCALLTYPE CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) override {
        return E_NOTIMPL;  // a copy would read bytes past the record
    }
    HRESULT STDMETHODCALLTYPE Commit(DWORD) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Revert() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Stat(STATSTG* stat, DWORD flags) override { return inner_->Stat(stat, flags); }
    HRESULT STDMETHODCALLTYPE Clone(IStream**) override { return E_NOTIMPL; }

private:
    IStream* inner_;
    volatile LONG references_ = 1;
    std::vector<std::pair<uint64_t, uint64_t>> reads_;
};

// The handler reads the header of a PCX file, or the directory of a DCX file
// and its first page's header: no pixel, no palette trailer, no other page,
// however large the file.
TEST(PropertyHandler, ReadsOnlyTheHeaderAndTheDirectory) {
    using kypcx_test::LayoutFile;
    using kypcx_test::MakeLayoutImage;
    const Bytes page = LayoutFile(MakeLayoutImage(1, 8, 700, 300), false);  // with its trailer
    const struct {
        const char* name;
        Bytes file;
        std::vector<std::pair<uint64_t, uint64_t>> allowed;
    } cases[] = {
        {"PCX", page, {{0, 128}}},
        {"DCX", kypcx_test::AssembleDcx({page, page, page}), {{0, 4096}, {4096, 4096 + 128}}},
        {"DCX, first page behind a gap", kypcx_test::AssembleDcx({page, page}, 4100), {{0, 4096}, {4100, 4100 + 128}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes bytes = c.file;
        ComRef<IWICStream> memory = kypcx_test::MemoryStream(bytes);
        RecordingStream recorder(memory.get());
        const Described d = DescribeStream(&recorder);
        ASSERT_EQ(S_OK, d.hr);
        EXPECT_EQ(Unsigned(700), d.Get(kHorizontalSize));
        ASSERT_FALSE(recorder.reads().empty());
        for (const auto& read : recorder.reads()) {
            const bool inside = std::any_of(c.allowed.begin(), c.allowed.end(), [&](const auto& range) {
                return read.first >= range.first && read.second <= range.second;
            });
            EXPECT_TRUE(inside) << "read bytes " << read.first << " to " << read.second << " of " << c.file.size();
        }
    }
}

// The container a file's first bytes name, as the handler tells them apart.
const GUID& ContainerOf(const Bytes& bytes) {
    return bytes.size() >= 4 && kypcx_test::GetWord(bytes, 0) == kypcx_test::kDcxMagic ? GUID_KyPcxContainerFormatDcx
                                                                                       : GUID_KyPcxContainerFormatPcx;
}

// The handler refuses a file exactly where the decoder refuses it or its
// first page, with the decoder's HRESULT, and describes it otherwise.
void ExpectAsTheDecoder(const Bytes& file, const std::string& what) {
    const Described d = Describe(file);
    const DecoderView decoder = DecoderSees(ContainerOf(file), file);
    EXPECT_EQ(decoder.hr, d.hr) << what;
    if (FAILED(d.hr) || FAILED(decoder.hr) || decoder.frames == 0) return;
    for (const Entry& v : ImageValues(decoder.first)) EXPECT_EQ(v.value, d.Get(v.key)) << what;
}

// Refusals by name, each with the code the decoders give.
TEST(PropertyHandler, RefusesWhatTheDecodersRefuse) {
    const Bytes good = kypcx_test::LayoutFile(kypcx_test::MakeLayoutImage(1, 8, 40, 20), false);
    // The good file with bytes written over it at offsets.
    auto with = [&](std::vector<std::pair<size_t, Bytes>> patches) {
        Bytes file = good;
        for (const auto& patch : patches) std::copy(patch.second.begin(), patch.second.end(), file.begin() + patch.first);
        return file;
    };
    const Bytes dcx = kypcx_test::AssembleDcx({good});
    Bytes pageOutside = dcx;
    kypcx_test::SetDcxEntry(pageOutside, 1, uint32_t(pageOutside.size() + 10));
    const struct {
        const char* name;
        Bytes file;
        HRESULT expected;
    } cases[] = {
        {"an empty file", {}, WINCODEC_ERR_BADHEADER},
        {"a header cut short", Bytes(good.begin(), good.begin() + 100), WINCODEC_ERR_BADHEADER},
        {"a header and no data", Bytes(good.begin(), good.begin() + 128), WINCODEC_ERR_BADIMAGE},
        {"version 1", with({{1, {1}}}), WINCODEC_ERR_UNKNOWNIMAGEFORMAT},
        {"2 planes of 8 bits", with({{65, {2}}}), WINCODEC_ERR_BADHEADER},
        {"right edge left of the left one", with({{8, {0, 0x80}}}), WINCODEC_ERR_BADHEADER},
        {"32767 x 32767 in a small file", with({{8, {0xFE, 0x7F, 0xFE, 0x7F}}, {66, {0xFF, 0x7F}}}),
         WINCODEC_ERR_BADIMAGE},
        {"a DCX directory cut short", Bytes(dcx.begin(), dcx.begin() + 1000), WINCODEC_ERR_BADHEADER},
        {"a DCX page outside the file", pageOutside, WINCODEC_ERR_BADIMAGE},
        {"a DCX page cut in its header", Bytes(dcx.begin(), dcx.begin() + 4096 + 60), WINCODEC_ERR_BADIMAGE},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.expected, Describe(c.file).hr);
        ExpectAsTheDecoder(c.file, c.name);
    }
}

// The bad-file table, each file as a PCX file and as the only page of a DCX
// file: refused or described as the decoders do.
TEST(PropertyHandler, BadFileTableAsTheDecoders) {
    for (const kypcx_test::BadFile& bad : kypcx_test::BadFiles()) {
        ExpectAsTheDecoder(bad.bytes, std::string(bad.name) + " as a PCX file");
        ExpectAsTheDecoder(kypcx_test::AssembleDcx({bad.bytes}), std::string(bad.name) + " as a DCX page");
    }
}

// Every cut of a PCX file and of a DCX file's directory and first page.
TEST(PropertyHandler, EveryCutAsTheDecoders) {
    const Bytes pcx = kypcx_test::LayoutFile(kypcx_test::MakeLayoutImage(4, 1, 30, 6), false);
    for (size_t n = 0; n <= pcx.size(); ++n)
        ExpectAsTheDecoder(Bytes(pcx.begin(), pcx.begin() + n), "PCX cut to " + std::to_string(n));
    const Bytes dcx = kypcx_test::AssembleDcx({pcx, pcx});
    for (size_t n = 0; n <= 4096 + pcx.size() + 8; n += n < 4090 ? 97 : 1)
        ExpectAsTheDecoder(Bytes(dcx.begin(), dcx.begin() + n), "DCX cut to " + std::to_string(n));
}

// A handler is read-only and initialized once; it answers the calls a shell
// makes of one as the interfaces say.
TEST(PropertyHandler, ReadOnlyAndInitializedOnce) {
    ComRef<IPropertyStore> store = HandlerThroughCom();
    ASSERT_TRUE(store);
    DWORD count = 99;
    EXPECT_EQ(S_OK, store->GetCount(&count));
    EXPECT_EQ(0u, count) << "nothing before Initialize";
    ComRef<IInitializeWithStream> init;
    ASSERT_EQ(S_OK, store->QueryInterface(IID_IInitializeWithStream, reinterpret_cast<void**>(init.put())));
    EXPECT_EQ(E_INVALIDARG, init->Initialize(nullptr, STGM_READ));
    Bytes bad = {0x0A, 0x01};
    ComRef<IWICStream> badStream = kypcx_test::MemoryStream(bad);
    EXPECT_EQ(WINCODEC_ERR_BADHEADER, init->Initialize(badStream.get(), STGM_READ));

    Bytes file = kypcx_test::fixtures::TrueColor().Bytes();
    ComRef<IWICStream> stream = kypcx_test::MemoryStream(file);
    ASSERT_EQ(S_OK, init->Initialize(stream.get(), STGM_READWRITE)) << "a failed Initialize may be retried";
    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_ALREADY_INITIALIZED), init->Initialize(stream.get(), STGM_READ));
    EXPECT_EQ(S_OK, store->GetCount(&count));
    EXPECT_EQ(6u, count);
    EXPECT_EQ(Unsigned(10), ValueOf(store.get(), kHorizontalSize));

    PROPVARIANT v;
    PropVariantInit(&v);
    v.vt = VT_UI4;
    v.ulVal = 1;
    EXPECT_EQ(STG_E_ACCESSDENIED, store->SetValue(kHorizontalSize, v));
    EXPECT_EQ(STG_E_ACCESSDENIED, store->Commit());
    EXPECT_EQ(Unsigned(10), ValueOf(store.get(), kHorizontalSize));
    ComRef<IPropertyStoreCapabilities> capabilities;
    ASSERT_EQ(S_OK, store->QueryInterface(IID_IPropertyStoreCapabilities,
                                          reinterpret_cast<void**>(capabilities.put())));
    for (const PROPERTYKEY& key : {kHorizontalSize, kDimensions, kPageCount})
        EXPECT_EQ(S_FALSE, capabilities->IsPropertyWritable(key));

    ComRef<IWICBitmapDecoder> notOne;
    EXPECT_EQ(E_NOINTERFACE, store->QueryInterface(IID_IWICBitmapDecoder, reinterpret_cast<void**>(notOne.put())));
    EXPECT_EQ(E_POINTER, store->GetCount(nullptr));
    EXPECT_EQ(E_POINTER, store->GetValue(kHorizontalSize, nullptr));
}

// The DLL's class object hands out handlers without any registration, as a
// host that loads the DLL itself gets them.
TEST(PropertyHandler, ThroughTheClassObjectWithoutRegistration) {
    HMODULE codec = LoadLibraryW(L"KyPCXCodec.dll");
    ASSERT_NE(nullptr, codec);
    using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
    const auto getClassObject = KYPCX_MODULE_EXPORT(GetClassObjectFn, codec, "DllGetClassObject");
    ASSERT_NE(nullptr, getClassObject);
    {
        ComRef<IClassFactory> factory;
        ASSERT_EQ(S_OK, getClassObject(CLSID_KyPcxPropertyHandler, IID_IClassFactory,
                                       reinterpret_cast<void**>(factory.put())));
        ComRef<IUnknown> aggregated;
        ComRef<IUnknown> outer;
        factory->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(outer.put()));
        EXPECT_EQ(CLASS_E_NOAGGREGATION,
                  factory->CreateInstance(outer.get(), IID_IUnknown, reinterpret_cast<void**>(aggregated.put())));
        ComRef<IPropertyStore> store;
        ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IID_IPropertyStore, reinterpret_cast<void**>(store.put())));
        factory.reset();
        Bytes file = kypcx_test::AssembleDcx({kypcx_test::fixtures::TwoFiftySix().Bytes()});
        ComRef<IWICStream> stream = kypcx_test::MemoryStream(file);
        const Described direct = DescribeStream(stream.get(), std::move(store));
        EXPECT_EQ(S_OK, direct.hr);
        const Described registered = Describe(file);
        EXPECT_EQ(registered.listed, direct.listed) << Show(direct.listed);
        EXPECT_EQ(Signed(1), direct.Get(kPageCount));
        EXPECT_EQ(Unsigned(8), direct.Get(kBitDepth));
    }
    FreeLibrary(codec);
}

}  // namespace
