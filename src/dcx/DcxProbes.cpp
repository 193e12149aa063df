// Exports of the probe build only (KyPCXProbe.dll): the DCX directory
// routines and the file module's copy and free-space routines, called
// directly by the tests on handles they opened.
#include <windows.h>

#include "dcx/DcxDirectory.h"

extern "C" {

UINT WINAPI KyPcxProbeFindEmptyDcxEntry(HANDLE file, PcxErrorCode* code) { return FindEmptyDcxEntry(file, code); }
DWORD WINAPI KyPcxProbeReadDcxEntry(HANDLE file, UINT n, PcxErrorCode* code) { return ReadDcxEntry(file, n, code); }
int WINAPI KyPcxProbeWriteDcxEntry(HANDLE file, UINT n, DWORD value, PcxErrorCode* code) {
    return WriteDcxEntry(file, n, value, code);
}
int WINAPI KyPcxProbeCopyFileRange(HANDLE source, HANDLE destination, DWORD offset, DWORD count,
                                   PcxErrorCode* code) {
    return CopyFileRange(source, destination, offset, count, code);
}
ULONGLONG WINAPI KyPcxProbeGetFreeDiskSpace(LPCWSTR path) { return GetFreeDiskSpace(path); }

}
