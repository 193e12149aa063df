// Decoding a PCX image between two file offsets into a screen bitmap, a band
// of rows at a time, through a line function.
#pragma once

#include <windows.h>

#include "KyPCX.h"

// The bitmap of the image at `offset` (data ending at `end`), or null with
// the code set. `callback` receives each band; null means FlushPCXLine.
HBITMAP DecodePcxToBitmap(HANDLE file, DWORD offset, DWORD end, PcxErrorCode* code, PcxLineCallback callback);

// Rows per band: 1 for 24-bit images, else a tenth of the height, capped so
// a band stays within 61,937 bytes, and at least 1.
LONG PcxBandHeight(LONG height, LONG bitCount, DWORD rowSize);

// Replaces a colour table with the DIB_PAL_COLORS form (16-bit indices 0, 1,
// 2, ...) matching the selected palette entry for entry.
void SetPaletteIndexTable(BITMAPINFO* info);
