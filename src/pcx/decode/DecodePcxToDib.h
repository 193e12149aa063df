// Decoding a PCX image between two file offsets into a DIB in global memory.
#pragma once

#include <windows.h>

#include "KyPCX.h"

// The DIB of the image whose header is at `offset` and whose data ends at
// `end` (the file length, or the next DCX item's offset), or null with the
// code set. The caller owns the DIB.
HGLOBAL DecodePcxToDib(HANDLE file, ULONGLONG offset, ULONGLONG end, PcxErrorCode* code, PcxDibLineCallback callback,
                       BOOL checkEncoding);

// A zero-filled DIB block of the given shape with its colour table taken
// from `palette` (the stock default palette when null); null on failure.
HGLOBAL AllocDibFromBitmapRecord(LONG width, LONG height, WORD planes, WORD bitsPerPixel, HPALETTE palette);
