// The header of a PCX image in an open file, read and checked by the one
// reader (kypcx::ReadHeader).
#pragma once

#include <windows.h>

#include "KyPcxTypes.h"
#include "kypcx/pcx_format.h"
#include "kypcx/status.h"

// Reads the header of the image at `offset` into `header` and checks it by
// `rules`: Ok, HeaderCutShort (a header the file does not hold whole, or
// cannot give), or the check's status. The header is filled whenever its
// bytes were read; on success the file stands at offset + 128.
kypcx::Status ReadPcxFileHeader(HANDLE file, ULONGLONG offset, const kypcx::PcxHeaderRules& rules, PcxHeader* header);
