// A host that loads the codec on demand, as COM does for an in-process
// server: thousands of cycles of loading KyPCXCodec.dll, decoding a PCX file
// and a DCX page, describing the DCX file and saving a DCX file of two
// pages through its class objects, releasing everything and
// unloading it once DllCanUnloadNow allows, leave the process's
// thread-local-storage indexes, handles and memory where they were. Decoding
// and encoding through the imaging factory, which keeps the codec loaded,
// stay flat too.
#include <windows.h>

#include <propsys.h>
#include <wincodec.h>

#include <string>
#include <vector>

#include "KyPCXCodec.h"
#include "codec/EncoderClient.h"
#include "codec/WicClient.h"
#include "support/DcxFixtures.h"
#include "support/KyPcxTestSupport.h"
#include "support/LayoutFixtures.h"
#include "support/ProcessMeasure.h"

namespace {

using kypcx_test::ComRef;
using Bytes = std::vector<uint8_t>;

constexpr int kWarmUpCycles = 30;
constexpr int kCycles = 2000;

using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
using CanUnloadNowFn = HRESULT(STDAPICALLTYPE*)();

// An object of class `clsid` made by its class object, as `iid`.
template <typename T>
HRESULT CreateWith(GetClassObjectFn getClassObject, const CLSID& clsid, REFIID iid, ComRef<T>* object) {
    ComRef<IClassFactory> factory;
    const HRESULT hr = getClassObject(clsid, IID_IClassFactory, reinterpret_cast<void**>(factory.put()));
    if (FAILED(hr)) return hr;
    return factory->CreateInstance(nullptr, iid, reinterpret_cast<void**>(object->put()));
}

// Decodes frame `index` of `bytes` with a decoder of `decoderClass` made by
// the class object; the HRESULT of the first step that failed.
HRESULT DecodeWith(GetClassObjectFn getClassObject, const CLSID& decoderClass, Bytes& bytes, UINT index) {
    ComRef<IWICBitmapDecoder> decoder;
    HRESULT hr = CreateWith(getClassObject, decoderClass, IID_IWICBitmapDecoder, &decoder);
    if (FAILED(hr)) return hr;
    ComRef<IWICStream> stream = kypcx_test::MemoryStream(bytes);
    hr = decoder->Initialize(stream.get(), WICDecodeMetadataCacheOnDemand);
    if (FAILED(hr)) return hr;
    const kypcx_test::FrameImage image = kypcx_test::ReadFrame(decoder.get(), index);
    return image.hr;
}

// Reads the properties of `bytes` with a property handler made by the class
// object; the HRESULT of the first step that failed.
HRESULT DescribeWith(GetClassObjectFn getClassObject, Bytes& bytes) {
    ComRef<IInitializeWithStream> handler;
    HRESULT hr = CreateWith(getClassObject, CLSID_KyPcxPropertyHandler, IID_IInitializeWithStream, &handler);
    if (FAILED(hr)) return hr;
    ComRef<IWICStream> stream = kypcx_test::MemoryStream(bytes);
    hr = handler->Initialize(stream.get(), STGM_READ);
    if (FAILED(hr)) return hr;
    ComRef<IPropertyStore> store;
    hr = handler->QueryInterface(IID_IPropertyStore, reinterpret_cast<void**>(store.put()));
    if (FAILED(hr)) return hr;
    for (DWORD i = 0;; ++i) {
        PROPERTYKEY key;
        if (store->GetAt(i, &key) != S_OK) break;
        PROPVARIANT value;
        hr = store->GetValue(key, &value);
        PropVariantClear(&value);
        if (FAILED(hr)) return hr;
    }
    return S_OK;
}

// Saves `pages` as a DCX file through `encoder`, into memory; the HRESULT of
// the first step that failed.
HRESULT EncodeWith(IWICBitmapEncoder* encoder, const std::vector<kypcx_test::Picture>& pages) {
    ComRef<kypcx_test::TestStream> stream;
    *stream.put() = kypcx_test::TestStream::Create();
    HRESULT hr = encoder->Initialize(stream.get(), WICBitmapEncoderNoCache);
    for (const kypcx_test::Picture& page : pages)
        if (SUCCEEDED(hr)) hr = kypcx_test::WriteFrame(encoder, page);
    return SUCCEEDED(hr) ? encoder->Commit() : hr;
}

// An 8-bit page, and a BGRA one whose last row alone is not opaque: its
// lines are held until then and written again with alpha.
std::vector<kypcx_test::Picture> PagesToSave() {
    kypcx_test::Picture bgra = kypcx_test::PatternPicture(GUID_WICPixelFormat32bppBGRA, 29, 6);
    bgra.pixels[size_t(bgra.stride) * 5 + 3] = 0;
    return {kypcx_test::PatternPicture(GUID_WICPixelFormat8bppIndexed, 31, 5), bgra};
}

struct Files {
    Bytes pcx = kypcx_test::LayoutFile(kypcx_test::MakeLayoutImage(1, 8, 40, 20), false);
    Bytes dcx = kypcx_test::AssembleDcx({kypcx_test::LayoutFile(kypcx_test::MakeLayoutImage(1, 1, 33, 9), false),
                                         kypcx_test::LayoutFile(kypcx_test::MakeLayoutImage(3, 8, 21, 7), true)});
    std::vector<kypcx_test::Picture> pages = PagesToSave();
};

// Runs `count` cycles; an empty string, or what went wrong first.
std::string RunCycles(Files& files, int count) {
    for (int cycle = 0; cycle < count; ++cycle) {
        HMODULE module = LoadLibraryW(L"KyPCXCodec.dll");
        if (module == nullptr) return "LoadLibraryW failed, error " + std::to_string(GetLastError());
        const auto getClassObject = KYPCX_MODULE_EXPORT(GetClassObjectFn, module, "DllGetClassObject");
        const auto canUnloadNow = KYPCX_MODULE_EXPORT(CanUnloadNowFn, module, "DllCanUnloadNow");
        if (getClassObject == nullptr || canUnloadNow == nullptr) return "exports missing";
        const HRESULT pcx = DecodeWith(getClassObject, CLSID_KyPcxPcxDecoder, files.pcx, 0);
        const HRESULT dcx = DecodeWith(getClassObject, CLSID_KyPcxDcxDecoder, files.dcx, 1);
        const HRESULT described = DescribeWith(getClassObject, files.dcx);
        ComRef<IWICBitmapEncoder> encoder;
        HRESULT saved = CreateWith(getClassObject, CLSID_KyPcxDcxEncoder, IID_IWICBitmapEncoder, &encoder);
        if (SUCCEEDED(saved)) saved = EncodeWith(encoder.get(), files.pages);
        encoder.reset();
        if (pcx != S_OK || dcx != S_OK || described != S_OK || saved != S_OK)
            return "decoding or encoding failed at cycle " + std::to_string(cycle) + ": " + std::to_string(pcx) +
                   ", " + std::to_string(dcx) + ", " + std::to_string(described) + ", " + std::to_string(saved);
        if (canUnloadNow() != S_OK) return "DllCanUnloadNow says no with nothing held";
        FreeLibrary(module);
        if (GetModuleHandleW(L"KyPCXCodec.dll") != nullptr) return "KyPCXCodec.dll still mapped after FreeLibrary";
    }
    return "";
}

TEST(CodecLoadUnload, ThousandsOfCyclesLeaveTheProcessAsTheyFoundIt) {
    ASSERT_EQ(nullptr, GetModuleHandleW(L"KyPCXCodec.dll")) << "nothing else may hold the codec here";
    kypcx_test::Factory();  // the imaging component's own setup is not counted
    Files files;
    ASSERT_EQ("", RunCycles(files, kWarmUpCycles));
    const kypcx_test::ProcessMeasure before = kypcx_test::Measure();
    ASSERT_EQ("", RunCycles(files, kCycles));
    const kypcx_test::ProcessMeasure after = kypcx_test::Measure();
    kypcx_test::ExpectProcessFlat(before, after, kCycles, "codec load/unload cycles");
}

TEST(CodecLoadUnload, ObjectsAliveKeepTheCodecLoaded) {
    HMODULE module = LoadLibraryW(L"KyPCXCodec.dll");
    ASSERT_NE(nullptr, module);
    const auto getClassObject = KYPCX_MODULE_EXPORT(GetClassObjectFn, module, "DllGetClassObject");
    const auto canUnloadNow = KYPCX_MODULE_EXPORT(CanUnloadNowFn, module, "DllCanUnloadNow");
    {
        ComRef<IClassFactory> factory;
        ASSERT_EQ(S_OK, getClassObject(CLSID_KyPcxDcxDecoder, IID_IClassFactory, reinterpret_cast<void**>(factory.put())));
        EXPECT_EQ(S_FALSE, canUnloadNow()) << "a class object is held";
        ComRef<IWICBitmapDecoder> decoder;
        ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IID_IWICBitmapDecoder, reinterpret_cast<void**>(decoder.put())));
        factory.reset();
        EXPECT_EQ(S_FALSE, canUnloadNow()) << "a decoder is held";
        ComRef<IUnknown> other;
        EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE, getClassObject(CLSID_WICImagingFactory, IID_IClassFactory,
                                                            reinterpret_cast<void**>(other.put())));
    }
    EXPECT_EQ(S_OK, canUnloadNow());
    {
        ComRef<IPropertyStore> handler;
        ASSERT_EQ(S_OK, CreateWith(getClassObject, CLSID_KyPcxPropertyHandler, IID_IPropertyStore, &handler));
        EXPECT_EQ(S_FALSE, canUnloadNow()) << "a property handler is held";
    }
    EXPECT_EQ(S_OK, canUnloadNow());
    {
        ComRef<IWICBitmapEncoder> encoder;
        ASSERT_EQ(S_OK, CreateWith(getClassObject, CLSID_KyPcxPcxEncoder, IID_IWICBitmapEncoder, &encoder));
        EXPECT_EQ(S_FALSE, canUnloadNow()) << "an encoder is held";
        ComRef<kypcx_test::TestStream> stream;
        *stream.put() = kypcx_test::TestStream::Create();
        ASSERT_EQ(S_OK, encoder->Initialize(stream.get(), WICBitmapEncoderNoCache));
        ComRef<IWICBitmapFrameEncode> frame;
        ASSERT_EQ(S_OK, encoder->CreateNewFrame(frame.put(), nullptr));
        encoder.reset();
        EXPECT_EQ(S_FALSE, canUnloadNow()) << "a frame is held";
    }
    EXPECT_EQ(S_OK, canUnloadNow());
    FreeLibrary(module);
}

