// WritePcxImage: the common body of the bitmap and DIB encoders.
#include "pcx/encode/WritePcxImage.h"

#include "frame/WaitCursor.h"
#include "kypcx/pcx_format.h"
#include "pcx/encode/PcxSaveFile.h"
#include "pcx/encode/PcxWriter.h"

using kypcx::Status;

Status WritePcxImage(HANDLE file, BOOL append, const PcxHeader& header, const kypcx::PcxRowLayout& rows,
                     int32_t lineCount, uint8_t* line, PcxImageLines& lines, ULONGLONG endLimit) {
    ULONGLONG start = 0;
    if (!MoveToImageStart(file, append, &start)) return Status::PositionUnreachable;
    const uint32_t count = lineCount < 0 ? 0 : static_cast<uint32_t>(lineCount);
    Status status = kypcx::CheckPcxImageEnd(header, count, start, endLimit);
    if (status != Status::Ok) return status;

    ScopedWaitCursor waitCursor(WaitCursorFamily::Coder);
    PcxFileWriter writer(file);
    kypcx::PcxImageWriter image(writer.bytes(), header, rows, count, line);
    // Encoding 0 says the lines are stored as they are; the DLL's other
    // headers say 1, or carry a colour-space code, and are run-length coded.
    if (header.encoding == kypcx::kPcxStoredEncoding) image.StoreLines();
    status = image.WriteHeader();
    for (int32_t y = 0; y < lineCount && status == Status::Ok; ++y) status = lines.WriteLine(y, image);
    if (status == Status::Ok && kypcx::HasPaletteTrailer(header)) {
        uint8_t colors[3 * kypcx::kPaletteTrailerColors];
        status = lines.TrailerColors(colors);
        if (status == Status::Ok) status = image.WriteTrailer(colors);
    }
    const Status finished = image.Finish();
    if (status == Status::Ok) status = finished;
    writer.Release();
    if (!append) CutFileAtPosition(file);
    return status;
}
