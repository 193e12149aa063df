// What the codec knows about one image before decoding a line of it: its
// header and layout, its colours and where its coded lines lie in the
// stream. It is worked out by the rules of the DLL's layout readers
// (LoadPCXImageW with no flags), step for step, so that a frame is refused
// exactly where that export refuses the same file or page, and a frame that
// is accepted decodes to the same pixels and colours.
#pragma once

#include <windows.h>

#include <objidl.h>

#include <cstdint>

#include "KyPcxTypes.h"
#include "kypcx/pcx_decode.h"
#include "kypcx/pcx_format.h"

struct PcxFramePlan {
    PcxHeader header = {};
    kypcx::PcxDecodeLayout layout;
    // Entries of the image's colour table (the DIB's), 0 for direct colour;
    // red, green, blue triples, entries the image gives no colour for zero.
    uint32_t colorCount = 0;
    uint8_t colors[3 * kypcx::kPaletteTrailerColors] = {};
    // The coded lines: `dataBytes` bytes from `dataStart`.
    uint64_t dataStart = 0;
    uint64_t dataBytes = 0;
};

// The header checks of the layout readers with no flags: every layout, lines
// run-length coded or stored.
kypcx::PcxHeaderRules CodecHeaderRules();

// Plans the image whose header is at `start` of `stream` and whose bytes end
// at `end` (the stream's length, or where a DCX page ends). Fails with
// WINCODEC_ERR_UNKNOWNIMAGEFORMAT for a version byte the readers do not
// know, WINCODEC_ERR_BADHEADER for another header they refuse or one cut
// short, WINCODEC_ERR_BADIMAGE for an image whose size its data cannot mean
// or whose palette or data cannot be read, or the stream's own failure.
HRESULT PlanPcxFrame(IStream* stream, uint64_t start, uint64_t end, PcxFramePlan* plan);
