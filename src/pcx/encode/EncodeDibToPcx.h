// Writing a DIB (one global block: info header, colour table, rows) as one
// PCX image into an open file.
#pragma once

#include <windows.h>

#include "KyPCX.h"
#include "kypcx/status.h"
#include "pcx/encode/WritePcxImage.h"

// Writes the DIB as a complete PCX image at offset 0, or after the file's end
// when `append` is non-zero, and flushes the writer; written from offset 0,
// the image becomes the whole file. The DIB is only read, and never beyond
// its block (GlobalSize). Statuses: NoBitmap (null, not lockable, header or
// rows beyond the block, size beyond the header's fields), UnwritableDibFormat
// (a bit count or compression not written), NoDeviceContext (no screen
// context), NoWorkingMemory (no line buffer), and those of WritePcxImage:
// LineNotWritten, StoppedByLineFunction, WriteShort, PositionUnreachable,
// EndLimitPassed (nothing is written then). `callback` (may be null) gets
// each line as encoded, its number from the bottom, 1, and the DIB's info
// header.
kypcx::Status EncodeDibToPcx(HGLOBAL dib, HANDLE file, BOOL append, PcxDibLineCallback callback,
                             ULONGLONG endLimit = kNoImageEndLimit);

// As EncodeDibToPcx, with `colorSpace` in the header's encoding byte.
kypcx::Status EncodeNonRgbDibToPcx(HGLOBAL dib, HANDLE file, BOOL append, PcxDibLineCallback callback,
                                   BYTE colorSpace, ULONGLONG endLimit = kNoImageEndLimit);

// As EncodeDibToPcx, the lines stored as they are (encoding 0).
kypcx::Status EncodeDibStoringLines(HGLOBAL dib, HANDLE file, BOOL append, PcxDibLineCallback callback,
                                    ULONGLONG endLimit = kNoImageEndLimit);

// The DIB's biCompression (a colour-space code 10..17 for non-RGB DIBs), or
// -1 when the handle is null, cannot be locked, or the block is shorter than
// an info header.
int GetDibColorSpace(HGLOBAL dib);
