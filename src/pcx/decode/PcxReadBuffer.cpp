// Read-ahead buffer and scan-line decoding for the file decoders.
#include "pcx/decode/PcxReadBuffer.h"

#include <cstring>

HGLOBAL CreatePcxReadBuffer(DWORD reserve, ULONGLONG imageDataBytes, PcxReadBuffer* buffer, PcxErrorCode* code) {
    (void)code;  // the decoders report every failure here as code 12
    if (reserve == 0) return nullptr;
    const DWORD size = reserve <= kPcxReadLimit ? kPcxReadLimit - (kPcxReadLimit % reserve) : reserve;
    // Stays locked for the buffer's life; FreePcxReadBuffer unlocks it.
    void* address = nullptr;
    HGLOBAL handle = AllocLockedGlobal(GHND, size, &address);
    if (handle == nullptr) return nullptr;
    BYTE* data = static_cast<BYTE*>(address);
    buffer->capacity = static_cast<DWORD>(GlobalSize(handle));
    buffer->endOfFile = FALSE;
    buffer->readPosition = 0;
    buffer->validCount = 0;
    buffer->reserve = reserve;
    buffer->data = data;
    buffer->imageBytesLeft = imageDataBytes;
    buffer->totalRead = 0;
    return handle;
}

BOOL RefillPcxReadBuffer(PcxReadBuffer* buffer, HANDLE file, PcxErrorCode* code) {
    const DWORD remaining = buffer->validCount - buffer->readPosition;
    if (remaining >= buffer->reserve || buffer->endOfFile) return TRUE;
    std::memmove(buffer->data, buffer->data + buffer->readPosition, remaining);
    buffer->readPosition = 0;
    buffer->validCount = remaining;

    DWORD wanted = buffer->capacity - remaining;
    if (wanted > buffer->imageBytesLeft) wanted = static_cast<DWORD>(buffer->imageBytesLeft);
    DWORD got = 0;
    if (wanted != 0 && !ReadFile(file, buffer->data + remaining, wanted, &got, nullptr)) {
        *code = PCX_ERR_PALETTE_READ;
        return FALSE;
    }
    if (got > wanted) got = 0;
    // A short read is the end of the data; the bytes held still decode. Only
    // an image with no data at all is an error.
    buffer->endOfFile = got < buffer->capacity - remaining;
    buffer->validCount += got;
    buffer->imageBytesLeft -= got;
    buffer->totalRead += got;
    if (buffer->totalRead == 0) {
        *code = PCX_ERR_PALETTE_READ;
        return FALSE;
    }
    return TRUE;
}

BOOL FreePcxReadBuffer(HGLOBAL handle) {
    FreeLockedGlobal(handle);
    return TRUE;
}

PcxLineStatus DecodePcxScanLine(PcxReadBuffer* buffer, HANDLE file, BYTE* planeBuffer, DWORD encodedLineSize,
                                PcxErrorCode* code) {
    size_t produced = 0;
    for (;;) {
        size_t position = buffer->readPosition;
        produced = kypcx::DecodePcxRuns(buffer->data, buffer->validCount, &position, planeBuffer, encodedLineSize,
                                        produced);
        buffer->readPosition = static_cast<DWORD>(position);
        if (produced == encodedLineSize) return PcxLineStatus::Complete;
        // The held bytes ran out inside the line (a padded or oddly coded
        // line can need more than the reserve): read on, or stop at the end.
        if (buffer->endOfFile) break;
        if (!RefillPcxReadBuffer(buffer, file, code)) return PcxLineStatus::ReadError;
    }
    if (produced == 0) return PcxLineStatus::Empty;
    std::memset(planeBuffer + produced, 0, encodedLineSize - produced);
    return PcxLineStatus::Truncated;
}
