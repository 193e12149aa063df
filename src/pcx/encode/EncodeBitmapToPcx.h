// Writing a device-dependent bitmap as one PCX image into an open file.
#pragma once

#include <windows.h>

#include "KyPCX.h"
#include "kypcx/status.h"
#include "pcx/encode/WritePcxImage.h"

// Writes `bitmap` as a complete PCX image (header, scan lines, and for 8-bit
// single-plane images the display's 256 colours) at offset 0, or after the
// file's end when `append` is non-zero, and flushes the writer. Written from
// offset 0, the image becomes the whole file. Statuses: NoBitmap (not a
// bitmap, one too large for the header, or no line bitmap), NoDeviceContext,
// the colour collector's and NoWorkingMemory, LineUnavailable (a line GDI
// did not give whole), and those of WritePcxImage: LineNotWritten,
// StoppedByLineFunction, WriteShort, PositionUnreachable, EndLimitPassed.
// `callback` (may be null) is called after each line with the line, its
// number from the bottom, 1, the line bitmap, the source context and the
// record; after a line that could not be had or written once more with a
// null line and counts 0.
// A bitmap of 8 bits a pixel or fewer is written in its device's layout; one
// of more (16, 24, 32: every display of today) as three planes of red, green
// and blue bytes, its colours taken device-independently, since no reader
// takes its device layout.
// `endLimit` as for WritePcxImage: an image that could end past it is not
// written.
kypcx::Status EncodeBitmapToPcx(HBITMAP bitmap, HANDLE file, BOOL append, PcxLineCallback callback,
                                ULONGLONG endLimit = kNoImageEndLimit);

// The record of `bitmap` as the encoders use it (bmWidthBytes as a fetched
// line has it), or NoBitmap for a handle that is not a bitmap and for one
// whose size the PCX header's 16-bit fields cannot describe.
kypcx::Status ReadBitmapRecord(HBITMAP bitmap, BITMAP* record);
