// Planning one image: the header, the size limits, the colours and the
// range of coded lines, as the DLL's layout readers decide them.
#include "codec/PcxFramePlan.h"

#include <wincodec.h>

#include "codec/StreamReads.h"
#include "kypcx/pcx_palette.h"

namespace {

// Reads exactly `count` bytes at `at`: S_OK, S_FALSE when the stream holds
// fewer, or the stream's failure.
HRESULT ReadExactly(IStream* stream, uint64_t at, void* bytes, uint32_t count) {
    uint32_t got = 0;
    const HRESULT hr = ReadStreamAt(stream, at, bytes, count, &got);
    if (FAILED(hr)) return hr;
    return got == count ? S_OK : S_FALSE;
}

// The 256-colour trailer of an 8-bit image: the colours, and whether a marked
// trailer was found (its bytes are then no image data). As the readers take
// it: a trailer that cannot be read refuses the image; one without its
// 0x0C marker means a grey ramp.
HRESULT ReadTrailerColors(IStream* stream, uint64_t start, uint64_t end, uint8_t* triples, bool* found) {
    *found = false;
    uint64_t markerOffset = 0;
    if (!kypcx::FindPaletteTrailerSlot(start, end, &markerOffset)) return WINCODEC_ERR_BADIMAGE;
    uint8_t marker = 0;
    HRESULT hr = ReadExactly(stream, markerOffset, &marker, 1);
    if (hr != S_OK) return FAILED(hr) ? hr : WINCODEC_ERR_BADIMAGE;
    if (marker != kypcx::kPaletteMarker) {
        kypcx::BuildGreyPalette256(triples);
        return S_OK;
    }
    hr = ReadExactly(stream, markerOffset + 1, triples, 3 * kypcx::kPaletteTrailerColors);
    if (hr != S_OK) return FAILED(hr) ? hr : WINCODEC_ERR_BADIMAGE;
    *found = true;
    return S_OK;
}

// The DIB decoders size their block by whole 32-pixel groups for every bit
// of a pixel, and refuse an image whose block that way would pass the limit
// of decoded images; the codec refuses the same images.
bool FitsDibBlock(const kypcx::PcxDecodeLayout& layout) {
    const uint64_t blockBytes =
        uint64_t((layout.width + 31) / 32) * 4 * uint64_t(layout.bitCount) * uint64_t(layout.height);
    return blockBytes <= kypcx::kMaxDecodedImageBytes;
}

// Bytes of coded data between the end of the header at `start` and `dataEnd`.
uint64_t ImageDataBytes(uint64_t start, uint64_t dataEnd) {
    const uint64_t first = start + kypcx::kPcxHeaderSize;
    return dataEnd > first && first > start ? dataEnd - first : 0;
}

}  // namespace

kypcx::PcxHeaderRules CodecHeaderRules() {
    kypcx::PcxHeaderRules rules;
    rules.layouts = kypcx::PcxLayoutSet::Every;
    rules.storedLines = true;
    return rules;
}

HRESULT PlanPcxFrame(IStream* stream, uint64_t start, uint64_t end, PcxFramePlan* plan) {
    uint8_t bytes[kypcx::kPcxHeaderSize];
    HRESULT hr = ReadExactly(stream, start, bytes, sizeof bytes);
    if (hr != S_OK) return FAILED(hr) ? hr : WINCODEC_ERR_BADHEADER;
    kypcx::LoadPcxHeader(bytes, &plan->header);
    const kypcx::PcxHeaderRules rules = CodecHeaderRules();
    PcxErrorCode check = kypcx::CheckPcxHeader(plan->header, rules);
    if (check == PCX_OK) check = kypcx::PlanPcxDecode(plan->header, rules, &plan->layout);
    // A version the readers do not know is no PCX header they can read; the
    // other refusals are PCX headers that describe no image they decode.
    if (check == PCX_ERR_VERSION) return WINCODEC_ERR_UNKNOWNIMAGEFORMAT;
    if (check != PCX_OK) return WINCODEC_ERR_BADHEADER;
    const kypcx::PcxDecodeLayout& layout = plan->layout;
    // Sizes no memory or no data of this length could back.
    if (layout.imageSize > kypcx::kMaxDecodedImageBytes || !FitsDibBlock(layout) ||
        !kypcx::IsPlausibleImageSize(layout, ImageDataBytes(start, end)))
        return WINCODEC_ERR_BADIMAGE;

    // Colours: an image with alpha has none; an 8-bit image takes its
    // trailer's; the others their header's.
    bool trailerFound = false;
    if (layout.pixels == kypcx::PcxPixels::Indexed8) {
        hr = ReadTrailerColors(stream, start, end, plan->colors, &trailerFound);
        if (FAILED(hr)) return hr;
    } else if (layout.pixels != kypcx::PcxPixels::PlanarRgba) {
        if (kypcx::BuildHeaderColors(plan->header, rules.layouts, kypcx::PcxCgaReading::ByRule, plan->colors) == 0)
            return WINCODEC_ERR_BADHEADER;
    }
    plan->colorCount = layout.colors;

    // The trailer is not image data; an image with no coded data at all
    // cannot be read.
    const uint64_t dataEnd = trailerFound ? end - kypcx::kPaletteTrailerSize : end;
    plan->dataStart = start + kypcx::kPcxHeaderSize;
    plan->dataBytes = ImageDataBytes(start, dataEnd);
    if (plan->dataBytes == 0) return WINCODEC_ERR_BADIMAGE;
    return S_OK;
}
