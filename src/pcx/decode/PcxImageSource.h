// Where a PCX image's bytes are: a range of an open file (a PCX file, a DCX
// page) or a span of the caller's memory. Every reader takes its header, its
// 256-colour trailer and its coded lines through one of these, so one set of
// checks and one scan-line loop serve them all.
#pragma once

#include <windows.h>

#include <optional>

#include "KyPcxTypes.h"
#include "frame/HandleGuards.h"
#include "kypcx/pcx_scan_lines.h"

// The most file bytes the read-ahead holds at once: whole multiples of the
// bytes kept ready for one coded line, up to this.
constexpr DWORD kPcxReadLimit = 48000;

// Coded bytes read from a file in blocks into a buffer: the unread bytes move
// to the buffer's front and the rest of it is filled, never past the image's
// data. A read that comes back short ends the data; only an image that gives
// no byte at all is a read failure.
class PcxFileFeed final : public kypcx::PcxByteFeed {
public:
    // Reads from the file's current position, at most `dataBytes` bytes, into
    // `buffer` (`capacity` bytes, the caller's, outliving the feed).
    PcxFileFeed(HANDLE file, BYTE* buffer, DWORD capacity, ULONGLONG dataBytes);
    bool Refill() override;

private:
    HANDLE file_;
    BYTE* buffer_;
    DWORD capacity_;
    ULONGLONG bytesLeft_;
    ULONGLONG totalRead_ = 0;
};

// One image's bytes, from `start` (its header) to `end` (one past its last
// byte), in a file or in memory.
class PcxImageSource {
public:
    PcxImageSource(const PcxImageSource&) = delete;
    PcxImageSource& operator=(const PcxImageSource&) = delete;

    ULONGLONG start() const { return start_; }
    ULONGLONG end() const { return end_; }

    // Reads exactly `count` bytes at the absolute position `at`; FALSE when
    // they are not all there (or cannot be read).
    virtual BOOL ReadAt(ULONGLONG at, void* bytes, DWORD count) = 0;

    // The coded lines that begin at `at` and run for `count` bytes, with at
    // least `reserve` bytes kept ready for a line where the source reads
    // ahead. Null with the code set: 18 the position cannot be reached, 12 no
    // read-ahead buffer. The feed lives as long as the source.
    virtual kypcx::PcxByteFeed* OpenFeed(ULONGLONG at, ULONGLONG count, uint64_t reserve, PcxErrorCode* code) = 0;

protected:
    PcxImageSource(ULONGLONG start, ULONGLONG end) : start_(start), end_(end) {}
    ~PcxImageSource() = default;

private:
    ULONGLONG start_;
    ULONGLONG end_;
};

// An image in an open file, between two offsets. Its read-ahead buffer is
// one of its own, or `buffer` (`capacity` bytes, the caller's) when given.
class FilePcxSource final : public PcxImageSource {
public:
    FilePcxSource(HANDLE file, ULONGLONG start, ULONGLONG end) : PcxImageSource(start, end), file_(file) {}
    FilePcxSource(HANDLE file, ULONGLONG start, ULONGLONG end, BYTE* buffer, DWORD capacity)
        : PcxImageSource(start, end), file_(file), buffer_(buffer), capacity_(capacity) {}
    BOOL ReadAt(ULONGLONG at, void* bytes, DWORD count) override;
    kypcx::PcxByteFeed* OpenFeed(ULONGLONG at, ULONGLONG count, uint64_t reserve, PcxErrorCode* code) override;

private:
    HANDLE file_;
    BYTE* buffer_ = nullptr;
    DWORD capacity_ = 0;
    ScopedGlobal readBlock_;
    ScopedGlobalLock readLock_;
    std::optional<PcxFileFeed> feed_;
};

// An image in memory: `length` bytes at `data`, the header at offset 0.
class MemoryPcxSource final : public PcxImageSource {
public:
    MemoryPcxSource(const BYTE* data, size_t length) : PcxImageSource(0, length), data_(data) {}
    BOOL ReadAt(ULONGLONG at, void* bytes, DWORD count) override;
    kypcx::PcxByteFeed* OpenFeed(ULONGLONG at, ULONGLONG count, uint64_t reserve, PcxErrorCode* code) override;

private:
    const BYTE* data_;
    std::optional<kypcx::PcxMemoryFeed> feed_;
};
