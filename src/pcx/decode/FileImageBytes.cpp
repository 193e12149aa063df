// Reading an image's bytes from a file for the reader, and its global memory.
#include "pcx/decode/FileImageBytes.h"

#include <algorithm>

#include "frame/FileAccess.h"

namespace {

constexpr ULONGLONG kPositionUnknown = ~ULONGLONG{0};

void* AllocateGlobal(void*, size_t bytes) { return GlobalAlloc(GPTR, bytes); }
void ReleaseGlobal(void*, void* block) { GlobalFree(block); }

}  // namespace

FileImageBytes::FileImageBytes(HANDLE file, ULONGLONG start, ULONGLONG end)
    : file_(file), position_(kPositionUnknown), source_(kypcx::PcxBytesThrough(Read, this, start, end)) {}

bool FileImageBytes::Read(void* context, uint64_t offset, uint8_t* buffer, size_t length, size_t* got) {
    auto* self = static_cast<FileImageBytes*>(context);
    *got = 0;
    // The reader reads its lines one block after the other: no seek between them.
    if (self->position_ != offset) {
        self->position_ = kPositionUnknown;
        if (!SeekFileTo(self->file_, offset)) return false;
        self->position_ = offset;
    }
    while (*got < length) {
        const DWORD asked = static_cast<DWORD>(std::min<uint64_t>(length - *got, MAXDWORD));
        DWORD read = 0;
        if (!ReadFile(self->file_, buffer + *got, asked, &read, nullptr) || read > asked) {
            self->position_ = kPositionUnknown;
            return false;
        }
        self->position_ += read;
        *got += read;
        // A file gives fewer bytes than asked only at its end.
        if (read < asked) break;
    }
    return true;
}

kypcx::PcxAllocator GlobalWorkingMemory() {
    kypcx::PcxAllocator memory;
    memory.allocate = AllocateGlobal;
    memory.release = ReleaseGlobal;
    return memory;
}
