// The colours of a PCX image as a GDI logical palette. Which colours an image
// has is the one reader's palette rules (kypcx::ReadPcxColors); this makes
// the palettes the DLL's readers hand out or select.
#pragma once

#include <windows.h>

#include "KyPcxTypes.h"
#include "kypcx/pcx_reader.h"
#include "kypcx/status.h"

// The version every LOGPALETTE the library builds carries.
constexpr WORD kLogPaletteVersion = 0x300;

// The reader's colours of an image as a logical palette, or null where it
// has none. *status is the colours' own status (kypcx::PcxColors), or
// NoPaletteMemory when the palette's block cannot be allocated.
HPALETTE CreateColorsPalette(const kypcx::PcxColors& colors, kypcx::Status* status);

// The colours of the image that occupies [start, end) of `file`, whose
// header is `header`, by the classic readers' rules, as a logical palette.
// *status is Ok, or the colours' status (TrailerUnreadable with a palette of
// the default colours; NoColorsForLayout, no palette), or NoPaletteMemory.
HPALETTE ReadPcxPaletteFromFile(HANDLE file, ULONGLONG start, ULONGLONG end, const PcxHeader& header,
                                kypcx::Status* status);
