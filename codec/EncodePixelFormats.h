// The pixel formats the encoders write, and for any format a program asks
// for the nearest of them, as IWICBitmapFrameEncode::SetPixelFormat answers.
#pragma once

#include <windows.h>

#include <wincodec.h>

#include <cstdint>

#include "kypcx/pcx_encode_header.h"

struct WrittenPixelFormat {
    const GUID* guid;
    kypcx::PcxPixelFormat rows;  // how its rows are written (pcx_encode_header.h)
    uint32_t bitsPerPixel;
    uint32_t colors;             // of an indexed format's palette; 0 for the others
};

// The nearest format written for `asked`: itself for 1-, 4- and 8-bit
// indexed, 24-bit BGR and 32-bit BGRA; 1-bit indexed for black and white;
// 4-bit indexed for 2-bit indexed; 32-bit BGRA for any other format whose
// pixels carry alpha (as the imaging component's description of the format
// says); 24-bit BGR for the rest, formats it does not know included.
const WrittenPixelFormat& NearestWrittenPixelFormat(const GUID& asked);
