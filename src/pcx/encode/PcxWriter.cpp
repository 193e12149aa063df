// The core writer on a file, in the calling thread's block.
#include "pcx/encode/PcxWriter.h"

#include "frame/FileAccess.h"
#include "frame/PcxThreadState.h"
#include "win/HandleGuards.h"

namespace {

bool WriteToFile(void* file, const uint8_t* bytes, size_t length) {
    return length <= MAXDWORD && WriteFileExactly(static_cast<HANDLE>(file), bytes, static_cast<DWORD>(length));
}

kypcx::PcxSink FileSink(HANDLE file) {
    kypcx::PcxSink sink;
    sink.write = WriteToFile;
    sink.context = file;
    return sink;
}

}  // namespace

PcxFileWriter::Block PcxFileWriter::BorrowThreadBlock() {
    PcxThreadState* state = GetPcxThreadState();
    Block block;
    if (state->outputBufferHandle != nullptr) {
        block.handle = state->outputBufferHandle;
        block.bytes = state->outputBuffer;
        block.held = state->outputCount;
        state->outputBufferHandle = nullptr;
        state->outputBuffer = nullptr;
        state->outputCount = 0;
        return block;
    }
    void* bytes = nullptr;
    block.handle = AllocLockedGlobal(GHND, kOutputBufferAllocation, &bytes);
    if (block.handle != nullptr) block.bytes = static_cast<BYTE*>(bytes);
    return block;
}

PcxFileWriter::PcxFileWriter(HANDLE file)
    : block_(BorrowThreadBlock()),
      writer_(FileSink(file), block_.bytes, block_.bytes != nullptr ? kOutputBlockSize : 0, block_.held) {}

PcxFileWriter::~PcxFileWriter() {
    if (block_.handle == nullptr) return;
    PcxThreadState* state = GetPcxThreadState();
    if (state->outputBufferHandle == nullptr) {
        state->outputBufferHandle = block_.handle;
        state->outputBuffer = block_.bytes;
        state->outputCount = static_cast<DWORD>(writer_.held());
        return;
    }
    // The thread has a block again (a writer made meanwhile kept its own):
    // this one's bytes go out now rather than being lost.
    Release();
}

bool PcxFileWriter::Release() {
    const bool written = writer_.Flush();
    if (block_.handle != nullptr) FreeLockedGlobal(block_.handle);
    block_ = Block();
    writer_.UseBlock(nullptr, 0, 0);
    return written;
}
