// The DCX directory on an open file: reading and writing it whole or one
// entry at a time, finding an empty entry, locating an item, and writing the
// directory of a new file. The rules themselves (magic, bound B, the list,
// extents, the writers' layout check, the delete layout) are the portable
// core's, in kypcx/dcx_directory.h; these routines move the bytes.
//
// Conventions shared by every routine here:
//  - nothing is cached between calls: an operation reads the directory once
//    and decides from that copy;
//  - the caller's code is written only on failure, never set to 1;
//  - the file pointer is left where the last read or write ended, so every
//    caller positions the file itself before its next transfer;
//  - files are opened through frame/FileAccess.h (no sharing).
#pragma once

#include <windows.h>

#include "KyPcxTypes.h"
#include "frame/FileAccess.h"
#include "frame/ImageLocation.h"
#include "kypcx/dcx_directory.h"

// Reads up to 4096 bytes from offset 0 into `directory`, zero-filling what
// the file does not hold; *bytesRead (if given) receives the count. FALSE
// with code 18 when offset 0 cannot be reached or not one byte is read.
BOOL ReadDcxDirectory(HANDLE file, kypcx::DcxDirectory* directory, DWORD* bytesRead, PcxErrorCode* code);

// Writes the 4096 bytes of `directory` at offset 0. FALSE with code 18 (the
// position cannot be set) or 17 (a short write).
BOOL WriteDcxDirectory(HANDLE file, const kypcx::DcxDirectory& directory, PcxErrorCode* code);

// Writes `value` into entry n (4 bytes at 4n) without reading the directory:
// the caller decided from its own copy. 1 on success; 0 with the code set:
// 21 n outside 1..1022 (so entry 1023 is never written), 18 position, 17
// short write.
int WriteDcxEntry(HANDLE file, UINT n, DWORD value, PcxErrorCode* code);

// Opens the DCX file at `path` read-only and finds item `index` (0-based):
// TRUE with `image` holding the open file and the item's extent, as
// kypcx::FindDcxItemExtent gives it (`headerOnly` as there: for readers of
// the header alone). FALSE with the code set: 21 index above 1021 (checked
// before the file is opened), 5 the file cannot be opened, 18 a directory
// shorter than 4096 bytes, 22 wrong magic, and the extent's codes (18, 21,
// 23). FALSE with the code untouched when the index lies behind the end of
// the list.
BOOL LocateDcxItem(LPCWSTR path, UINT index, ImageLocation* image, PcxErrorCode* code, bool headerOnly = false);

// Opens `path`, creating it when it is missing, and writes an empty
// directory over its first 4096 bytes (any bytes behind them stay, unlisted).
// *created (if given) says whether this call created the file. 1 on success;
// 0 with code 5 (cannot open) or 18/17 (the directory not written whole; a
// file this call created is removed again).
int WriteEmptyDcxFile(LPCWSTR path, PcxErrorCode* code, BOOL* created);
