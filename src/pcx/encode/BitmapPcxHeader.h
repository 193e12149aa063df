// Header and colours for saving a device-dependent bitmap: the bitmap is
// described in its device's own layout, and its colours are asked of GDI.
#pragma once

#include <windows.h>

#include "KyPcxTypes.h"
#include "kypcx/pcx_encode_header.h"
#include "kypcx/status.h"

// What the display reports for the header: logical pixels per inch and the
// screen size, from the given context.
kypcx::DisplayMetrics ReadDisplayMetrics(HDC display);

// Bytes of one line of the bitmap as GetBitmapBits gives it (rows padded to
// 16 bits), whatever the record says: a DIB section's record gives its own
// 32-bit padding, which no line fetched from a device bitmap has.
LONG DeviceLineBytes(const BITMAP& bitmap);

// The record's fields as the portable header code takes them.
kypcx::BitmapFields BitmapFieldsOf(const BITMAP& bitmap);

// Fills `header` for `bitmap` (its record and handle): NoDeviceContext when
// the display's context cannot be made, or the colour collector's status.
kypcx::Status BuildBitmapPcxHeader(PcxHeader* header, const BITMAP* bitmap, HBITMAP bitmapHandle);

// Writes `count` colour triples (red, green, blue) to `triples`. A count of
// 256 gives the display's current system palette as GetNearestColor sees
// it; a smaller count (a power of two) the colour table GDI reports for the
// bitmap. NoDeviceContext, NoWorkingMemory, LockFailed or PaletteNotCreated
// when it cannot.
kypcx::Status CollectBitmapPalette(BYTE* triples, UINT count, const BITMAP* bitmap, HBITMAP bitmapHandle);
