// Putting a decoded PCX image on the clipboard as CF_BITMAP.
#pragma once

#include <windows.h>

#include "KyPcxTypes.h"

// Decodes the image between `start` and `end` and hands the bitmap to the
// clipboard, emptied first. 1 on success; 0 with the code set otherwise, the
// clipboard then untouched.
int CopyPcxToClipboard(HANDLE file, ULONGLONG start, ULONGLONG end, PcxErrorCode* code);
