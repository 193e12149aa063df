// The painter's byte reader over the thread's 32000-byte viewer buffer.
#include "ui/ViewerByteReader.h"

void ResetViewerReader(PcxThreadState* state) {
    state->viewerReadPosition = kViewerReadBufferSize;
    state->viewerReadCount = kViewerReadBufferSize;
}

BOOL ReadViewerByte(PcxThreadState* state, HANDLE file, BYTE* value) {
    if (state->viewerReadPosition >= state->viewerReadCount) {
        DWORD got = 0;
        if (!ReadFile(file, state->viewerReadBuffer, kViewerReadBufferSize, &got, nullptr) || got == 0 ||
            got > static_cast<DWORD>(kViewerReadBufferSize))
            return FALSE;
        state->viewerReadCount = static_cast<LONG>(got);
        state->viewerReadPosition = 0;
    }
    *value = state->viewerReadBuffer[state->viewerReadPosition++];
    return TRUE;
}
