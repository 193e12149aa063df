// File helpers shared by every operation that takes a Win32 file handle.
#pragma once

#include <windows.h>

// The file's length in bytes (low 32 bits); the file position is unchanged.
DWORD GetFileLength(HANDLE file);

// Moves to an absolute position below 4 GiB; TRUE when the file is there.
BOOL SeekFileTo(HANDLE file, DWORD position);

// Reads exactly `size` bytes; FALSE on a failed or short read.
BOOL ReadFileExactly(HANDLE file, void* buffer, DWORD size);
