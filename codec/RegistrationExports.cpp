// DllRegisterServer and DllUnregisterServer: the registry keys by which the
// imaging component finds the two decoders, written and removed whole.
//
// For each decoder class, under HKEY_CLASSES_ROOT:
//   CLSID\{class}                  its description: friendly name, vendor,
//                                  container format, version, extensions,
//                                  MIME types, what it supports
//     InprocServer32               this DLL's path, threading model Both
//     Formats\{pixel format}       one empty key per pixel format it gives
//     Patterns\<n>                 the bytes its files begin with
//   CLSID\{decoders category}\Instance\{class}
//                                  its entry in the category of decoders,
//                                  which the factory enumerates
// Nothing else is written, so unregistering removes exactly these keys;
// other classes' keys and the category's own key stay. Unregistering takes
// away only the classes whose server path names this file: where another
// copy of the codec registered since, its keys stay.
#include <windows.h>

#include <olectl.h>
#include <wincodec.h>

#include "KyPCXCodec.h"
#include "KyPcxVersion.h"
#include "codec/CodecFormats.h"
#include "codec/CodecModule.h"

namespace {

constexpr wchar_t kAuthor[] = L"KyPCX developers";
constexpr wchar_t kVersion[] = L"" KYPCX_VERSION_STRING L".0.0";
constexpr wchar_t kColorManagementVersion[] = L"1.0.0.0";
constexpr DWORD kPathChars = 32768;

// A registry key open for writing, closed with its scope.
class WritableKey {
public:
    WritableKey() = default;
    ~WritableKey() {
        if (key_ != nullptr) RegCloseKey(key_);
    }
    WritableKey(const WritableKey&) = delete;
    WritableKey& operator=(const WritableKey&) = delete;

