// Reading a DCX directory before an item is added, with the writers' checks.
#include "dcx/DcxWritableDirectory.h"

#include "dcx/DcxDirectory.h"

BOOL ReadDcxDirectoryForWriting(HANDLE file, DWORD fileLength, kypcx::DcxDirectory* directory, PcxErrorCode* code) {
    if (!ReadDcxDirectory(file, directory, nullptr, code)) return FALSE;
    PcxErrorCode check = kypcx::HasDcxMagic(*directory) ? kypcx::CheckDcxLayoutForWriting(*directory, fileLength)
                                                        : PCX_ERR_DCX_ID;
    if (check != PCX_OK) *code = check;
    return check == PCX_OK;
}