TEST(CodecLoadUnload, DecodesAndEncodesThroughTheFactoryStayFlat) {
    Files files;
    const auto decodeBoth = [&files]() {
        for (Bytes* bytes : {&files.pcx, &files.dcx}) {
            ComRef<IWICBitmapDecoder> decoder;
            ASSERT_EQ(S_OK, kypcx_test::OpenBytes(*bytes, &decoder));
            UINT frames = 0;
            ASSERT_EQ(S_OK, decoder->GetFrameCount(&frames));
            for (UINT i = 0; i < frames; ++i) ASSERT_EQ(S_OK, kypcx_test::ReadFrame(decoder.get(), i).hr);
        }
        ComRef<IWICBitmapEncoder> encoder;
        ASSERT_EQ(S_OK, kypcx_test::CreateEncoder(GUID_KyPcxContainerFormatDcx, &encoder));
        ASSERT_EQ(S_OK, EncodeWith(encoder.get(), files.pages));
    };
    for (int i = 0; i < kWarmUpCycles; ++i) decodeBoth();
    const kypcx_test::ProcessMeasure before = kypcx_test::Measure();
    for (int i = 0; i < kCycles && !HasFatalFailure(); ++i) decodeBoth();
    const kypcx_test::ProcessMeasure after = kypcx_test::Measure();
    kypcx_test::ExpectProcessFlat(before, after, kCycles, "decodes and encodes through the factory");
}

}  // namespace
