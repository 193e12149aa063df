// Writing a DIB (one global block: info header, colour table, rows) as one
// PCX image into an open file.
#pragma once

#include <windows.h>

#include "KyPCX.h"
#include "pcx/encode/WritePcxImage.h"

// Writes the DIB as a complete PCX image at offset 0, or after the file's end
// when `append` is non-zero, and flushes the writer; written from offset 0,
// the image becomes the whole file. The DIB is only read, and never beyond
// its block (GlobalSize). Returns TRUE iff *error is 1 at the end. Codes:
// 4 a line could not be written, 6 no usable DIB (null, not lockable, header
// or rows beyond the block, size beyond the header's fields), 8 no screen
// context, 9 a bit count or compression not written, 12 no line buffer,
// 13 the callback said FALSE, 17 header or trailer not written, 18 the file
// position could not be set or the image could end past `endLimit` (see
// WritePcxImage; nothing is written then). `callback` (may be null) gets each line as
// encoded, its number from the bottom, 1, and the DIB's info header.
BOOL EncodeDibToPcx(HGLOBAL dib, HANDLE file, BOOL append, PcxErrorCode* error, PcxDibLineCallback callback,
                    ULONGLONG endLimit = kNoImageEndLimit);

// As EncodeDibToPcx, with `colorSpace` in the header's encoding byte.
BOOL EncodeNonRgbDibToPcx(HGLOBAL dib, HANDLE file, BOOL append, PcxErrorCode* error, PcxDibLineCallback callback,
                          BYTE colorSpace, ULONGLONG endLimit = kNoImageEndLimit);

// The DIB's biCompression (a colour-space code 10..17 for non-RGB DIBs), or
// -1 when the handle is null, cannot be locked, or the block is shorter than
// an info header.
int GetDibColorSpace(HGLOBAL dib);
