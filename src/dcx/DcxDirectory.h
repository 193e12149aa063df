// The DCX directory on an open file: reading and writing it whole or one
// entry at a time, locating an item, and writing the directory of a new
// file. The rules themselves (magic, bound B, the list, extents, the
// writers' layout check, the add and delete plans) are the portable core's,
// in kypcx/dcx_directory.h; these routines move the bytes.
//
// Conventions shared by every routine here:
//  - nothing is cached between calls: an operation reads the directory once
//    and decides from that copy;
//  - each answers a kypcx::Status; the exports turn it into their codes
//    (frame/ExportCodes.h), by the group whose codes they show;
//  - the file pointer is left where the last read or write ended, so every
//    caller positions the file itself before its next transfer;
//  - files are opened through frame/FileAccess.h (no sharing).
#pragma once

#include <windows.h>

#include "frame/FileAccess.h"
#include "frame/ImageLocation.h"
#include "kypcx/dcx_directory.h"
#include "kypcx/status.h"

// Reads up to 4096 bytes from offset 0 into `directory`, zero-filling what
// the file does not hold; *bytesRead (if given) receives the count.
// DirectoryUnreadable when offset 0 cannot be reached or not one byte is read.
kypcx::Status ReadDcxDirectory(HANDLE file, kypcx::DcxDirectory* directory, DWORD* bytesRead = nullptr);

// Writes the 4096 bytes of `directory` at offset 0: Ok, PositionUnreachable
// or WriteShort.
kypcx::Status WriteDcxDirectory(HANDLE file, const kypcx::DcxDirectory& directory);

// Writes `value` into entry n (4 bytes at 4n) without reading the directory:
// the caller decided from its own copy. Ok; NoSuchItem for n outside
// 1..1022 (so entry 1023 is never written), PositionUnreachable, WriteShort.
kypcx::Status WriteDcxEntry(HANDLE file, UINT n, DWORD value);

// Opens the DCX file at `path` read-only and finds item `index` (0-based):
// Ok with `image` holding the open file and the item's extent, as
// kypcx::FindDcxItemExtent gives it (`headerOnly` as there: for readers of
// the header alone). Otherwise, in order: NoSuchItem for an index above
// 1021 (checked before the file is opened), FileNotOpened,
// DirectoryUnreadable or DirectoryCutShort (fewer than 4096 bytes), NotDcx,
// and the extent's statuses (ItemNotListed for an index behind the end of
// the list among them).
kypcx::Status LocateDcxItem(LPCWSTR path, UINT index, ImageLocation* image, bool headerOnly = false);

// Opens `path`, creating it when it is missing, and writes an empty
// directory over its first 4096 bytes (any bytes behind them stay, unlisted).
// *created (if given) says whether this call created the file. Ok;
// FileNotOpened, or WriteDcxDirectory's statuses (a file this call created
// is removed again).
kypcx::Status WriteEmptyDcxFile(LPCWSTR path, BOOL* created);
