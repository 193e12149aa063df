// The buffered writer of PCX data, kept in the calling thread's block.
#include "pcx/encode/PcxWriter.h"

#include "frame/HandleGuards.h"
#include "frame/PcxThreadState.h"
#include "kypcx/pcx_rle_encode.h"

namespace {

constexpr int kWriterOk = 0;

BOOL WriteHeldBytes(HANDLE file, PcxThreadState* state) {
    DWORD written = 0;
    return WriteFile(file, state->outputBuffer, state->outputCount, &written, nullptr) &&
           written == state->outputCount;
}

BOOL EnsureOutputBuffer(PcxThreadState* state) {
    if (state->outputBufferHandle != nullptr) return TRUE;
    void* buffer = nullptr;
    HGLOBAL handle = AllocLockedGlobal(GHND, kOutputBufferAllocation, &buffer);
    if (handle == nullptr) return FALSE;
    state->outputBufferHandle = handle;
    state->outputBuffer = static_cast<BYTE*>(buffer);
    state->outputCount = 0;
    return TRUE;
}

// Appends one byte to a buffer that exists; the full block goes out when the
// byte after it arrives, not when it fills. A block whose write failed is
// dropped all the same: part of it may have reached the file, and writing it
// again at the flush would put those bytes there twice.
inline BOOL PutHeldByte(HANDLE file, PcxThreadState* state, BYTE value) {
    if (state->outputCount == kOutputBlockSize) {
        const BOOL written = WriteHeldBytes(file, state);
        state->outputCount = 0;
        if (!written) return FALSE;
    }
    state->outputBuffer[state->outputCount++] = value;
    return TRUE;
}

int FlushOutput(HANDLE file, PcxThreadState* state) {
    // Nothing held and no buffer: nothing to write and nothing to release.
    if (state->outputBufferHandle == nullptr) return kWriterOk;
    int result = kWriterOk;
    if (state->outputCount != 0 && !WriteHeldBytes(file, state)) result = kWriterFailed;
    state->outputCount = 0;
    FreeLockedGlobal(state->outputBufferHandle);
    state->outputBufferHandle = nullptr;
    state->outputBuffer = nullptr;
    return result;
}

}  // namespace

int WritePcxByte(HANDLE file, BYTE value, int flush) {
    PcxThreadState* state = GetPcxThreadState();
    if (flush == 1) return FlushOutput(file, state);
    if (!EnsureOutputBuffer(state)) return kWriterFailed;
    return PutHeldByte(file, state, value) ? kWriterOk : kWriterFailed;
}

BOOL WritePcxBytes(HANDLE file, const BYTE* bytes, DWORD count) {
    for (DWORD i = 0; i < count; ++i)
        if (WritePcxByte(file, bytes[i], 0) == kWriterFailed) return FALSE;
    return TRUE;
}

int WritePcxRun(BYTE value, UINT count, HANDLE file) {
    BYTE codes[2];
    const size_t codeLength = kypcx::PutPcxRun(value, count, codes);
    for (size_t i = 0; i < codeLength; ++i)
        if (WritePcxByte(file, codes[i], 0) == kWriterFailed) return 0;
    return static_cast<int>(codeLength);
}

DWORD EncodePcxLine(const BYTE* bytes, DWORD length, HANDLE file) {
    // The same bytes in the same blocks as WritePcxRun one WritePcxByte at a
    // time: runs are coded straight into the held block while their codes
    // fit, and a run whose codes would cross the block's end goes byte by
    // byte, so that the full block is written when the byte after it arrives.
    PcxThreadState* state = GetPcxThreadState();
    if (!EnsureOutputBuffer(state)) return 0;
    size_t pos = 0;
    DWORD total = 0;
    while (pos < length) {
        const size_t written = kypcx::EncodePcxRunsBounded(bytes, length, &pos, state->outputBuffer + state->outputCount,
                                                           kOutputBlockSize - state->outputCount);
        state->outputCount += static_cast<DWORD>(written);
        total += static_cast<DWORD>(written);
        if (pos == length) break;
        BYTE codes[2];
        const uint32_t count = kypcx::PcxRunLengthAt(bytes, length, pos);
        const size_t codeLength = kypcx::PutPcxRun(bytes[pos], count, codes);
        for (size_t i = 0; i < codeLength; ++i)
            if (!PutHeldByte(file, state, codes[i])) return 0;
        total += static_cast<DWORD>(codeLength);
        pos += count;
    }
    return total;
}
