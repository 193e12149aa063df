// Exports of the probe build only (KyPCXProbe.dll): the DCX writing
// internals that no client export reaches directly.
#include <windows.h>

#include "dcx/AddImageToDcxFile.h"

extern "C" BOOL WINAPI KyPcxProbeAddNonRgbDibToDcxFile(HGLOBAL dib, LPCWSTR path, PcxErrorCode* code,
                                                       PcxDibLineCallback callback) {
    return AddNonRgbDibToDcxFile(dib, path, code, callback);
}
