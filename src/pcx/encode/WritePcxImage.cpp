// WritePcxImage: the common body of the bitmap and DIB encoders.
#include "pcx/encode/WritePcxImage.h"

#include "frame/WaitCursor.h"
#include "kypcx/pcx_encode_header.h"
#include "pcx/encode/PcxSaveFile.h"
#include "pcx/encode/PcxWriter.h"

BOOL WritePcxImage(HANDLE file, BOOL append, const PcxHeader& header, int32_t lineCount, PcxImageLines& lines,
                   PcxErrorCode* error, ULONGLONG endLimit) {
    ULONGLONG start = 0;
    if (!MoveToImageStart(file, append, &start, error)) return FALSE;
    const uint64_t largest = kypcx::MaxEncodedPcxImageSize(header, lineCount < 0 ? 0 : uint32_t(lineCount));
    if (start > endLimit || largest > endLimit - start) {
        *error = PCX_ERR_FILE_IO;
        return FALSE;
    }

    ScopedWaitCursor waitCursor(WaitCursorFamily::Coder);
    if (!WritePcxBytes(file, reinterpret_cast<const BYTE*>(&header), sizeof header)) *error = PCX_ERR_WRITE;
    for (int32_t line = 0; line < lineCount && *error == PCX_OK; ++line) *error = lines.EncodeLine(line, file);
    if (*error == PCX_OK && header.bitsPerPixel == 8 && header.planes == 1) *error = lines.WritePaletteTrailer(file);

    if (WritePcxByte(file, 0, 1) == kWriterFailed && *error == PCX_OK) *error = PCX_ERR_WRITE;
    if (!append) CutFileAtPosition(file);
    return *error == PCX_OK;
}
