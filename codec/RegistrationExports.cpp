// DllRegisterServer and DllUnregisterServer: the registry keys by which the
// imaging component finds the two decoders and the two encoders and the
// shell the property handler, and the shell's keys for the two file types.
//
// For each decoder and encoder class, under HKEY_CLASSES_ROOT:
//   CLSID\{class}                  its description: friendly name, vendor,
//                                  container format, version, extensions,
//                                  MIME types, what it supports
//     InprocServer32               this DLL's path, threading model Both
//     Formats\{pixel format}       one empty key per pixel format it gives
//                                  (a decoder) or writes (an encoder)
//     Patterns\<n>                 a decoder's: the bytes its files begin with
//   CLSID\{decoders category}\Instance\{class}, for a decoder, and
//   CLSID\{encoders category}\Instance\{class}, for an encoder
//                                  its entry in its category, which the
//                                  factory enumerates
// For the property handler:
//   CLSID\{handler}                its name
//     InprocServer32               this DLL's path, threading model Both
// These keys are the codec's own: written afresh, removed whole. Other
// classes' keys and the categories' own keys stay. Unregistering takes away
// only the classes whose server path names this file: where another copy of
// the codec registered since, its keys stay, and so do the shell's keys
// (ShellRegistration.h), which registering writes beside these and
// unregistering removes by its record of what it wrote.
#include <windows.h>

#include <olectl.h>
#include <wincodec.h>

#include "KyPCXCodec.h"
#include "KyPcxVersion.h"
#include "codec/CodecFormats.h"
#include "codec/CodecModule.h"
#include "codec/EncoderFormats.h"
#include "codec/RegistryKeys.h"
#include "codec/ShellRegistration.h"

