// The file feed, and reading images from files and from memory.
#include "pcx/decode/PcxImageSource.h"

#include <cstring>

#include "frame/FileAccess.h"

PcxFileFeed::PcxFileFeed(HANDLE file, BYTE* buffer, DWORD capacity, ULONGLONG dataBytes)
    : file_(file), buffer_(buffer), capacity_(capacity), bytesLeft_(dataBytes) {
    data = buffer;
}

bool PcxFileFeed::Refill() {
    const DWORD remaining = static_cast<DWORD>(size - position);
    std::memmove(buffer_, buffer_ + position, remaining);
    data = buffer_;
    position = 0;
    size = remaining;

    DWORD wanted = capacity_ - remaining;
    if (wanted > bytesLeft_) wanted = static_cast<DWORD>(bytesLeft_);
    DWORD got = 0;
    if (wanted != 0 && !ReadFile(file_, buffer_ + remaining, wanted, &got, nullptr)) return false;
    if (got > wanted) got = 0;
    // A short read is the end of the data; the bytes held still decode.
    exhausted = got < capacity_ - remaining || got == 0;
    size += got;
    bytesLeft_ -= got;
    totalRead_ += got;
    return totalRead_ != 0;
}

BOOL FilePcxSource::ReadAt(ULONGLONG at, void* bytes, DWORD count) {
    return SeekFileTo(file_, at) && ReadFileExactly(file_, bytes, count);
}

kypcx::PcxByteFeed* FilePcxSource::OpenFeed(ULONGLONG at, ULONGLONG count, uint64_t reserve, PcxErrorCode* code) {
    if (!SeekFileTo(file_, at)) {
        *code = PCX_ERR_FILE_IO;
        return nullptr;
    }
    if (buffer_ != nullptr) {
        feed_.emplace(file_, buffer_, capacity_, count);
        return &*feed_;
    }
    // Whole lines' reserves up to the limit; a reserve above it gets a block
    // of exactly one reserve, so wide images decode too.
    if (reserve == 0 || reserve > MAXDWORD / 2) {
        *code = PCX_ERR_ALLOC;
        return nullptr;
    }
    const DWORD size = reserve <= kPcxReadLimit ? kPcxReadLimit - (kPcxReadLimit % DWORD(reserve)) : DWORD(reserve);
    feed_.reset();
    readLock_ = ScopedGlobalLock();
    readBlock_.reset(GlobalAlloc(GHND, size));
    readLock_ = ScopedGlobalLock(readBlock_.get());
    void* address = readLock_.get();
    if (address == nullptr) {
        *code = PCX_ERR_ALLOC;
        return nullptr;
    }
    feed_.emplace(file_, static_cast<BYTE*>(address), static_cast<DWORD>(GlobalSize(readBlock_.get())), count);
    return &*feed_;
}

BOOL MemoryPcxSource::ReadAt(ULONGLONG at, void* bytes, DWORD count) {
    if (data_ == nullptr || at > end() || count > end() - at) return FALSE;
    std::memcpy(bytes, data_ + at, count);
    return TRUE;
}

kypcx::PcxByteFeed* MemoryPcxSource::OpenFeed(ULONGLONG at, ULONGLONG count, uint64_t, PcxErrorCode* code) {
    if (data_ == nullptr || at > end() || count > end() - at) {
        *code = PCX_ERR_FILE_IO;
        return nullptr;
    }
    feed_.emplace(data_ + at, static_cast<size_t>(count));
    return &*feed_;
}
