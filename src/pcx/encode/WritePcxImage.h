// The steps every encoder of the DLL takes once its header is built and its
// rows can be had: position the file, check where the image may end, then
// write it through the core writer (header, scan lines and, for a
// 256-colour image, the palette trailer), flush, and end the file behind
// the image.
#pragma once

#include <windows.h>

#include "KyPcxTypes.h"
#include "kypcx/pcx_writer.h"

// What an encoder supplies to WritePcxImage: its rows and its colours.
class PcxImageLines {
public:
    // Writes image line `lineFromTop` (0 = top) through `image` and tells the
    // caller's line function of it: Ok, LineUnavailable when the line could
    // not be had, LineNotWritten, StoppedByLineFunction.
    virtual kypcx::Status WriteLine(int32_t lineFromTop, kypcx::PcxImageWriter& image) = 0;
    // The 256 colours of the trailer (768 bytes of red, green, blue) into
    // `colors`: Ok, or what failed. Asked before anything of the trailer
    // is written, so a failure leaves no half trailer.
    virtual kypcx::Status TrailerColors(uint8_t* colors) = 0;

protected:
    ~PcxImageLines() = default;
};

// No end limit: a plain PCX file may grow as large as the file system allows.
constexpr ULONGLONG kNoImageEndLimit = ~ULONGLONG{0};

// Writes `header` and its `lineCount` lines (stored as they are where the
// header's encoding byte is 0, else run-length coded) (split into planes as `rows`
// says, through `line`, a buffer of rows.lineSize() bytes) at offset 0, or
// after the file's end when `append` is non-zero, then the trailer when the
// header describes an 8-bit single-plane image and every line was written;
// flushes the writer on every path once the file is positioned. Written
// from offset 0, the image becomes the whole file. When the image could end
// past `endLimit` (its largest possible coded size from where it starts),
// nothing is written: a DCX item must end where a 32-bit offset can reach.
// Statuses: PositionUnreachable, EndLimitPassed, WriteShort (header,
// trailer or flush not written), or those of `lines`.
kypcx::Status WritePcxImage(HANDLE file, BOOL append, const PcxHeader& header, const kypcx::PcxRowLayout& rows,
                            int32_t lineCount, uint8_t* line, PcxImageLines& lines,
                            ULONGLONG endLimit = kNoImageEndLimit);
