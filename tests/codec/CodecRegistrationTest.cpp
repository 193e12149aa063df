// Registering and unregistering the codec, through regsvr32 as an installer
// runs it and through the DLL's own exports: registering writes the
// decoders' and encoders' keys with what the imaging factory needs, after
// which the factory opens PCX files and makes encoders, and the property
// handler's class;
// unregistering removes every key registration wrote and no other, after
// which the factory finds no decoder for them (ShellRegistrationTest.cpp
// holds the shell's keys to the same). Two copies of the codec each remove
// only what names them. The program ends
// with the codec registered, as the test run set it up.
#include <windows.h>

#include <wincodec.h>

#include <set>
#include <string>
#include <vector>

#include "KyPCXCodec.h"
#include "codec/RegistryClient.h"
#include "codec/WicClient.h"
#include "support/KyPcxTestSupport.h"
#include "support/PcxFixtures.h"

namespace {

using kypcx_test::ComRef;
using Names = std::set<std::wstring>;

using kypcx_test::CodecPath;
using kypcx_test::GuidText;
using kypcx_test::RunRegsvr32;

// The names of the keys directly below `path` (HKEY_CLASSES_ROOT when empty).
Names SubkeyNames(const std::wstring& path) {
    Names names;
    HKEY key = HKEY_CLASSES_ROOT;
    if (!path.empty() && RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return names;
    wchar_t name[256];
    for (DWORD i = 0;; ++i) {
        DWORD length = 256;
        if (RegEnumKeyExW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        names.insert(name);
    }
    if (key != HKEY_CLASSES_ROOT) RegCloseKey(key);
    return names;
}

// Every key below `path`, as paths relative to it.
Names KeysBelow(const std::wstring& path) {
    Names all;
    for (const std::wstring& name : SubkeyNames(path)) {
        all.insert(name);
        for (const std::wstring& deeper : KeysBelow(path + L"\\" + name)) all.insert(name + L"\\" + deeper);
    }
    return all;
}

bool KeyExists(const std::wstring& path) { return kypcx_test::KeyExists(HKEY_CLASSES_ROOT, path); }

std::wstring StringValue(const std::wstring& path, const wchar_t* name) {
    return kypcx_test::StringValue(HKEY_CLASSES_ROOT, path, name);
}

DWORD DwordValue(const std::wstring& path, const wchar_t* name) {
    DWORD value = 0xFFFFFFFF, size = sizeof value;
    RegGetValueW(HKEY_CLASSES_ROOT, path.c_str(), name, RRF_RT_REG_DWORD, nullptr, &value, &size);
    return value;
}

const std::wstring kDecoders = L"CLSID\\" + GuidText(CATID_WICBitmapDecoders) + L"\\Instance";
const std::wstring kEncoders = L"CLSID\\" + GuidText(CATID_WICBitmapEncoders) + L"\\Instance";

// Every place registration could leave a key: the top of the classes, the
// classes' CLSID keys, and the categories of decoders and encoders.
struct Snapshot {
    Names top = SubkeyNames(L"");
    Names classes = SubkeyNames(L"CLSID");
    Names decoders = SubkeyNames(kDecoders);
    Names encoders = SubkeyNames(kEncoders);
    bool operator==(const Snapshot& o) const {
        return top == o.top && classes == o.classes && decoders == o.decoders && encoders == o.encoders;
    }
};

Names Added(const Names& now, const Names& before) {
    Names added;
    for (const std::wstring& n : now)
        if (before.count(n) == 0) added.insert(n);
    return added;
}

std::string Show(const Names& names) {
    std::string text;
    for (const std::wstring& n : names) text += kypcx_test::Narrow(n) + " ";
    return text;
}

// Whether the factory opens a PCX file's bytes.
HRESULT FactoryOpensPcx() {
    std::vector<uint8_t> bytes = kypcx_test::fixtures::TrueColor().Bytes();
    ComRef<IWICBitmapDecoder> decoder;
    return kypcx_test::OpenBytes(bytes, &decoder);
}

// The keys below a decoder class (the bytes of its files in `patterns`) or
// an encoder class (no patterns): its description's subkeys.
Names ExpectedClassKeys(size_t patterns) {
    Names keys = {L"InprocServer32", L"Formats"};
    if (patterns != 0) keys.insert(L"Patterns");
    for (const GUID* format : {&GUID_WICPixelFormat1bppIndexed, &GUID_WICPixelFormat4bppIndexed,
                               &GUID_WICPixelFormat8bppIndexed, &GUID_WICPixelFormat24bppBGR,
                               &GUID_WICPixelFormat32bppBGRA})
        keys.insert(L"Formats\\" + GuidText(*format));
    for (size_t i = 0; i < patterns; ++i) keys.insert(L"Patterns\\" + std::to_wstring(i));
    return keys;
}

// Whether the factory makes an encoder for PCX files.
HRESULT FactoryMakesPcxEncoder() {
    ComRef<IWICBitmapEncoder> encoder;
    return kypcx_test::Factory()->CreateEncoder(GUID_KyPcxContainerFormatPcx, nullptr, encoder.put());
}

TEST(CodecRegistration, WritesTheCodecsKeysAndRemovesEveryOne) {
    const std::wstring pcxClass = GuidText(CLSID_KyPcxPcxDecoder);
    const std::wstring dcxClass = GuidText(CLSID_KyPcxDcxDecoder);
    const std::wstring pcxEncoder = GuidText(CLSID_KyPcxPcxEncoder);
    const std::wstring dcxEncoder = GuidText(CLSID_KyPcxDcxEncoder);
    const std::wstring handlerClass = GuidText(CLSID_KyPcxPropertyHandler);

    ASSERT_EQ(0u, RunRegsvr32(L"/u"));
    const Snapshot unregistered;
    EXPECT_FALSE(KeyExists(L"CLSID\\" + pcxClass));
    EXPECT_FALSE(KeyExists(kDecoders + L"\\" + dcxClass));
    EXPECT_EQ(WINCODEC_ERR_COMPONENTNOTFOUND, FactoryOpensPcx());
    EXPECT_EQ(WINCODEC_ERR_COMPONENTNOTFOUND, FactoryMakesPcxEncoder());

    kypcx_test::CodecServer codec;
    ASSERT_TRUE(codec.loaded());

    ASSERT_EQ(S_OK, codec.Register());
    const Snapshot registered;
    // At the top of the classes, only the file types' keys (and the shell's
    // key for associations of every program, where there was none).
    Names types = {L".pcx", L".dcx"};
    if (unregistered.top.count(L"SystemFileAssociations") == 0) types.insert(L"SystemFileAssociations");
    EXPECT_EQ(types, Added(registered.top, unregistered.top)) << Show(Added(registered.top, unregistered.top));
    EXPECT_EQ((Names{pcxClass, dcxClass, pcxEncoder, dcxEncoder, handlerClass}),
              Added(registered.classes, unregistered.classes))
        << Show(Added(registered.classes, unregistered.classes));
    EXPECT_EQ((Names{pcxClass, dcxClass}), Added(registered.decoders, unregistered.decoders));
    EXPECT_EQ((Names{pcxEncoder, dcxEncoder}), Added(registered.encoders, unregistered.encoders));
    EXPECT_EQ(Names(), Added(unregistered.classes, registered.classes)) << "registration removed a class";
    EXPECT_EQ(ExpectedClassKeys(5), KeysBelow(L"CLSID\\" + pcxClass)) << Show(KeysBelow(L"CLSID\\" + pcxClass));
    EXPECT_EQ(ExpectedClassKeys(1), KeysBelow(L"CLSID\\" + dcxClass));
    EXPECT_EQ(ExpectedClassKeys(0), KeysBelow(L"CLSID\\" + pcxEncoder)) << Show(KeysBelow(L"CLSID\\" + pcxEncoder));
    EXPECT_EQ(ExpectedClassKeys(0), KeysBelow(L"CLSID\\" + dcxEncoder));
    EXPECT_EQ(Names{L"InprocServer32"}, KeysBelow(L"CLSID\\" + handlerClass));
    for (const std::wstring& cls : {pcxClass, dcxClass, pcxEncoder, dcxEncoder, handlerClass}) {
        const std::wstring key = L"CLSID\\" + cls;
        EXPECT_EQ(0, lstrcmpiW(CodecPath().c_str(), StringValue(key + L"\\InprocServer32", nullptr).c_str()))
            << kypcx_test::Narrow(StringValue(key + L"\\InprocServer32", nullptr));
        EXPECT_EQ(L"Both", StringValue(key + L"\\InprocServer32", L"ThreadingModel"));
    }
    for (const std::wstring& cls : {pcxClass, dcxClass, pcxEncoder, dcxEncoder}) {
        const std::wstring key = L"CLSID\\" + cls;
        EXPECT_EQ(GuidText(GUID_KyPcxVendor), StringValue(key, L"Vendor"));
        const std::wstring& category = cls == pcxEncoder || cls == dcxEncoder ? kEncoders : kDecoders;
        EXPECT_EQ(cls, StringValue(category + L"\\" + cls, L"CLSID"));
    }
    // The decoders' arbitration priority; an encoder has none (DwordValue's
    // 0xFFFFFFFF).
    const struct {
        const std::wstring& cls;
        const GUID& container;
        const wchar_t* extension;
        DWORD multiframe;
        DWORD priority;
    } formats[] = {
        {pcxClass, GUID_KyPcxContainerFormatPcx, L".pcx", 0, 1},
        {dcxClass, GUID_KyPcxContainerFormatDcx, L".dcx", 1, 1},
        {pcxEncoder, GUID_KyPcxContainerFormatPcx, L".pcx", 0, 0xFFFFFFFF},
        {dcxEncoder, GUID_KyPcxContainerFormatDcx, L".dcx", 1, 0xFFFFFFFF},
    };
    for (const auto& f : formats) {
        const std::wstring key = L"CLSID\\" + f.cls;
        EXPECT_EQ(GuidText(f.container), StringValue(key, L"ContainerFormat"));
        EXPECT_EQ(f.extension, StringValue(key, L"FileExtensions"));
        EXPECT_EQ(f.multiframe, DwordValue(key, L"SupportMultiframe"));
        EXPECT_EQ(f.priority, DwordValue(key, L"ArbitrationPriority"));
    }
    EXPECT_EQ(S_OK, FactoryOpensPcx());
    EXPECT_EQ(S_OK, FactoryMakesPcxEncoder());

    ASSERT_EQ(S_OK, codec.Unregister());
    EXPECT_TRUE(unregistered == Snapshot()) << "DllUnregisterServer left keys: "
                                            << Show(Added(Snapshot().classes, unregistered.classes));
    EXPECT_EQ(S_OK, codec.Unregister()) << "unregistering twice";
    codec.Unload();

    ASSERT_EQ(0u, RunRegsvr32(L""));
    EXPECT_TRUE(registered == Snapshot()) << "regsvr32 writes what DllRegisterServer writes";
    ASSERT_EQ(0u, RunRegsvr32(L"/u"));
    EXPECT_TRUE(unregistered == Snapshot()) << "regsvr32 /u left keys: "
                                            << Show(Added(Snapshot().classes, unregistered.classes));
    ASSERT_EQ(0u, RunRegsvr32(L""));
    EXPECT_TRUE(KeyExists(kDecoders + L"\\" + pcxClass));
}

// Two copies of the codec: the one registered last serves the formats, and
// unregistering the other leaves its keys alone, the shell's among them.
TEST(CodecRegistration, UnregisteringOneCopyLeavesAnothersKeys) {
    kypcx_test::ScratchDir dir;
    const std::wstring copy = dir.Path(L"KyPCXCodec.dll");
    ASSERT_TRUE(CopyFileW(CodecPath().c_str(), copy.c_str(), FALSE));
    const std::wstring server = L"CLSID\\" + GuidText(CLSID_KyPcxPcxDecoder) + L"\\InprocServer32";
    const std::wstring handlerServer = L"CLSID\\" + GuidText(CLSID_KyPcxPropertyHandler) + L"\\InprocServer32";

    kypcx_test::CodecServer other(copy);
    ASSERT_TRUE(other.loaded());
    ASSERT_EQ(S_OK, other.Register());
    EXPECT_EQ(0, lstrcmpiW(copy.c_str(), StringValue(server, nullptr).c_str()));

    ASSERT_EQ(0u, RunRegsvr32(L"/u"));
    EXPECT_EQ(0, lstrcmpiW(copy.c_str(), StringValue(server, nullptr).c_str()))
        << "unregistering the first copy took the second one's keys";
    EXPECT_TRUE(KeyExists(kDecoders + L"\\" + GuidText(CLSID_KyPcxDcxDecoder)));
    EXPECT_TRUE(KeyExists(kEncoders + L"\\" + GuidText(CLSID_KyPcxDcxEncoder)));
    EXPECT_EQ(0, lstrcmpiW(copy.c_str(), StringValue(handlerServer, nullptr).c_str()));
    EXPECT_EQ(L"image", StringValue(L".pcx", L"PerceivedType")) << "the shell's keys went with the first copy";
    EXPECT_EQ(S_OK, FactoryOpensPcx());

    ASSERT_EQ(S_OK, other.Unregister());
    EXPECT_FALSE(KeyExists(L"CLSID\\" + GuidText(CLSID_KyPcxPcxDecoder)));
    EXPECT_FALSE(KeyExists(kDecoders + L"\\" + GuidText(CLSID_KyPcxDcxDecoder)));
    EXPECT_FALSE(KeyExists(L"CLSID\\" + GuidText(CLSID_KyPcxPcxEncoder)));
    EXPECT_FALSE(KeyExists(kEncoders + L"\\" + GuidText(CLSID_KyPcxDcxEncoder)));
    EXPECT_FALSE(KeyExists(L"CLSID\\" + GuidText(CLSID_KyPcxPropertyHandler)));
    EXPECT_EQ(L"(none)", StringValue(L".pcx", L"PerceivedType"));
    other.Unload();
    CoFreeUnusedLibrariesEx(0, 0);  // the factory's hold on the copy, so its folder can go

    ASSERT_EQ(0u, RunRegsvr32(L""));
    EXPECT_EQ(0, lstrcmpiW(CodecPath().c_str(), StringValue(server, nullptr).c_str()));
}

}  // namespace
