// The one way the library opens files and moves their bytes: opening for
// the access an operation names, reading and writing exactly, positioning,
// copying a byte range from one file to the end of another, the length, and
// the free space and folder of the volume a file lies on. Files are opened
// without sharing (the painter's read-only open aside), so a file held open
// elsewhere cannot be opened (FileNotOpened, code 5 at the exports) and no
// one else changes it while we work.
// Positions and lengths are 64-bit, so a file of 4 GiB or more is measured
// and read as it is; what may be written into a DCX file's 32-bit directory
// is decided by its callers.
#pragma once

#include <windows.h>

#include "kypcx/status.h"
#include "win/HandleGuards.h"

// Whether the file must exist, and whether others may read it meanwhile.
enum class FileOpening {
    Existing,              // it must exist; no one else may open it meanwhile
    ExistingSharingReads,  // it must exist; others may go on reading it (the painter's open)
    ExistingOrNew,         // created when missing; no sharing
    New,                   // created; fails when a file of that name exists
};

// The one way the library opens a file: `path` with the access the caller
// names (GENERIC_READ, or GENERIC_READ | GENERIC_WRITE), as `opening` says.
// INVALID_HANDLE_VALUE for a null path or any failure. *created (if given)
// says whether the call made the file.
HANDLE OpenFileFor(LPCWSTR path, DWORD access, FileOpening opening = FileOpening::Existing, BOOL* created = nullptr);

// The file's length in bytes; the file position is unchanged. 0 when the
// handle has no length (a pipe, a closed handle).
ULONGLONG GetFileLength(HANDLE file);

// Moves to an absolute position; TRUE when the file is there.
BOOL SeekFileTo(HANDLE file, ULONGLONG position);

// Moves to the end of the file; TRUE with *position there.
BOOL SeekFileToEnd(HANDLE file, ULONGLONG* position);

// Reads exactly `size` bytes; FALSE on a failed or short read.
BOOL ReadFileExactly(HANDLE file, void* buffer, DWORD size);

// Writes exactly `size` bytes at the current position; FALSE on a failed or
// short write.
BOOL WriteFileExactly(HANDLE file, const void* bytes, DWORD size);

// Cuts (or extends) the file to `length` bytes; TRUE on success.
BOOL SetFileLengthTo(HANDLE file, ULONGLONG length);

// Appends `count` bytes of `source`, from its absolute offset `offset`, to
// the end of `destination`. Ok when all were appended; otherwise
// NoWorkingMemory or LockFailed (no copy block), PositionUnreachable,
// ReadShort (the source ends before `count` bytes were read; the bytes that
// were there have been appended) or WriteShort. A count of 0 reads nothing
// and succeeds. Moves the data in blocks of 1 MiB, large enough that a copy
// runs at the speed of the disk.
kypcx::Status CopyFileRange(HANDLE source, HANDLE destination, ULONGLONG offset, ULONGLONG count);

// Free bytes available to the caller on the volume that holds `path` (a
// file's path; relative paths resolve against the current directory), 0 when
// the figure cannot be obtained. Any path Windows accepts, long ones too.
ULONGLONG GetFreeDiskSpace(LPCWSTR path);

// The folder of a file's path as a full path with a trailing backslash
// ("C:\dir\" for "C:\dir\a.dcx" or, from C:\dir, "a.dcx"), held on the
// process heap. valid() is false when the path cannot be resolved.
class FileFolder {
public:
    explicit FileFolder(LPCWSTR filePath);
    FileFolder(const FileFolder&) = delete;
    FileFolder& operator=(const FileFolder&) = delete;

    bool valid() const { return folder_.valid(); }
    LPCWSTR get() const { return folder_.get(); }

private:
    ScopedHeapBlock<WCHAR> folder_;
};
