// Decoding a PCX image into a DIB in global memory, from a file range (a PCX
// file, a DCX page) or from memory: the one reader's rows, each assembled
// straight into its DIB row.
#pragma once

#include <windows.h>

#include "KyPCX.h"
#include "kypcx/pcx_reader.h"

// The DIB of the image `source` holds, decoded by `rules`, or null with
// *status saying why. `callback` (may be null) gets each row as it is
// filled, its number from the bottom, the rows so far and the DIB's header;
// its FALSE stops the decode (StoppedByLineFunction). Where the rules take
// colour-space codes, the encoding byte's code (10..17) becomes the DIB's
// biCompression. The caller owns the DIB.
HGLOBAL DecodePcxImageToDib(const kypcx::PcxByteSource& source, const kypcx::PcxReaderRules& rules,
                            PcxDibLineCallback callback, kypcx::Status* status);

// The classic decoders' form: the image whose header is at `offset` of
// `file` and whose bytes end at `end` (the file length, or the next DCX
// item's offset), in the classic layouts, the encoding byte checked or not.
HGLOBAL DecodePcxToDib(HANDLE file, ULONGLONG offset, ULONGLONG end, BOOL checkEncoding, PcxDibLineCallback callback,
                       kypcx::Status* status);

// A zero-filled DIB block: `bitCount` bits per pixel, `colors` table
// entries taken from `palette` (the stock default palette when null), and
// room for the rows; null on failure or beyond the decoders' size limit
// (kypcx::FitsDibBlock).
HGLOBAL AllocPcxDib(LONG width, LONG height, WORD bitCount, DWORD colors, HPALETTE palette);
