// The shell's keys for .pcx and .dcx files, written where missing and
// removed by the record of what was written (ShellRegistration.h).
#include "codec/ShellRegistration.h"

#include <shlobj.h>

#include "KyPCXCodec.h"
#include "codec/CodecFormats.h"
#include "codec/RegistryKeys.h"

namespace {

// The shell's thumbnail handler category, and the system's photo thumbnail
// provider, which makes thumbnails of every format the imaging component
// decodes.
constexpr wchar_t kThumbnailHandlers[] = L"{e357fccd-a995-4576-b01f-234630154e96}";
constexpr wchar_t kPhotoThumbnailProvider[] = L"{c7657c4a-9f68-40fa-a4df-96bc08eb3551}";
// The photo viewer opens the formats the imaging component decodes through
// the association it keeps for TIFF files, as other codecs register it.
constexpr wchar_t kPhotoViewerProgId[] = L"PhotoViewer.FileAssoc.Tiff";

constexpr wchar_t kExplorer[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer";
constexpr wchar_t kKindMap[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\KindMap";
constexpr wchar_t kPropertySystem[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\PropertySystem";
constexpr wchar_t kPropertyHandlers[] =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\PropertySystem\\PropertyHandlers";
constexpr wchar_t kPhotoViewerAssociations[] =
    L"SOFTWARE\\Microsoft\\Windows Photo Viewer\\Capabilities\\FileAssociations";
constexpr wchar_t kSystemAssociations[] = L"SystemFileAssociations";

// The record of what registering wrote, and its parents, which are the
// codec's own.
constexpr wchar_t kRecordKey[] = L"SOFTWARE\\KyPCX\\Codec\\ShellRegistration";
constexpr const wchar_t* kRecordParents[] = {L"SOFTWARE\\KyPCX\\Codec", L"SOFTWARE\\KyPCX"};

// How a record holds an item: written by this registration, or found
// written by the codec of the other bitness and held with it.
constexpr DWORD kWritten = 1;
constexpr DWORD kJoined = 2;

constexpr size_t kPathChars = 160;
constexpr size_t kDataChars = 48;
constexpr size_t kMaxItems = 40;

// One key, or one string value in a key, that registration may write.
struct ShellItem {
    HKEY root = nullptr;
    wchar_t path[kPathChars] = {};
    bool isValue = false;
    wchar_t name[kDataChars] = {};  // the value's name; empty for the key's default value
    wchar_t data[kDataChars] = {};
    bool onlyIntoExistingKey = false;  // a program's association, written only where it is installed
    wchar_t id[8 + kPathChars + kDataChars] = {};  // its name in the record

    void SetId() {
        lstrcpyW(id, root == HKEY_CLASSES_ROOT ? L"HKCR\\" : L"HKLM\\");
        lstrcatW(id, path);
        if (!isValue) return;
        lstrcatW(id, L"|");
        lstrcatW(id, name);
    }
};

// Joins up to three parts into `out`, which holds kPathChars.
void JoinPath(wchar_t* out, const wchar_t* a, const wchar_t* b = nullptr, const wchar_t* c = nullptr) {
    lstrcpynW(out, a, int(kPathChars));
    const wchar_t* const parts[] = {b, c};
    for (const wchar_t* part : parts) {
        if (part == nullptr) continue;
        if (lstrlenW(out) + 1 + lstrlenW(part) >= int(kPathChars)) return;
        lstrcatW(out, L"\\");
        lstrcatW(out, part);
    }
}

// Every item, keys before what lies in them.
class ShellItems {
public:
    ShellItems() {
        AddKey(HKEY_CLASSES_ROOT, kSystemAssociations);
        AddKey(HKEY_LOCAL_MACHINE, kExplorer);
        AddKey(HKEY_LOCAL_MACHINE, kKindMap);
        AddKey(HKEY_LOCAL_MACHINE, kPropertySystem);
        AddKey(HKEY_LOCAL_MACHINE, kPropertyHandlers);
        const GuidText handler(CLSID_KyPcxPropertyHandler);
        for (const CodecFormat& format : kCodecFormats) {
            const wchar_t* extension = format.fileExtensions;
            AddKey(HKEY_CLASSES_ROOT, extension);
            AddValue(HKEY_CLASSES_ROOT, extension, L"PerceivedType", L"image");
            AddValue(HKEY_CLASSES_ROOT, extension, L"Content Type", format.mimeTypes);
            AddThumbnailProvider(extension);
            AddKey(HKEY_CLASSES_ROOT, kSystemAssociations, extension);
            AddThumbnailProvider(kSystemAssociations, extension);
            AddValue(HKEY_LOCAL_MACHINE, kKindMap, extension, L"picture");
            AddKey(HKEY_LOCAL_MACHINE, kPropertyHandlers, extension);
            AddValue(HKEY_LOCAL_MACHINE, kPropertyHandlers, extension, handler.text, L"");
            AddValue(HKEY_LOCAL_MACHINE, kPhotoViewerAssociations, extension, kPhotoViewerProgId).onlyIntoExistingKey =
                true;
        }
    }
    size_t size() const { return count_; }
    const ShellItem& operator[](size_t i) const { return items_[i]; }

private:
    ShellItem& Add(HKEY root, const wchar_t* a, const wchar_t* b, const wchar_t* c) {
        ShellItem& item = items_[count_ < kMaxItems ? count_++ : kMaxItems - 1];
        item.root = root;
        JoinPath(item.path, a, b, c);
        return item;
    }
    void AddKey(HKEY root, const wchar_t* a, const wchar_t* b = nullptr, const wchar_t* c = nullptr) {
        Add(root, a, b, c).SetId();
    }
    // The value `name` = `data` in key a; with `subkeyValue`, the default
    // value of key a\name = data instead.
    ShellItem& AddValue(HKEY root, const wchar_t* key, const wchar_t* name, const wchar_t* data,
                        const wchar_t* subkeyValue = nullptr) {
        ShellItem& item = Add(root, key, subkeyValue != nullptr ? name : nullptr, nullptr);
        item.isValue = true;
        lstrcpynW(item.name, subkeyValue != nullptr ? subkeyValue : name, int(kDataChars));
        lstrcpynW(item.data, data, int(kDataChars));
        item.SetId();
        return item;
    }
    // <key>\ShellEx\{thumbnail handlers} = the photo thumbnail provider.
    void AddThumbnailProvider(const wchar_t* a, const wchar_t* b = nullptr) {
        wchar_t key[kPathChars];
        JoinPath(key, a, b);
        AddKey(HKEY_CLASSES_ROOT, key, L"ShellEx");
        AddKey(HKEY_CLASSES_ROOT, key, L"ShellEx", kThumbnailHandlers);
        wchar_t shellEx[kPathChars];
        JoinPath(shellEx, key, L"ShellEx");
        AddValue(HKEY_CLASSES_ROOT, shellEx, kThumbnailHandlers, kPhotoThumbnailProvider, L"");
    }

    ShellItem items_[kMaxItems];
    size_t count_ = 0;
};

// The registry view of the codec of the other bitness, where there is one:
// a 64-bit process sees the 32-bit view beside its own, a 32-bit process
// under 64-bit Windows the 64-bit view; 32-bit Windows has one view.
REGSAM OtherView() {
#ifdef _WIN64
    return KEY_WOW64_32KEY;
#else
    BOOL wow64 = FALSE;
    return IsWow64Process(GetCurrentProcess(), &wow64) && wow64 ? KEY_WOW64_64KEY : 0;
#endif
}

// The records of this bitness (read and written) and of the other one
// (only read).
class ShellRecord {
public:
    ShellRecord() {
        own_.Open(HKEY_LOCAL_MACHINE, kRecordKey, KEY_READ | KEY_WRITE);
        if (const REGSAM view = OtherView()) other_.Open(HKEY_LOCAL_MACHINE, kRecordKey, KEY_READ | view);
    }
    DWORD Own(const ShellItem& item) const { return Holding(own_, item); }
    DWORD Other(const ShellItem& item) const { return Holding(other_, item); }

    LSTATUS Keep(const ShellItem& item, DWORD how) {
        if (own_.get() == nullptr) {
            const LSTATUS status = own_.Create(HKEY_LOCAL_MACHINE, kRecordKey, nullptr, KEY_READ | KEY_WRITE);
            if (status != ERROR_SUCCESS) return status;
        }
        return own_.SetDword(item.id, how);
    }
    LSTATUS Forget(const ShellItem& item) {
        const LSTATUS status = RegDeleteValueW(own_.get(), item.id);
        return status == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : status;
    }
    // Removes the record, and its parents, once nothing is left in them.
    void RemoveIfEmpty() {
        own_.Close();
        other_.Close();
        RemoveKeyIfEmpty(HKEY_LOCAL_MACHINE, kRecordKey);
        for (const wchar_t* parent : kRecordParents) RemoveKeyIfEmpty(HKEY_LOCAL_MACHINE, parent);
    }

    // Removes `path` when it holds neither keys nor values.
    static LSTATUS RemoveKeyIfEmpty(HKEY root, const wchar_t* path) {
        DWORD subkeys = 1;
        DWORD values = 1;
        {
            RegistryKey key;
            const LSTATUS status = key.Open(root, path, KEY_READ);
            if (status == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
            if (status != ERROR_SUCCESS) return status;
            if (RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr,
                                 nullptr, nullptr, nullptr) != ERROR_SUCCESS)
                return ERROR_SUCCESS;
        }
        if (subkeys != 0 || values != 0) return ERROR_SUCCESS;
        const LSTATUS status = RegDeleteKeyW(root, path);
        return status == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : status;
    }

private:
    static DWORD Holding(const RegistryKey& record, const ShellItem& item) {
        if (record.get() == nullptr) return 0;
        DWORD how = 0;
        DWORD size = sizeof how;
        if (RegGetValueW(record.get(), nullptr, item.id, RRF_RT_REG_DWORD, nullptr, &how, &size) != ERROR_SUCCESS)
            return 0;
        return how == kWritten || how == kJoined ? how : 0;
    }

    RegistryKey own_;
    RegistryKey other_;
};

// Whether an item's value is there and holds what registration writes;
// `present` says whether it is there at all.
bool HoldsItsData(HKEY key, const ShellItem& item, bool* present) {
    wchar_t value[kDataChars + 1];
    DWORD size = sizeof value;
    const LSTATUS status = RegGetValueW(key, nullptr, item.name, RRF_RT_REG_SZ, nullptr, value, &size);
    *present = status != ERROR_FILE_NOT_FOUND;
    return status == ERROR_SUCCESS && lstrcmpiW(value, item.data) == 0;
}

// An item found already there: this registration's own from before, one to
// hold with the codec of the other bitness, or another program's, which is
// left alone and not recorded.
LSTATUS Adopt(ShellRecord& record, const ShellItem& item) {
    if (record.Own(item) != 0 || record.Other(item) == 0) return ERROR_SUCCESS;
    return record.Keep(item, kJoined);
}

LSTATUS RegisterItem(ShellRecord& record, const ShellItem& item) {
    RegistryKey key;
    if (!item.isValue) {
        if (key.Open(item.root, item.path, KEY_READ) == ERROR_SUCCESS) return Adopt(record, item);
        bool created = false;
        LSTATUS status = key.Create(item.root, item.path, &created);
        if (status == ERROR_SUCCESS && created) status = record.Keep(item, kWritten);
        return status;
    }
    LSTATUS status = key.Open(item.root, item.path, KEY_QUERY_VALUE | KEY_SET_VALUE);
    if (status == ERROR_FILE_NOT_FOUND && item.onlyIntoExistingKey) return ERROR_SUCCESS;
    if (status != ERROR_SUCCESS) return status;
    bool present = false;
    if (HoldsItsData(key.get(), item, &present)) return Adopt(record, item);
    // Another program's value is never overwritten; one this registration
    // wrote and another program changed since is that program's now.
    if (present) return record.Own(item) != 0 ? record.Forget(item) : ERROR_SUCCESS;
    status = key.SetString(item.name, item.data);
    if (status == ERROR_SUCCESS) status = record.Keep(item, kWritten);
    return status;
}

LSTATUS UnregisterItem(ShellRecord& record, const ShellItem& item) {
    const DWORD own = record.Own(item);
    if (own == 0) return ERROR_SUCCESS;
    // Held by both bitnesses in the one key they share: it stays for the
    // other. (Two records that each wrote an item wrote it in their own
    // views, and each removes its own.)
    const DWORD other = record.Other(item);
    const bool sharedAndHeld = other != 0 && (own == kJoined || other == kJoined);
    LSTATUS status = ERROR_SUCCESS;
    if (!sharedAndHeld && !item.isValue) {
        status = ShellRecord::RemoveKeyIfEmpty(item.root, item.path);
    } else if (!sharedAndHeld) {
        RegistryKey key;
        status = key.Open(item.root, item.path, KEY_QUERY_VALUE | KEY_SET_VALUE);
        bool present = false;
        if (status == ERROR_SUCCESS && HoldsItsData(key.get(), item, &present)) {
            status = RegDeleteValueW(key.get(), item.name);
        }
        if (status == ERROR_FILE_NOT_FOUND) status = ERROR_SUCCESS;
    }
    return status == ERROR_SUCCESS ? record.Forget(item) : status;
}

}  // namespace

LSTATUS RegisterShellKeys() {
    const ShellItems items;
    ShellRecord record;
    for (size_t i = 0; i < items.size(); ++i) {
        const LSTATUS status = RegisterItem(record, items[i]);
        if (status != ERROR_SUCCESS) return status;
    }
    return ERROR_SUCCESS;
}

LSTATUS UnregisterShellKeys() {
    const ShellItems items;
    LSTATUS first = ERROR_SUCCESS;
    {
        ShellRecord record;
        // Last first: values and subkeys go before the keys that hold them.
        for (size_t i = items.size(); i-- > 0;) {
            const LSTATUS status = UnregisterItem(record, items[i]);
            if (first == ERROR_SUCCESS) first = status;
        }
        record.RemoveIfEmpty();
    }
    return first;
}

void NotifyShellOfAssociations() {
    // The shell is loaded only here, not into every program that decodes
    // through the codec.
    HMODULE shell = LoadLibraryW(L"shell32.dll");
    if (shell == nullptr) return;
    using NotifyFn = void(WINAPI*)(LONG, UINT, LPCVOID, LPCVOID);
    const auto notify = reinterpret_cast<NotifyFn>(reinterpret_cast<void (*)()>(GetProcAddress(shell, "SHChangeNotify")));
    if (notify != nullptr) notify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
    FreeLibrary(shell);
}
