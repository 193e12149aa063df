// ReadPcxHeader: position, read, check.
#include "pcx/decode/ReadPcxHeader.h"

#include "frame/FileAccess.h"
#include "kypcx/pcx_format.h"

BOOL ReadPcxHeader(HANDLE file, ULONGLONG offset, PcxHeader* header, PcxErrorCode* code, BOOL checkEncoding) {
    BYTE bytes[kypcx::kPcxHeaderSize];
    // A short header would leave bytes undefined; it counts as an unreachable image.
    if (!SeekFileTo(file, offset) || !ReadFileExactly(file, bytes, sizeof bytes)) {
        *code = PCX_ERR_FILE_IO;
        return FALSE;
    }
    kypcx::LoadPcxHeader(bytes, header);
    const PcxErrorCode check = kypcx::CheckPcxHeader(*header, checkEncoding != FALSE);
    if (check != PCX_OK) {
        *code = check;
        return FALSE;
    }
    return TRUE;
}
