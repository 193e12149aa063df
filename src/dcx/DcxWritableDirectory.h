// The directory of a DCX file that is about to get an item, read and checked.
#pragma once

#include <windows.h>

#include "KyPcxTypes.h"
#include "kypcx/dcx_directory.h"

// Reads the directory of the open DCX file (`fileLength` bytes long) and
// checks that an item can be added without writing into another item's
// bytes. FALSE with the code set: 18 unreadable or shorter than 4096 bytes,
// 22 wrong magic, 23 a listed offset inside the directory, not above the one
// before it, or not inside the file (kypcx::CheckDcxLayoutForWriting).
BOOL ReadDcxDirectoryForWriting(HANDLE file, DWORD fileLength, kypcx::DcxDirectory* directory, PcxErrorCode* code);
