// Decoding a PCX image into a DIB in global memory, from a file range (a PCX
// file, a DCX page) or from memory.
#pragma once

#include <windows.h>

#include "KyPCX.h"
#include "kypcx/pcx_format.h"
#include "pcx/decode/PcxImageSource.h"
#include "pcx/decode/PcxPalette.h"

// What a DIB decode accepts and makes.
struct PcxDibRules {
    kypcx::PcxHeaderRules header;
    PcxColorRules colors;
    // The encoding byte's colour-space code (10..17) becomes the DIB's
    // biCompression; otherwise biCompression is BI_RGB.
    bool colorSpaceInDib = false;
};

// The DIB of the image `source` holds, decoded by `rules`, or null with the
// code set (3, 4, 9 header; 6 no DIB; 10 palette or data unreadable; 12, 18;
// 13 the callback said FALSE). `callback` (may be null) gets each row as it
// is filled, its number from the bottom, the rows so far and the DIB's
// header. The caller owns the DIB.
HGLOBAL DecodePcxImageToDib(PcxImageSource& source, const PcxDibRules& rules, PcxErrorCode* code,
                            PcxDibLineCallback callback);

// The classic decoders' form: the image whose header is at `offset` of
// `file` and whose data ends at `end` (the file length, or the next DCX
// item's offset), in the classic layouts, the encoding byte checked or not.
HGLOBAL DecodePcxToDib(HANDLE file, ULONGLONG offset, ULONGLONG end, PcxErrorCode* code, PcxDibLineCallback callback,
                       BOOL checkEncoding);

// A zero-filled DIB block: `bitCount` bits per pixel, `colors` table
// entries taken from `palette` (the stock default palette when null), and
// room for the rows; null on failure or beyond the decoders' size limit.
HGLOBAL AllocPcxDib(LONG width, LONG height, WORD bitCount, DWORD colors, HPALETTE palette);

// The classic form: bits per pixel x planes, and the table size that gives
// (2, 16, 256 entries, none above 8 bits).
HGLOBAL AllocDibFromBitmapRecord(LONG width, LONG height, WORD planes, WORD bitsPerPixel, HPALETTE palette);
