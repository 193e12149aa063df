// The per-thread byte writer and the scan-line encoder above it: every byte
// of PCX data the library writes goes through WritePcxByte, which hands the
// file whole 32,768-byte blocks.
#pragma once

#include <windows.h>

constexpr DWORD kOutputBlockSize = 32768;
// One byte more than a block is allocated; only the block is ever used.
constexpr DWORD kOutputBufferAllocation = kOutputBlockSize + 1;
constexpr int kWriterFailed = -1;

// flush == 1: writes what the thread's buffer holds and releases the buffer.
// Otherwise appends `value`, first writing a full block when the buffer holds
// 32,768 bytes. Returns kWriterFailed when the buffer cannot be had or a
// block write fails or falls short; any other value is success. A block whose
// write failed is dropped: some of it may be in the file already, and the
// flush must not write those bytes a second time.
int WritePcxByte(HANDLE file, BYTE value, int flush);

// Appends `count` bytes one by one; FALSE at the first failed byte.
BOOL WritePcxBytes(HANDLE file, const BYTE* bytes, DWORD count);

// Writes one run of `count` (1 to 63) `value` bytes in PCX codes. Returns the
// bytes written (1 or 2), or 0 for a count of 0 or a failed write.
int WritePcxRun(BYTE value, UINT count, HANDLE file);

// Run-length encodes `length` bytes as one stretch (no run is carried into
// the next call). Returns the bytes written, or 0 when the writer failed.
DWORD EncodePcxLine(const BYTE* bytes, DWORD length, HANDLE file);
