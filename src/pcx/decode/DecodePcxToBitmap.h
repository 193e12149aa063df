// Decoding a PCX image between two file offsets into a screen bitmap, a band
// of rows at a time, through a line function.
#pragma once

#include <windows.h>

#include "KyPCX.h"
#include "kypcx/status.h"

// The bitmap of the image at `offset` (data ending at `end`), or null with
// *status saying why. `callback` receives each band; null means
// FlushPCXLine. Its FALSE stops the decode (StoppedByLineFunction); any
// other failure once the bitmap was made is announced to it with a call
// without rows.
HBITMAP DecodePcxToBitmap(HANDLE file, ULONGLONG offset, ULONGLONG end, PcxLineCallback callback,
                          kypcx::Status* status);
