// The painter's own byte reader: file bytes read ahead in blocks into the
// calling thread's viewer buffer, handed out one at a time.
#pragma once

#include <windows.h>

#include "frame/PcxThreadState.h"

// Marks the buffer used up, so that the next request reads a fresh block.
void ResetViewerReader(PcxThreadState* state);

// The next byte of the file in *value: TRUE, or FALSE once the file is
// exhausted or a read fails.
BOOL ReadViewerByte(PcxThreadState* state, HANDLE file, BYTE* value);
