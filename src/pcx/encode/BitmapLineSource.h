// Reads a device-dependent bitmap one scan line at a time in the device's own
// layout: each line is copied with BitBlt into a one-line bitmap of the same
// format and its bits taken with GetBitmapBits. A bitmap that no memory
// context will hold (one of another depth than the display's, or one
// selected into a context elsewhere) is read whole with GetBitmapBits
// instead, so its lines are its own and never those of an empty context.
// Used by the bitmap encoder and by appending to a PCX file; everything it
// takes is released with it.
#pragma once

#include <windows.h>

#include "KyPcxTypes.h"
#include "frame/HandleGuards.h"

class BitmapLineSource {
public:
    // `record` is the bitmap's record with bmWidthBytes as a fetched line has
    // it (DeviceLineBytes).
    BitmapLineSource(HBITMAP bitmap, const BITMAP& record) : bitmap_(bitmap), record_(record) {}
    BitmapLineSource(const BitmapLineSource&) = delete;
    BitmapLineSource& operator=(const BitmapLineSource&) = delete;

    // The two memory contexts, compatible with the active window's context
    // (8 on failure), and the one-line bitmap (6).
    PcxErrorCode CreateContexts();
    // The zero-filled line buffer (12).
    PcxErrorCode AllocateLine();
    // Selects the caller's bitmap and the line bitmap into their contexts,
    // or else reads the bitmap whole: 12 when there is no memory for that,
    // 4 when GDI gives fewer bytes than the bitmap holds.
    PcxErrorCode PrepareReading();
    // Fetches line y (0 = top) into line(); FALSE if GetBitmapBits does not
    // give exactly one line.
    BOOL FetchLine(int y);

    BYTE* line() const { return line_; }
    DWORD lineSize() const { return static_cast<DWORD>(record_.bmPlanes) * static_cast<DWORD>(record_.bmWidthBytes); }
    HBITMAP lineBitmap() const { return lineBitmap_.get(); }
    HDC sourceContext() const { return sourceContext_.get(); }

private:
    HBITMAP bitmap_;
    BITMAP record_;
    ScopedCreatedDC sourceContext_;
    ScopedCreatedDC lineContext_;
    ScopedGdiObject<HBITMAP> lineBitmap_;
    ScopedGlobal lineBlock_;
    ScopedGlobalLock lineLock_;
    BYTE* line_ = nullptr;
    ScopedGlobal wholeBlock_;
    ScopedGlobalLock wholeLock_;
    const BYTE* wholeBits_ = nullptr;
    // Declared last: selections are undone before contexts and bitmaps go.
    ScopedSelection sourceSelection_;
    ScopedSelection lineSelection_;
};
