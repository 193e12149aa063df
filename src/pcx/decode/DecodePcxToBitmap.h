// Decoding a PCX image between two file offsets into a screen bitmap, a band
// of rows at a time, through a line function.
#pragma once

#include <windows.h>

#include "KyPCX.h"

// The bitmap of the image at `offset` (data ending at `end`), or null with
// the code set. `callback` receives each band; null means FlushPCXLine.
HBITMAP DecodePcxToBitmap(HANDLE file, ULONGLONG offset, ULONGLONG end, PcxErrorCode* code, PcxLineCallback callback);