    // Creates or opens `path` below `parent`.
    LSTATUS Create(HKEY parent, const wchar_t* path) {
        return RegCreateKeyExW(parent, path, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, &key_, nullptr);
    }
    LSTATUS SetString(const wchar_t* name, const wchar_t* value) const {
        return RegSetValueExW(key_, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                              DWORD((lstrlenW(value) + 1) * sizeof(wchar_t)));
    }
    LSTATUS SetDword(const wchar_t* name, DWORD value) const {
        return RegSetValueExW(key_, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    }
    LSTATUS SetBinary(const wchar_t* name, const uint8_t* bytes, DWORD length) const {
        return RegSetValueExW(key_, name, 0, REG_BINARY, bytes, length);
    }
    HKEY get() const { return key_; }

private:
    HKEY key_ = nullptr;
};

// "{XXXXXXXX-...}" of a GUID.
struct GuidText {
    wchar_t text[40];
    explicit GuidText(const GUID& guid) {
        if (StringFromGUID2(guid, text, 40) == 0) text[0] = L'\0';
    }
};

// "CLSID\{class}" and "CLSID\{category}\Instance\{class}".
struct ClassPaths {
    wchar_t classKey[64];
    wchar_t instanceKey[128];
    explicit ClassPaths(const CodecFormat& format) {
        const GuidText clsid(*format.decoderClass);
        const GuidText category(CATID_WICBitmapDecoders);
        lstrcpyW(classKey, L"CLSID\\");
        lstrcatW(classKey, clsid.text);
        lstrcpyW(instanceKey, L"CLSID\\");
        lstrcatW(instanceKey, category.text);
        lstrcatW(instanceKey, L"\\Instance\\");
        lstrcatW(instanceKey, clsid.text);
    }
};

// Removes a key and everything below it; a key that is not there is fine.
LSTATUS RemoveTree(const wchar_t* path) {
    const LSTATUS status = RegDeleteTreeW(HKEY_CLASSES_ROOT, path);
    if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) return status;
    const LSTATUS removed = RegDeleteKeyW(HKEY_CLASSES_ROOT, path);
    return removed == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : removed;
}

LSTATUS UnregisterFormat(const CodecFormat& format) {
    const ClassPaths paths(format);
    const LSTATUS instance = RemoveTree(paths.instanceKey);
    const LSTATUS description = RemoveTree(paths.classKey);
    return instance != ERROR_SUCCESS ? instance : description;
}

// Two paths name the same file: equal ignoring case, or equal once each is
// written out long (a short 8.3 name and its long form are one file).
bool SamePath(const wchar_t* a, const wchar_t* b) {
    if (lstrcmpiW(a, b) == 0) return true;
    wchar_t* longA = static_cast<wchar_t*>(HeapAlloc(GetProcessHeap(), 0, 2 * kPathChars * sizeof(wchar_t)));
    if (longA == nullptr) return false;
    wchar_t* longB = longA + kPathChars;
    const DWORD lengthA = GetLongPathNameW(a, longA, kPathChars);
    const DWORD lengthB = GetLongPathNameW(b, longB, kPathChars);
    const bool same = lengthA != 0 && lengthA < kPathChars && lengthB != 0 && lengthB < kPathChars &&
                      lstrcmpiW(longA, longB) == 0;
    HeapFree(GetProcessHeap(), 0, longA);
    return same;
}

// Whether the format's registration is this file's: its server path names
// `modulePath`. Another copy of the codec (another folder, another version)
// that registered last owns the keys, and they stay its own.
bool RegisteredToThisFile(const CodecFormat& format, const wchar_t* modulePath) {
    const ClassPaths paths(format);
    wchar_t serverKey[96];
    lstrcpyW(serverKey, paths.classKey);
    lstrcatW(serverKey, L"\\InprocServer32");
    wchar_t* server = static_cast<wchar_t*>(HeapAlloc(GetProcessHeap(), 0, kPathChars * sizeof(wchar_t)));
    if (server == nullptr) return false;
    DWORD size = kPathChars * sizeof(wchar_t);
    const bool mine = RegGetValueW(HKEY_CLASSES_ROOT, serverKey, nullptr, RRF_RT_REG_SZ,
                                   nullptr, server, &size) == ERROR_SUCCESS &&
                      SamePath(server, modulePath);
    HeapFree(GetProcessHeap(), 0, server);
    return mine;
}

// This DLL's own path, in a heap block the caller frees; null when it cannot
// be had whole.
wchar_t* ModulePath() {
    wchar_t* path = static_cast<wchar_t*>(HeapAlloc(GetProcessHeap(), 0, kPathChars * sizeof(wchar_t)));
    if (path == nullptr) return nullptr;
    const DWORD length = GetModuleFileNameW(CodecModule(), path, kPathChars);
    if (length == 0 || length >= kPathChars) {
        HeapFree(GetProcessHeap(), 0, path);
        return nullptr;
    }
    return path;
}

LSTATUS WritePatterns(HKEY classKey, const CodecFormat& format) {
    for (size_t i = 0; i < format.patternCount; ++i) {
        const CodecPattern& p = format.patterns[i];
        wchar_t name[] = L"Patterns\\0";  // fewer than ten patterns a format
        name[lstrlenW(name) - 1] = wchar_t(L'0' + i);
        WritableKey key;
        LSTATUS status = key.Create(classKey, name);
        if (status == ERROR_SUCCESS) status = key.SetDword(L"Position", p.position);
        if (status == ERROR_SUCCESS) status = key.SetDword(L"Length", p.length);
        if (status == ERROR_SUCCESS) status = key.SetBinary(L"Pattern", p.pattern, p.length);
        if (status == ERROR_SUCCESS) status = key.SetBinary(L"Mask", p.mask, p.length);
        if (status == ERROR_SUCCESS) status = key.SetDword(L"EndOfStream", 0);
        if (status != ERROR_SUCCESS) return status;
    }
    return ERROR_SUCCESS;
}

LSTATUS RegisterFormat(const CodecFormat& format, const wchar_t* modulePath) {
    const ClassPaths paths(format);
    const GuidText vendor(GUID_KyPcxVendor);
    const GuidText container(*format.containerFormat);
    const GuidText clsid(*format.decoderClass);

    WritableKey description;
    LSTATUS status = description.Create(HKEY_CLASSES_ROOT, paths.classKey);
    const struct {
        const wchar_t* name;
        const wchar_t* value;
    } strings[] = {
        {nullptr, format.friendlyName},         {L"FriendlyName", format.friendlyName},
        {L"Author", kAuthor},                   {L"Vendor", vendor.text},
        {L"ContainerFormat", container.text},   {L"Version", kVersion},
        {L"ColorManagementVersion", kColorManagementVersion},
        {L"FileExtensions", format.fileExtensions}, {L"MimeTypes", format.mimeTypes},
    };
    for (const auto& s : strings)
        if (status == ERROR_SUCCESS) status = description.SetString(s.name, s.value);
    const struct {
        const wchar_t* name;
        DWORD value;
    } flags[] = {
        {L"SupportAnimation", 0},
        {L"SupportChromakey", 0},
        {L"SupportLossless", 1},
        {L"SupportMultiframe", format.multipleFrames ? 1u : 0u},
    };
    for (const auto& f : flags)
        if (status == ERROR_SUCCESS) status = description.SetDword(f.name, f.value);
    if (status != ERROR_SUCCESS) return status;

    {
        WritableKey server;
        status = server.Create(description.get(), L"InprocServer32");
        if (status == ERROR_SUCCESS) status = server.SetString(nullptr, modulePath);
        if (status == ERROR_SUCCESS) status = server.SetString(L"ThreadingModel", L"Both");
        if (status != ERROR_SUCCESS) return status;
    }
    for (const GUID* pixelFormat : kCodecPixelFormats) {
        wchar_t name[64] = L"Formats\\";
        lstrcatW(name, GuidText(*pixelFormat).text);
        WritableKey key;
        status = key.Create(description.get(), name);
        if (status != ERROR_SUCCESS) return status;
    }
    status = WritePatterns(description.get(), format);
    if (status != ERROR_SUCCESS) return status;

    WritableKey instance;
    status = instance.Create(HKEY_CLASSES_ROOT, paths.instanceKey);
    if (status == ERROR_SUCCESS) status = instance.SetString(L"CLSID", clsid.text);
    if (status == ERROR_SUCCESS) status = instance.SetString(L"FriendlyName", format.friendlyName);
    return status;
}

}  // namespace

