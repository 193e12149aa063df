// Putting a decoded PCX image on the clipboard as CF_BITMAP.
#pragma once

#include <windows.h>

#include "kypcx/status.h"

// Decodes the image between `start` and `end` and hands the bitmap to the
// clipboard, emptied first. Ok; the decoder's status, the clipboard then
// untouched; ClipboardNotOpened; ClipboardRefused (the bitmap not taken).
kypcx::Status CopyPcxToClipboard(HANDLE file, ULONGLONG start, ULONGLONG end);
