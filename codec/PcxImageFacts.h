// What the shell shows of a PCX or DCX file without decoding it: the
// picture's size, bit depth and resolution, and a DCX file's page count,
// taken from the 128-byte header (for a DCX file its 4096-byte page
// directory and the first page's header) and the stream's length. No pixel,
// no palette trailer and no other page is read, so describing a file costs
// the same whatever its size.
#pragma once

#include <windows.h>

#include <objidl.h>

#include <cstdint>

struct PcxImageFacts {
    bool dcx = false;
    // A DCX file's pages; the fields below describe its first page, and are
    // zero when it has none.
    uint32_t pageCount = 0;
    uint32_t width = 0;
    uint32_t height = 0;
    // Bits a pixel of the decoded image: 1, 4, 8, 24, or 32 where a fourth
    // plane holds alpha (the decoders' pixel formats).
    uint32_t bitDepth = 0;
    // Dots per inch, as the decoders' frames report them: the header's, or
    // 96 where it gives none.
    double dpiX = 0;
    double dpiY = 0;
};

// Reads the facts of the file in `stream`: a DCX file when it begins with
// the DCX magic, otherwise a PCX file. Fails where the decoders refuse the
// file or its first page (judged by the header and the lengths alone):
// WINCODEC_ERR_UNKNOWNIMAGEFORMAT for a version byte the readers do not
// know, WINCODEC_ERR_BADHEADER for another header they refuse or one cut
// short (a DCX directory included), WINCODEC_ERR_BADIMAGE for a size the
// data cannot back or a page outside the file, WINCODEC_ERR_FRAMEMISSING
// for a first page the directory cannot list, or the stream's own failure.
HRESULT ReadPcxImageFacts(IStream* stream, PcxImageFacts* facts);
