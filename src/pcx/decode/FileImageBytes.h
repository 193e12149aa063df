// KyPCX.dll's side of the one reader (kypcx/pcx_reader.h): an image's bytes
// in an open file, handed to the reader through its read function, and the
// reader's working memory from global memory, as every block the DLL works
// with.
#pragma once

#include <windows.h>

#include "kypcx/pcx_reader.h"

// The image that occupies [start, end) of an open file. The reader's reads
// move the file pointer; nothing else may move it while the reader reads.
class FileImageBytes {
public:
    FileImageBytes(HANDLE file, ULONGLONG start, ULONGLONG end);
    FileImageBytes(const FileImageBytes&) = delete;
    FileImageBytes& operator=(const FileImageBytes&) = delete;

    const kypcx::PcxByteSource& source() const { return source_; }

private:
    static bool Read(void* context, uint64_t offset, uint8_t* buffer, size_t length, size_t* got);

    HANDLE file_;
    ULONGLONG position_;  // where the file pointer stands, when known
    kypcx::PcxByteSource source_;
};

// The reader's scan-line and read-ahead blocks, from global memory.
kypcx::PcxAllocator GlobalWorkingMemory();
