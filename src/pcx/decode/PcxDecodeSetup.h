// The first steps every file decoder takes: read and check the header, then
// make sure its sizes can be decoded safely.
#pragma once

#include <windows.h>

#include "KyPcxTypes.h"
#include "kypcx/pcx_decode.h"
#include "kypcx/pcx_format.h"

// The largest DIB or band the decoders will allocate.
constexpr uint64_t kMaxDecodedImageBytes = 0x7FFF0000;

// Reads and checks the header of the image at `offset` (codes 3, 4, 9, 18),
// refuses sizes the header cannot mean (9), and images too large for memory
// or for the data the file holds (6). FALSE with the code set.
BOOL PreparePcxDecode(HANDLE file, ULONGLONG offset, ULONGLONG end, BOOL checkEncoding, PcxHeader* header,
                      kypcx::PcxDecodeLayout* layout, PcxErrorCode* code);

// Bytes of coded image data between the end of the header and `dataEnd`.
inline ULONGLONG PcxImageDataBytes(ULONGLONG offset, ULONGLONG dataEnd) {
    const ULONGLONG start = offset + kypcx::kPcxHeaderSize;
    return dataEnd > start && start > offset ? dataEnd - start : 0;
}
