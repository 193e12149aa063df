// Where one PCX image lies: an open file and the byte range the image
// occupies in it. A PCX file is the whole file; a DCX item is the range its
// directory gives (dcx/DcxDirectory.h, LocateDcxItem). Every decoder is
// handed these three values, so a page is decoded exactly as a file is.
#pragma once

#include <windows.h>

#include "kypcx/status.h"
#include "win/HandleGuards.h"

struct ImageLocation {
    ScopedFile file;  // closed when the location goes out of scope
    ULONGLONG start = 0;  // the image's 128-byte header begins here
    ULONGLONG end = 0;    // one past its last byte (where a palette trailer ends)
};

// Opens the PCX file at `path` with `access` (GENERIC_READ, or GENERIC_READ |
// GENERIC_WRITE, as each operation names it): start 0, end its length.
// FileNotOpened when it cannot be opened.
kypcx::Status LocatePcxFile(LPCWSTR path, DWORD access, ImageLocation* image);
