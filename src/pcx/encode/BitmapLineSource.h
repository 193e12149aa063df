// Reads a device-dependent bitmap one scan line at a time, in one of two
// layouts:
//  - the device's own (bitmaps of 8 bits a pixel or fewer): each line is
//    copied with BitBlt into a one-line bitmap of the same format and its
//    bits taken with GetBitmapBits. A bitmap that no memory context will
//    hold (one of another depth than the display's, or one selected into a
//    context elsewhere) is read whole with GetBitmapBits instead, so its
//    lines are its own and never those of an empty context;
//  - three planes of red, green and blue bytes (bitmaps of more than 8 bits
//    a pixel): rows are taken device-independently with GetDIBits as 24-bit
//    colours, a band at a time, for the writer to split into planes.
// Used by the bitmap encoder and by appending to a PCX file; everything it
// takes is released with it.
#pragma once

#include <windows.h>

#include "KyPcxTypes.h"
#include "kypcx/pcx_encode_planes.h"
#include "kypcx/status.h"
#include "win/HandleGuards.h"

class BitmapLineSource {
public:
    // `record` is the bitmap's record with bmWidthBytes as a fetched line has
    // it (DeviceLineBytes). Lines come in the device's layout unless
    // UseRgbPlanes is called before AllocateLine.
    BitmapLineSource(HBITMAP bitmap, const BITMAP& record);
    BitmapLineSource(const BitmapLineSource&) = delete;
    BitmapLineSource& operator=(const BitmapLineSource&) = delete;

    // Lines as three planes of `planeBytes` bytes each (at least the width).
    void UseRgbPlanes(int32_t planeBytes);

    // The two memory contexts, compatible with the active window's context
    // (NoDeviceContext), and the one-line bitmap (NoBitmap).
    kypcx::Status CreateContexts();
    // The zero-filled line buffer, and for planes the band of 24-bit rows
    // (NoWorkingMemory).
    kypcx::Status AllocateLine();
    // Selects the caller's bitmap and the line bitmap into their contexts,
    // or else reads the bitmap whole: NoWorkingMemory when there is no
    // memory for that, LineUnavailable when GDI gives fewer bytes than the
    // bitmap holds. Nothing to do for planes: GetDIBits reads the bitmap
    // itself.
    kypcx::Status PrepareReading();
    // Fetches line y (0 = top): the row to hand the writer, laid out as
    // rows() says (in the device's layout, the line buffer itself), or null
    // when GDI does not give exactly the line's bytes.
    const BYTE* FetchLine(int y);

    // How the fetched rows become scan lines.
    const kypcx::PcxRowLayout& rows() const { return rows_; }
    // The line buffer (rows().lineSize() bytes), where the writer puts each
    // scan line.
    BYTE* line() const { return line_; }
    HBITMAP lineBitmap() const { return lineBitmap_.get(); }
    HDC sourceContext() const { return sourceContext_.get(); }

private:
    const BYTE* FetchRgbRow(int y);

    HBITMAP bitmap_;
    BITMAP record_;
    bool rgbPlanes_ = false;
    kypcx::PcxRowLayout rows_;
    ScopedCreatedDC sourceContext_;
    ScopedCreatedDC lineContext_;
    ScopedGdiObject<HBITMAP> lineBitmap_;
    ScopedGlobal lineBlock_;
    ScopedGlobalLock lineLock_;
    BYTE* line_ = nullptr;
    ScopedGlobal wholeBlock_;
    ScopedGlobalLock wholeLock_;
    const BYTE* wholeBits_ = nullptr;
    // Rows [bandTop_, bandTop_ + bandRows_) of the image, 24 bits a pixel,
    // stored bottom-up as GetDIBits gives them.
    ScopedGlobal bandBlock_;
    ScopedGlobalLock bandLock_;
    BYTE* band_ = nullptr;
    int bandCapacity_ = 0;
    int bandTop_ = 0;
    int bandRows_ = 0;
    // Declared last: selections are undone before contexts and bitmaps go.
    ScopedSelection sourceSelection_;
    ScopedSelection lineSelection_;
};