STDAPI DllRegisterServer() {
    wchar_t* path = ModulePath();
    if (path == nullptr) return SELFREG_E_CLASS;
    // Written afresh: keys of an earlier registration (another path, another
    // version) go first; the copy registered last serves the format.
    LSTATUS status = ERROR_SUCCESS;
    for (const CodecFormat& format : kCodecFormats) {
        if (status == ERROR_SUCCESS) status = UnregisterFormat(format);
        if (status == ERROR_SUCCESS) status = RegisterFormat(format, path);
    }
    HeapFree(GetProcessHeap(), 0, path);
    if (status == ERROR_SUCCESS) return S_OK;
    // Half a registration would show a decoder the factory cannot use.
    for (const CodecFormat& format : kCodecFormats) UnregisterFormat(format);
    return SELFREG_E_CLASS;
}

// Removes the keys of the formats this file serves. A format that another
// copy of the codec registered since keeps its keys: unregistering one copy
// must not take the format away from the programs the other serves.
STDAPI DllUnregisterServer() {
    wchar_t* path = ModulePath();
    if (path == nullptr) return SELFREG_E_CLASS;
    LSTATUS status = ERROR_SUCCESS;
    for (const CodecFormat& format : kCodecFormats) {
        if (!RegisteredToThisFile(format, path)) continue;
        const LSTATUS removed = UnregisterFormat(format);
        if (status == ERROR_SUCCESS) status = removed;
    }
    HeapFree(GetProcessHeap(), 0, path);
    return status == ERROR_SUCCESS ? S_OK : SELFREG_E_CLASS;
}
