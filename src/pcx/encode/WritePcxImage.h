// The steps every encoder takes once its header is built and its lines can
// be had: position the file, write the header, the scan lines and, for a
// 256-colour image, the palette trailer, then flush the writer and end the
// file behind the image.
#pragma once

#include <windows.h>

#include "KyPcxTypes.h"

// What an encoder supplies to WritePcxImage: its lines and its colours.
class PcxImageLines {
public:
    // Writes image line `lineFromTop` (0 = top) in PCX codes and tells the
    // caller's line function of it: PCX_OK, 4 when the line could not be had
    // or written, 13 when the line function said FALSE.
    virtual PcxErrorCode EncodeLine(int32_t lineFromTop, HANDLE file) = 0;
    // Writes the 0x0C marker and 256 colours behind the lines of an 8-bit
    // single-plane image: PCX_OK, or the code of what failed.
    virtual PcxErrorCode WritePaletteTrailer(HANDLE file) = 0;

protected:
    ~PcxImageLines() = default;
};

// No end limit: a plain PCX file may grow as large as the file system allows.
constexpr ULONGLONG kNoImageEndLimit = ~ULONGLONG{0};

// Writes `header` and its `lineCount` lines at offset 0, or after the file's
// end when `append` is non-zero, then the trailer when the header describes
// an 8-bit single-plane image and every line was written; flushes the writer
// on every path once the file is positioned. Written from offset 0, the image
// becomes the whole file. When the image could end past `endLimit` (its
// largest possible coded size from where it starts), nothing is written and
// the code is 18: a DCX item must end where a 32-bit offset can reach.
// Returns TRUE iff *error is still 1 at the end; codes: 18 (position not
// set, or the limit), 17 (header, trailer or flush not written), or those of
// `lines`.
BOOL WritePcxImage(HANDLE file, BOOL append, const PcxHeader& header, int32_t lineCount, PcxImageLines& lines,
                   PcxErrorCode* error, ULONGLONG endLimit = kNoImageEndLimit);
