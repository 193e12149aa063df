// The DLL's side of the core writer (kypcx/pcx_writer.h): its bytes go to an
// open file, in whole 32,768-byte blocks, through a block that belongs to
// the calling thread. A writer borrows the thread's block for its lifetime
// and gives it back, bytes held, when it goes; so writers made one after
// the other on a thread continue the same blocks until one of them
// releases the block, which writes what it holds and frees it. A writer
// made while another holds the block (a line function that starts another
// save) gets a block of its own, so neither sees the other's bytes.
#pragma once

#include <windows.h>

#include "kypcx/pcx_writer.h"

constexpr DWORD kOutputBlockSize = 32768;
// One byte more than a block is allocated; only the block is ever used.
constexpr DWORD kOutputBufferAllocation = kOutputBlockSize + 1;

class PcxFileWriter {
public:
    // Borrows the thread's block, allocating it when the thread has none.
    // Without a block (no memory) the writer takes nothing: every write of
    // it fails.
    explicit PcxFileWriter(HANDLE file);
    ~PcxFileWriter();
    PcxFileWriter(const PcxFileWriter&) = delete;
    PcxFileWriter& operator=(const PcxFileWriter&) = delete;

    kypcx::PcxByteWriter& bytes() { return writer_; }
    // Writes what is held and frees the block; false when that write failed.
    // The writer takes nothing afterwards.
    bool Release();

private:
    struct Block {
        HGLOBAL handle = nullptr;
        BYTE* bytes = nullptr;
        DWORD held = 0;
    };
    static Block BorrowThreadBlock();

    Block block_;
    kypcx::PcxByteWriter writer_;
};
