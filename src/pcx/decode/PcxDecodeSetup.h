// The first steps every decoder takes, whatever holds the image: read and
// check the header by the reader's rules, then make sure its sizes can be
// decoded safely.
#pragma once

#include <windows.h>

#include "KyPcxTypes.h"
#include "kypcx/pcx_decode.h"
#include "kypcx/pcx_format.h"
#include "pcx/decode/PcxImageSource.h"

// The largest DIB or band the decoders will allocate: the core's limit.
using kypcx::kMaxDecodedImageBytes;

// Reads the header at the source's start and checks it by `rules` (codes 3,
// 4, 9; 18 for a header the source does not hold whole), refuses sizes the
// header cannot mean (9), and images too large for memory or for the data
// the source holds (6). FALSE with the code set.
BOOL PreparePcxDecode(PcxImageSource& source, const kypcx::PcxHeaderRules& rules, PcxHeader* header,
                      kypcx::PcxDecodeLayout* layout, PcxErrorCode* code);

// Bytes of coded image data between the end of the header at `offset` and
// `dataEnd`.
inline ULONGLONG PcxImageDataBytes(ULONGLONG offset, ULONGLONG dataEnd) {
    const ULONGLONG start = offset + kypcx::kPcxHeaderSize;
    return dataEnd > start && start > offset ? dataEnd - start : 0;
}
