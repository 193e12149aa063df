// Header and colour-table sizes for saving a DIB, which is written in the
// usual PCX layouts whatever the display.
#pragma once

#include <windows.h>

#include "KyPcxTypes.h"
#include "kypcx/pcx_encode_dib_layout.h"

// The info-header fields of `info` (a BITMAPINFOHEADER, or a 12-byte
// BITMAPCOREHEADER when biSize is 12), as the portable core reads them.
kypcx::DibInfo DibInfoFromHeader(const BITMAPINFOHEADER* info);

// Fills `header` for the DIB whose info header is `info`; the colour table
// is read `biSize` bytes after it (at most 16 entries, and no more than the
// DIB's table holds). Writes 1 to `error`; FALSE with 8 when the screen's
// context cannot be had. The caller clears the header.
BOOL BuildDibPcxHeader(PcxHeader* header, const BITMAPINFOHEADER* info, PcxErrorCode* error);
