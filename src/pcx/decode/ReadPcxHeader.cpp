// Reading a header from a file through the one reader.
#include "pcx/decode/ReadPcxHeader.h"

#include "kypcx/pcx_reader.h"
#include "pcx/decode/FileImageBytes.h"

kypcx::Status ReadPcxFileHeader(HANDLE file, ULONGLONG offset, const kypcx::PcxHeaderRules& rules,
                                PcxHeader* header) {
    // The header's own 128 bytes are all it reads.
    const FileImageBytes bytes(file, offset, offset + kypcx::kPcxHeaderSize);
    return kypcx::ReadHeader(bytes.source(), rules, header);
}
