// Probes of the writer and the encoders called on a handle the test opened
// (what an encoder leaves in a file it was stopped in, a handle that cannot
// seek), and a watch on the library's WriteFile calls (sizes of each call,
// and one chosen call made to fail or fall short), so the tests can see
// block sizes and drive the failure paths that no healthy disk reaches.
#include <windows.h>

#include "KyPCX.h"
#include "ImportRedirect.h"
#include "frame/ExportCodes.h"
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

// The thread's writer one step at a time, as the encoders use it: a byte
// (flush 1: write what is held and free the block), one run's codes, one
// run-length coded stretch. -1 or 0 when a block write failed; otherwise 0,
// and the bytes written for a run or a stretch.
int WINAPI KyPcxProbeWritePcxByte(HANDLE file, BYTE value, int flush) {
    PcxFileWriter writer(file);
    if (flush == 1) return writer.Release() ? 0 : -1;
    return writer.bytes().PutBytes(&value, 1) ? 0 : -1;
}
int WINAPI KyPcxProbeWritePcxRun(BYTE value, UINT count, HANDLE file) {
    PcxFileWriter writer(file);
    return writer.bytes().PutRun(value, count) ? static_cast<int>(writer.bytes().taken()) : 0;
}
DWORD WINAPI KyPcxProbeEncodePcxLine(const BYTE* bytes, DWORD length, HANDLE file) {
    PcxFileWriter writer(file);
    return writer.bytes().PutCodedLine(bytes, length) ? static_cast<DWORD>(writer.bytes().taken()) : 0;
}
BOOL WINAPI KyPcxProbeEncodeBitmapToPcx(HBITMAP bitmap, HANDLE file, BOOL append, PcxErrorCode* error,
                                        PcxLineCallback callback) {
    return ReportExportCode(EncodeBitmapToPcx(bitmap, file, append, callback), error);
}
BOOL WINAPI KyPcxProbeEncodeDibToPcx(HGLOBAL dib, HANDLE file, BOOL append, PcxErrorCode* error,
                                     PcxDibLineCallback callback) {
    return ReportExportCode(EncodeDibToPcx(dib, file, append, callback), error);
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
