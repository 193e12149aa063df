// The DCX directory routines on open files, over the core's directory rules.
#include "dcx/DcxDirectory.h"

namespace {

using kypcx::DcxDirectory;

// Reads the whole directory and checks the magic: FALSE with 18 when fewer
// than 4096 bytes arrive, 22 for a wrong magic.
BOOL ReadWholeDcxDirectory(HANDLE file, DcxDirectory* directory, PcxErrorCode* code) {
    DWORD bytesRead = 0;
    PcxErrorCode readCode = PCX_OK;
    if (!ReadDcxDirectory(file, directory, &bytesRead, &readCode) || bytesRead != kypcx::kDcxDirectorySize) {
        *code = PCX_ERR_FILE_IO;
        return FALSE;
    }
    if (!kypcx::HasDcxMagic(*directory)) {
        *code = PCX_ERR_DCX_ID;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

BOOL ReadDcxDirectory(HANDLE file, DcxDirectory* directory, DWORD* bytesRead, PcxErrorCode* code) {
    BYTE bytes[kypcx::kDcxDirectorySize];
    DWORD got = 0;
    if (bytesRead != nullptr) *bytesRead = 0;
    if (!SeekFileTo(file, 0) || !ReadFile(file, bytes, sizeof bytes, &got, nullptr) || got == 0) {
        *code = PCX_ERR_FILE_IO;
        return FALSE;
    }
    kypcx::LoadDcxDirectory(bytes, got, directory);
    if (bytesRead != nullptr) *bytesRead = got;
    return TRUE;
}

BOOL WriteDcxDirectory(HANDLE file, const DcxDirectory& directory, PcxErrorCode* code) {
    BYTE bytes[kypcx::kDcxDirectorySize];
    kypcx::StoreDcxDirectory(directory, bytes);
    if (!SeekFileTo(file, 0)) {
        *code = PCX_ERR_FILE_IO;
        return FALSE;
    }
    if (!WriteFileExactly(file, bytes, sizeof bytes)) {
        *code = PCX_ERR_WRITE;
        return FALSE;
    }
    return TRUE;
}

int WriteDcxEntry(HANDLE file, UINT n, DWORD value, PcxErrorCode* code) {
    if (n == 0 || n > kypcx::kDcxLastUsableEntry) {
        *code = PCX_ERR_NO_ITEM;
        return 0;
    }
    BYTE bytes[4];
    kypcx::WriteLe32(bytes, value);
    if (!SeekFileTo(file, 4 * ULONGLONG{n})) {
        *code = PCX_ERR_FILE_IO;
        return 0;
    }
    if (!WriteFileExactly(file, bytes, sizeof bytes)) {
        *code = PCX_ERR_WRITE;
        return 0;
    }
    return 1;
}

BOOL LocateDcxItem(LPCWSTR path, UINT index, ImageLocation* image, PcxErrorCode* code, bool headerOnly) {
    if (index >= kypcx::kDcxMaxItems) {
        *code = PCX_ERR_NO_ITEM;
        return FALSE;
    }
    image->file.reset(OpenFileFor(path, GENERIC_READ));
    if (!image->file.valid()) {
        *code = PCX_ERR_OPEN_FILE;
        return FALSE;
    }
    DcxDirectory directory;
    if (!ReadWholeDcxDirectory(image->file.get(), &directory, code)) return FALSE;
    kypcx::DcxItemExtent extent;
    const PcxErrorCode found =
        kypcx::FindDcxItemExtent(directory, index, GetFileLength(image->file.get()), &extent, headerOnly);
    if (found != PCX_OK) {
        *code = found;
        return FALSE;
    }
    if (!extent.listed) return FALSE;
    image->start = extent.start;
    image->end = extent.end;
    return TRUE;
}

int WriteEmptyDcxFile(LPCWSTR path, PcxErrorCode* code, BOOL* created) {
    BOOL madeHere = FALSE;
    ScopedFile file(OpenFileFor(path, GENERIC_READ | GENERIC_WRITE, FileOpening::ExistingOrNew, &madeHere));
    if (created != nullptr) *created = madeHere;
    if (!file.valid()) {
        *code = PCX_ERR_OPEN_FILE;
        return 0;
    }
    DcxDirectory directory;
    kypcx::MakeEmptyDcxDirectory(&directory);
    if (WriteDcxDirectory(file.get(), directory, code)) return 1;
    file.reset();
    if (madeHere) DeleteFileW(path);
    return 0;
}
