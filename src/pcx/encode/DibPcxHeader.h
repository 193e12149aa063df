// Header and colour-table sizes for saving a DIB, which is written in the
// usual PCX layouts whatever the display.
#pragma once

#include <windows.h>

#include "KyPcxTypes.h"
#include "kypcx/dib_layout.h"
#include "kypcx/status.h"

// Fills `header` for the checked DIB `layout` read from `dib`; the header
// palette comes from the DIB's colour table where the layout found it (at
// most 16 entries, and no more than the table holds). NoDeviceContext when
// the screen's context cannot be had.
kypcx::Status BuildDibPcxHeader(PcxHeader* header, const kypcx::DibLayout& layout, const BYTE* dib);
