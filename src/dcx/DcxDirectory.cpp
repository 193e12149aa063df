// The DCX directory routines on open files, over the core's directory rules.
#include "dcx/DcxDirectory.h"

using kypcx::DcxDirectory;
using kypcx::Status;

namespace {

// Reads the whole directory and checks the magic: DirectoryCutShort when
// fewer than 4096 bytes arrive, NotDcx for a wrong magic.
Status ReadWholeDcxDirectory(HANDLE file, DcxDirectory* directory) {
    DWORD bytesRead = 0;
    const Status status = ReadDcxDirectory(file, directory, &bytesRead);
    if (status != Status::Ok) return status;
    if (bytesRead != kypcx::kDcxDirectorySize) return Status::DirectoryCutShort;
    if (!kypcx::HasDcxMagic(*directory)) return Status::NotDcx;
    return Status::Ok;
}

}  // namespace

Status ReadDcxDirectory(HANDLE file, DcxDirectory* directory, DWORD* bytesRead) {
    BYTE bytes[kypcx::kDcxDirectorySize];
    DWORD got = 0;
    if (bytesRead != nullptr) *bytesRead = 0;
    if (!SeekFileTo(file, 0) || !ReadFile(file, bytes, sizeof bytes, &got, nullptr) || got == 0)
        return Status::DirectoryUnreadable;
    kypcx::LoadDcxDirectory(bytes, got, directory);
    if (bytesRead != nullptr) *bytesRead = got;
    return Status::Ok;
}

Status WriteDcxDirectory(HANDLE file, const DcxDirectory& directory) {
    BYTE bytes[kypcx::kDcxDirectorySize];
    kypcx::StoreDcxDirectory(directory, bytes);
    if (!SeekFileTo(file, 0)) return Status::PositionUnreachable;
    if (!WriteFileExactly(file, bytes, sizeof bytes)) return Status::WriteShort;
    return Status::Ok;
}

Status WriteDcxEntry(HANDLE file, UINT n, DWORD value) {
    if (n == 0 || n > kypcx::kDcxLastUsableEntry) return Status::NoSuchItem;
    BYTE bytes[4];
    kypcx::WriteLe32(bytes, value);
    if (!SeekFileTo(file, 4 * ULONGLONG{n})) return Status::PositionUnreachable;
    if (!WriteFileExactly(file, bytes, sizeof bytes)) return Status::WriteShort;
    return Status::Ok;
}

Status LocateDcxItem(LPCWSTR path, UINT index, ImageLocation* image, bool headerOnly) {
    if (index >= kypcx::kDcxMaxItems) return Status::NoSuchItem;
    image->file.reset(OpenFileFor(path, GENERIC_READ));
    if (!image->file.valid()) return Status::FileNotOpened;
    DcxDirectory directory;
    Status status = ReadWholeDcxDirectory(image->file.get(), &directory);
    if (status != Status::Ok) return status;
    kypcx::DcxItemExtent extent;
    status = kypcx::FindDcxItemExtent(directory, index, GetFileLength(image->file.get()), &extent, headerOnly);
    if (status != Status::Ok) return status;
    image->start = extent.start;
    image->end = extent.end;
    return Status::Ok;
}

Status WriteEmptyDcxFile(LPCWSTR path, BOOL* created) {
    BOOL madeHere = FALSE;
    ScopedFile file(OpenFileFor(path, GENERIC_READ | GENERIC_WRITE, FileOpening::ExistingOrNew, &madeHere));
    if (created != nullptr) *created = madeHere;
    if (!file.valid()) return Status::FileNotOpened;
    DcxDirectory directory;
    kypcx::MakeEmptyDcxDirectory(&directory);
    const Status status = WriteDcxDirectory(file.get(), directory);
    if (status == Status::Ok) return status;
    file.reset();
    if (madeHere) DeleteFileW(path);
    return status;
}
