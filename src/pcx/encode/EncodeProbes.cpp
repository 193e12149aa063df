// Exports of the probe build only (KyPCXProbe.dll): the writer and the core
// encoders called directly, and a watch on the library's WriteFile calls
// (sizes of each call, and one chosen call made to fail or fall short) so
// the tests can see block sizes and drive the failure paths that no healthy
// disk reaches.
#include <windows.h>

#include "KyPCX.h"
#include "pcx/encode/DibPcxHeader.h"
#include "pcx/encode/EncodeBitmapToPcx.h"
#include "pcx/encode/EncodeDibToPcx.h"
#include "pcx/encode/PcxWriter.h"

namespace {

using WriteFileFunction = BOOL(WINAPI*)(HANDLE, LPCVOID, DWORD, LPDWORD, LPOVERLAPPED);

constexpr LONG kMaxWatchedWrites = 4096;

struct WriteWatch {
    WriteFileFunction original = nullptr;
    LONG calls = 0;
    LONG failAtCall = 0;  // 1-based; 0 never
    BOOL shortWrite = FALSE;
    DWORD sizes[kMaxWatchedWrites] = {};
} g_watch;

BOOL WINAPI WatchedWriteFile(HANDLE file, LPCVOID bytes, DWORD count, LPDWORD written, LPOVERLAPPED overlapped) {
    const LONG call = ++g_watch.calls;
    if (call <= kMaxWatchedWrites) g_watch.sizes[call - 1] = count;
    if (call == g_watch.failAtCall) {
        if (!g_watch.shortWrite) {
            if (written != nullptr) *written = 0;
            SetLastError(ERROR_DISK_FULL);
            return FALSE;
        }
        // Half the bytes reach the file, and the call says so.
        return g_watch.original(file, bytes, count / 2, written, overlapped);
    }
    return g_watch.original(file, bytes, count, written, overlapped);
}

// One import-address-table slot: the address a call through it reaches.
using ImportSlot = decltype(IMAGE_THUNK_DATA::u1.Function);

// The slot through which this module calls WriteFile.
ImportSlot* FindWriteFileSlot() {
    HMODULE self = nullptr;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCWSTR>(&FindWriteFileSlot), &self))
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
            if (lstrcmpA(reinterpret_cast<const char*>(byName->Name), "WriteFile") == 0)
                return &slots->u1.Function;
        }
    }
    return nullptr;
}

BOOL SetWriteFileSlot(WriteFileFunction function) {
    ImportSlot* slot = FindWriteFileSlot();
    if (slot == nullptr) return FALSE;
    DWORD oldProtect = 0;
    if (!VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &oldProtect)) return FALSE;
    if (g_watch.original == nullptr) g_watch.original = reinterpret_cast<WriteFileFunction>(*slot);
    *slot = reinterpret_cast<ImportSlot>(function);
    VirtualProtect(slot, sizeof *slot, oldProtect, &oldProtect);
    return TRUE;
}

}  // namespace

extern "C" {

int WINAPI KyPcxProbeWritePcxByte(HANDLE file, BYTE value, int flush) { return WritePcxByte(file, value, flush); }
int WINAPI KyPcxProbeWritePcxRun(BYTE value, UINT count, HANDLE file) { return WritePcxRun(value, count, file); }
DWORD WINAPI KyPcxProbeEncodePcxLine(const BYTE* bytes, DWORD length, HANDLE file) {
    return EncodePcxLine(bytes, length, file);
}
BOOL WINAPI KyPcxProbeEncodeBitmapToPcx(HBITMAP bitmap, HANDLE file, BOOL append, PcxErrorCode* error,
                                        PcxLineCallback callback) {
    return EncodeBitmapToPcx(bitmap, file, append, error, callback);
}
BOOL WINAPI KyPcxProbeEncodeDibToPcx(HGLOBAL dib, HANDLE file, BOOL append, PcxErrorCode* error,
                                     PcxDibLineCallback callback) {
    return EncodeDibToPcx(dib, file, append, error, callback);
}
BOOL WINAPI KyPcxProbeEncodeNonRgbDibToPcx(HGLOBAL dib, HANDLE file, BOOL append, PcxErrorCode* error,
                                           PcxDibLineCallback callback, BYTE colorSpace) {
    return EncodeNonRgbDibToPcx(dib, file, append, error, callback, colorSpace);
}
int WINAPI KyPcxProbeGetDibColorSpace(HGLOBAL dib) { return GetDibColorSpace(dib); }
UINT WINAPI KyPcxProbeDibColorCount(const BITMAPINFOHEADER* info) { return DibColorCount(info); }
DWORD WINAPI KyPcxProbeDibColorTableSize(const BITMAPINFOHEADER* info) { return DibColorTableSize(info); }

// Starts counting the library's WriteFile calls; call number `failAtCall`
// (1-based, 0 for none) fails, or writes half and says so if `shortWrite`.
BOOL WINAPI KyPcxProbeWatchWrites(LONG failAtCall, BOOL shortWrite) {
    g_watch.calls = 0;
    g_watch.failAtCall = failAtCall;
    g_watch.shortWrite = shortWrite;
    return SetWriteFileSlot(WatchedWriteFile);
}
void WINAPI KyPcxProbeStopWatchingWrites() {
    if (g_watch.original != nullptr) SetWriteFileSlot(g_watch.original);
    g_watch.failAtCall = 0;
}
LONG WINAPI KyPcxProbeWriteCalls() { return g_watch.calls; }
DWORD WINAPI KyPcxProbeWriteSize(LONG index) {
    return index >= 0 && index < kMaxWatchedWrites ? g_watch.sizes[index] : 0;
}

}
