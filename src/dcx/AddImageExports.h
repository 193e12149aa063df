// Adding an image held in memory as a new item at the end of a DCX file.
#pragma once

#include <windows.h>

#include "KyPCX.h"

// Adds a DIB whose biCompression holds a colour-space code (10..17, else
// code 19 and nothing is opened) as a new item, the code stored in the
// item's encoding byte. The DCX file must exist (code 5 otherwise; nothing
// is created). Codes and the cut-back on failure as AddDIBToDCXFileW.
BOOL AddNonRgbDibToDcxFile(HGLOBAL dib, LPCWSTR path, PcxErrorCode* code, PcxDibLineCallback callback);
