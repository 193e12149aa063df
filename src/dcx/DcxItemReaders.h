// The internal readers of one DCX item that more than one export uses.
#pragma once

#include <windows.h>

#include "KyPCX.h"

// The item decoded into a DIB with the encoding check off (a non-RGB item
// holds its colour space in the encoding byte). Null on failure with the
// code set, or with the code still 1 when the index lies behind the list.
HGLOBAL LoadNonRgbDcxItemToDib(LPCWSTR path, UINT index, PcxErrorCode* code, PcxDibLineCallback callback);

// Reads the item's header with the encoding check off; no end is looked up.
// 1 on success; 0 with the code set (or still 1 behind the list).
int ReadDcxItemHeader(LPCWSTR path, UINT index, PcxHeader* header, PcxErrorCode* code);
