// The bitmap information block the bitmap decoders hand to their line
// function: a BITMAPINFOHEADER of the image and a colour table of
// 2^bit count entries (none for 24 bits).
#pragma once

#include <windows.h>

#include "kypcx/pcx_decode.h"
#include "win/HandleGuards.h"

// Allocates the block (GHND) into `block`, locks it into `lock` and fills
// the header and the table from `colours` triples (missing entries stay 0).
// Returns the locked block, or null when it cannot be had.
BITMAPINFO* BuildPcxBitmapInfo(const kypcx::PcxDecodeLayout& layout, const BYTE* triples, LONG colors,
                               ScopedGlobal* block, ScopedGlobalLock* lock);
