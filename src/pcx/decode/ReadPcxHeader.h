// Reading and checking the 128-byte header of a PCX image in an open file.
#pragma once

#include <windows.h>

#include "KyPcxTypes.h"

// Reads the header of the image at `offset` into `header` and checks it
// (codes 3, 4 if checkEncoding, 9). A position that cannot be reached, or a
// header cut short by the end of the file, gives 18. The code is written only
// on failure; on success the file is positioned at offset + 128.
BOOL ReadPcxHeader(HANDLE file, ULONGLONG offset, PcxHeader* header, PcxErrorCode* code, BOOL checkEncoding);
