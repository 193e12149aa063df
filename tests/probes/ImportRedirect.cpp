// Finding and rewriting one import-address-table slot of this module.
#include "ImportRedirect.h"

namespace {

// One import-address-table slot: the address a call through it reaches.
using ImportSlot = decltype(IMAGE_THUNK_DATA::u1.Function);

ImportSlot* FindImportSlot(const char* function) {
    HMODULE self = nullptr;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCWSTR>(&FindImportSlot), &self))
        return nullptr;
    auto* base = reinterpret_cast<BYTE*>(self);
    auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (imports.VirtualAddress == 0) return nullptr;
    for (auto* d = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress); d->Name != 0; ++d) {
        if (d->OriginalFirstThunk == 0) continue;
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->OriginalFirstThunk);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->FirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
            auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (lstrcmpA(reinterpret_cast<const char*>(byName->Name), function) == 0) return &slots->u1.Function;
        }
    }
    return nullptr;
}

}  // namespace

void* RedirectImport(const char* function, void* replacement) {
    ImportSlot* slot = FindImportSlot(function);
    if (slot == nullptr) return nullptr;
    DWORD oldProtect = 0;
    if (!VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &oldProtect)) return nullptr;
    void* previous = reinterpret_cast<void*>(*slot);
    *slot = reinterpret_cast<ImportSlot>(replacement);
    VirtualProtect(slot, sizeof *slot, oldProtect, &oldProtect);
    return previous;
}