namespace {

constexpr wchar_t kAuthor[] = L"KyPCX developers";
constexpr wchar_t kVersion[] = L"" KYPCX_VERSION_STRING L".0.0";
constexpr wchar_t kColorManagementVersion[] = L"1.0.0.0";
constexpr wchar_t kHandlerName[] = L"KyPCX PCX and DCX Property Handler";
constexpr DWORD kPathChars = 32768;

// The category a class is listed in: decoders or encoders; none for the
// property handler.
const GUID* CategoryOf(const CLSID& clsid) {
    if (FindCodecFormat(clsid) != nullptr) return &CATID_WICBitmapDecoders;
    if (FindEncoderFormat(clsid) != nullptr) return &CATID_WICBitmapEncoders;
    return nullptr;
}

// "CLSID\{class}" and "CLSID\{category}\Instance\{class}" (empty for a class
// in no category).
struct ClassPaths {
    wchar_t classKey[64];
    wchar_t instanceKey[128];
    explicit ClassPaths(const CLSID& classId) {
        const GuidText clsid(classId);
        lstrcpyW(classKey, L"CLSID\\");
        lstrcatW(classKey, clsid.text);
        instanceKey[0] = L'\0';
        const GUID* category = CategoryOf(classId);
        if (category == nullptr) return;
        lstrcpyW(instanceKey, L"CLSID\\");
        lstrcatW(instanceKey, GuidText(*category).text);
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

// Removes a class's keys: a decoder's or encoder's description and its entry
// in its category, or the property handler's description.
LSTATUS UnregisterClass(const CLSID& clsid) {
    const ClassPaths paths(clsid);
    const LSTATUS instance = paths.instanceKey[0] == L'\0' ? ERROR_SUCCESS : RemoveTree(paths.instanceKey);
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

// Whose a class's registration is: this file's when its server path names
// `modulePath`. Another copy of the codec (another folder, another version)
// that registered last owns the keys, and they stay its own.
enum class ClassServer { None, ThisFile, Another };

ClassServer ServerOf(const CLSID& clsid, const wchar_t* modulePath) {
    const ClassPaths paths(clsid);
    wchar_t serverKey[96];
    lstrcpyW(serverKey, paths.classKey);
    lstrcatW(serverKey, L"\\InprocServer32");
    wchar_t* server = static_cast<wchar_t*>(HeapAlloc(GetProcessHeap(), 0, kPathChars * sizeof(wchar_t)));
    if (server == nullptr) return ClassServer::Another;  // not known to be this file's: left alone
    DWORD size = kPathChars * sizeof(wchar_t);
    ClassServer owner = ClassServer::None;
    if (RegGetValueW(HKEY_CLASSES_ROOT, serverKey, nullptr, RRF_RT_REG_SZ, nullptr, server, &size) == ERROR_SUCCESS)
        owner = SamePath(server, modulePath) ? ClassServer::ThisFile : ClassServer::Another;
    HeapFree(GetProcessHeap(), 0, server);
    return owner;
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

// A class's InprocServer32 key: this DLL, threading model Both.
LSTATUS WriteServer(HKEY classKey, const wchar_t* modulePath) {
    RegistryKey server;
    LSTATUS status = server.Create(classKey, L"InprocServer32");
    if (status == ERROR_SUCCESS) status = server.SetString(nullptr, modulePath);
    if (status == ERROR_SUCCESS) status = server.SetString(L"ThreadingModel", L"Both");
    return status;
}

LSTATUS WritePatterns(HKEY classKey, const CodecFormat& format) {
    for (size_t i = 0; i < format.patternCount; ++i) {
        const CodecPattern& p = format.patterns[i];
        wchar_t name[] = L"Patterns\\0";  // fewer than ten patterns a format
        name[lstrlenW(name) - 1] = wchar_t(L'0' + i);
        RegistryKey key;
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

// A decoder's or encoder's class: its description, server, pixel formats,
// a decoder's patterns, and its entry in its category. `files` describes
// the files it reads or writes.
LSTATUS RegisterCodecClass(const CLSID& classId, const wchar_t* friendlyName, const CodecFormat& files,
                           const wchar_t* modulePath) {
    const ClassPaths paths(classId);
    const GuidText vendor(GUID_KyPcxVendor);
    const GuidText container(*files.containerFormat);
    const GuidText clsid(classId);

    RegistryKey description;
    LSTATUS status = description.Create(HKEY_CLASSES_ROOT, paths.classKey);
    const struct {
        const wchar_t* name;
        const wchar_t* value;
    } strings[] = {
        {nullptr, friendlyName},                {L"FriendlyName", friendlyName},
        {L"Author", kAuthor},                   {L"Vendor", vendor.text},
        {L"ContainerFormat", container.text},   {L"Version", kVersion},
        {L"ColorManagementVersion", kColorManagementVersion},
        {L"FileExtensions", files.fileExtensions}, {L"MimeTypes", files.mimeTypes},
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
        {L"SupportMultiframe", files.multipleFrames ? 1u : 0u},
    };
    for (const auto& f : flags)
        if (status == ERROR_SUCCESS) status = description.SetDword(f.name, f.value);
    // The factory weighs decoders that claim the same bytes by it; encoders
    // are asked for by their container format.
    const bool decoder = IsEqualCLSID(classId, *files.decoderClass);
    if (status == ERROR_SUCCESS && decoder)
        status = description.SetDword(L"ArbitrationPriority", files.arbitrationPriority);
    if (status != ERROR_SUCCESS) return status;

    status = WriteServer(description.get(), modulePath);
    if (status != ERROR_SUCCESS) return status;
    for (const GUID* pixelFormat : kCodecPixelFormats) {
        wchar_t name[64] = L"Formats\\";
        lstrcatW(name, GuidText(*pixelFormat).text);
        RegistryKey key;
        status = key.Create(description.get(), name);
        if (status != ERROR_SUCCESS) return status;
    }
    if (decoder) {
        status = WritePatterns(description.get(), files);
        if (status != ERROR_SUCCESS) return status;
    }

    RegistryKey instance;
    status = instance.Create(HKEY_CLASSES_ROOT, paths.instanceKey);
    if (status == ERROR_SUCCESS) status = instance.SetString(L"CLSID", clsid.text);
    if (status == ERROR_SUCCESS) status = instance.SetString(L"FriendlyName", friendlyName);
    return status;
}

// The property handler's class. It takes its files as streams and so may
// run in the shell's isolated process for handlers (no
// DisableProcessIsolation, which is for handlers that need a path).
LSTATUS RegisterHandlerClass(const wchar_t* modulePath) {
    const ClassPaths paths(CLSID_KyPcxPropertyHandler);
    RegistryKey description;
    LSTATUS status = description.Create(HKEY_CLASSES_ROOT, paths.classKey);
    if (status == ERROR_SUCCESS) status = description.SetString(nullptr, kHandlerName);
    if (status == ERROR_SUCCESS) status = WriteServer(description.get(), modulePath);
    return status;
}

// Every class the DLL serves: the two decoders, the two encoders and the
// property handler.
const CLSID* const kClasses[] = {&CLSID_KyPcxPcxDecoder, &CLSID_KyPcxDcxDecoder, &CLSID_KyPcxPcxEncoder,
                                 &CLSID_KyPcxDcxEncoder, &CLSID_KyPcxPropertyHandler};

LSTATUS RegisterClasses(const wchar_t* modulePath) {
    // Written afresh: keys of an earlier registration (another path, another
    // version) go first; the copy registered last serves the formats.
    LSTATUS status = ERROR_SUCCESS;
    for (const CLSID* clsid : kClasses)
        if (status == ERROR_SUCCESS) status = UnregisterClass(*clsid);
    for (const CodecFormat& format : kCodecFormats)
        if (status == ERROR_SUCCESS)
            status = RegisterCodecClass(*format.decoderClass, format.friendlyName, format, modulePath);
    for (const EncoderFormat& format : kEncoderFormats)
        if (status == ERROR_SUCCESS)
            status = RegisterCodecClass(*format.encoderClass, format.friendlyName, format.files, modulePath);
    if (status == ERROR_SUCCESS) status = RegisterHandlerClass(modulePath);
    return status;
}

}  // namespace

STDAPI DllRegisterServer() {
    wchar_t* path = ModulePath();
    if (path == nullptr) return SELFREG_E_CLASS;
    LSTATUS status = RegisterClasses(path);
    if (status == ERROR_SUCCESS) status = RegisterShellKeys();
    HeapFree(GetProcessHeap(), 0, path);
    if (status != ERROR_SUCCESS) {
        // Half a registration would show a codec the factory cannot use,
        // or files as pictures with no decoder behind them.
        for (const CLSID* clsid : kClasses) UnregisterClass(*clsid);
        UnregisterShellKeys();
    }
    NotifyShellOfAssociations();
    return status == ERROR_SUCCESS ? S_OK : SELFREG_E_CLASS;
}

// Removes the keys of the classes this file serves. A class that another
// copy of the codec registered since keeps its keys, and so do the shell's
// keys, which serve that copy: unregistering one copy must not take the
// formats away from the programs the other serves.
STDAPI DllUnregisterServer() {
    wchar_t* path = ModulePath();
    if (path == nullptr) return SELFREG_E_CLASS;
    LSTATUS status = ERROR_SUCCESS;
    bool anotherCopy = false;
    for (const CLSID* clsid : kClasses) {
        const ClassServer server = ServerOf(*clsid, path);
        anotherCopy = anotherCopy || server == ClassServer::Another;
        if (server != ClassServer::ThisFile) continue;
        const LSTATUS removed = UnregisterClass(*clsid);
        if (status == ERROR_SUCCESS) status = removed;
    }
    HeapFree(GetProcessHeap(), 0, path);
    if (!anotherCopy) {
        const LSTATUS removed = UnregisterShellKeys();
        if (status == ERROR_SUCCESS) status = removed;
        NotifyShellOfAssociations();
    }
    return status == ERROR_SUCCESS ? S_OK : SELFREG_E_CLASS;
}
