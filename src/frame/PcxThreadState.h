// The per-thread working block and the module-wide state written by DllMain.
#pragma once

#include <windows.h>

constexpr int kViewerReadBufferSize = 32000;

// One per calling thread, zero-filled at creation; fields in their fixed order.
struct PcxThreadState {
    HGLOBAL dialogTextHandle;        // item dialog's 80-character text block
    WCHAR* dialogText;               // its locked address
    HCURSOR viewerSavedCursor;       // viewer and monochrome-conversion wait cursor
    BYTE viewerReadBuffer[kViewerReadBufferSize];  // the painter's read-ahead block
    UINT colorUsage;                 // DIB_RGB_COLORS or DIB_PAL_COLORS for FlushPCXLine
    HCURSOR coderSavedCursor;        // core decoders' and encoders' wait cursor
    HCURSOR memorySavedCursor;       // in-memory decoder's wait cursor
    DWORD outputCount;               // bytes held in the output buffer
    HGLOBAL outputBufferHandle;      // byte writer's buffer; null while none exists
    BYTE* outputBuffer;              // its locked address
    HCURSOR appendSavedCursor;       // append operation's wait cursor
};

// The calling thread's block, created on first use; never null (a thread
// whose block cannot be made is ended).
PcxThreadState* GetPcxThreadState();

// Creates and stores the calling thread's block, ending the thread if that
// fails. Used at thread attach and by GetPcxThreadState.
void AttachPcxThreadState();

// Frees the calling thread's block, if it has one.
void DetachPcxThreadState();

// Frees the blocks of all threads, the calling one included: at an unload,
// for the threads that keep running without the library.
void FreeEveryPcxThreadState();

// The library's own instance handle, stored at process attach.
HINSTANCE GetKyPcxInstance();
