// The read-ahead buffer and scan-line decoder that both file decoders share.
// The buffer holds file bytes in blocks of up to 48,000 (a whole multiple of
// the reserve, the bytes kept ready for one coded scan line) and never reads
// past the image's end.
#pragma once

#include <windows.h>

#include "KyPcxTypes.h"
#include "frame/HandleGuards.h"
#include "kypcx/pcx_decode.h"

constexpr DWORD kPcxReadLimit = 48000;

struct PcxReadBuffer {
    DWORD capacity;        // size of the data block as the memory manager reports it
    BOOL endOfFile;        // a read came back short: no further read is tried
    DWORD readPosition;    // index of the next byte to decode
    DWORD validCount;      // valid bytes in the data block, from index 0
    DWORD reserve;         // unread bytes a refill guarantees while the data lasts
    BYTE* data;            // locked address of the data block
    ULONGLONG imageBytesLeft;  // bytes of the image's data not yet read from the file
    ULONGLONG totalRead;   // bytes read from the file so far
};

// Sets up `buffer` for the image data that starts at the file's current
// position and runs for `imageDataBytes`; returns the data block, or null.
// A reserve above the read limit gets a block of exactly one reserve, so wide
// images decode too.
HGLOBAL CreatePcxReadBuffer(DWORD reserve, ULONGLONG imageDataBytes, PcxReadBuffer* buffer, PcxErrorCode* code);

// Makes sure at least `reserve` unread bytes are held, unless the data is
// exhausted. FALSE with code 10 when a read fails, or when the image has no
// data at all.
BOOL RefillPcxReadBuffer(PcxReadBuffer* buffer, HANDLE file, PcxErrorCode* code);

// Unlocks and frees the data block; always TRUE.
BOOL FreePcxReadBuffer(HGLOBAL handle);

// The data block of a read buffer, freed with FreePcxReadBuffer.
struct PcxReadBufferTraits : NullHandleTraits<HGLOBAL> {
    static void Release(NoContext, HGLOBAL handle) { FreePcxReadBuffer(handle); }
};
using ScopedPcxReadBuffer = ScopedHandle<PcxReadBufferTraits>;

enum class PcxLineStatus {
    Complete,   // the line holds all encodedLineSize bytes
    Truncated,  // the data ran out inside the line; its rest is zero
    Empty,      // the data ran out before the line began
    ReadError,  // a refill failed (code 10)
};

// Expands one scan line into planeBuffer (encodedLineSize + slack bytes),
// refilling from the file when a line needs more bytes than are held.
PcxLineStatus DecodePcxScanLine(PcxReadBuffer* buffer, HANDLE file, BYTE* planeBuffer, DWORD encodedLineSize,
                                PcxErrorCode* code);
