// Probes of the writer and the encoders called on a handle the test opened
// (what an encoder leaves in a file it was stopped in, a handle that cannot
// seek), and a watch on the library's WriteFile calls (sizes of each call,
// and one chosen call made to fail or fall short), so the tests can see
// block sizes and drive the failure paths that no healthy disk reaches.
#include <windows.h>

#include "KyPCX.h"
#include "ImportRedirect.h"
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

BOOL SetWriteFileSlot(WriteFileFunction function) {
    void* previous = RedirectImport("WriteFile", reinterpret_cast<void*>(function));
    if (previous == nullptr) return FALSE;
    if (g_watch.original == nullptr) g_watch.original = reinterpret_cast<WriteFileFunction>(previous);
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
