// The facts of a PCX or DCX file from its header and directory, refused
// where the decoders refuse the file or its first page.
#include "codec/PcxImageFacts.h"

#include <wincodec.h>

#include "codec/PcxFramePlan.h"
#include "codec/StreamReads.h"
#include "kypcx/dcx_directory.h"
#include "kypcx/pcx_decode.h"
#include "kypcx/pcx_format.h"
#include "kypcx/pcx_palette.h"

namespace {

// Images whose header gives no resolution are shown at 96 dots per inch, as
// the decoders' frames report them.
constexpr double kDefaultDpi = 96.0;

// The decoders size a decoded image by whole 32-pixel groups for every bit
// of a pixel and refuse one whose size that way passes the limit of decoded
// images.
bool WithinDecodedLimit(const kypcx::PcxDecodeLayout& layout) {
    const uint64_t groupedBytes =
        uint64_t((layout.width + 31) / 32) * 4 * uint64_t(layout.bitCount) * uint64_t(layout.height);
    return layout.imageSize <= kypcx::kMaxDecodedImageBytes && groupedBytes <= kypcx::kMaxDecodedImageBytes;
}

// Judges the image whose header is at `start` and whose bytes end at `end`
// as the decoders plan a frame, from the header and the lengths alone: an
// 8-bit image must have room for its palette trailer behind the header, but
// the trailer is not read. (So the one file the decoders refuse and this
// describes is an 8-bit image of a header and a marked trailer and nothing
// between, which has no data to decode.)
HRESULT ReadImageHeader(IStream* stream, uint64_t start, uint64_t end, PcxImageFacts* facts) {
    uint8_t bytes[kypcx::kPcxHeaderSize];
    uint32_t got = 0;
    const HRESULT hr = ReadStreamAt(stream, start, bytes, sizeof bytes, &got);
    if (FAILED(hr)) return hr;
    if (got != sizeof bytes) return WINCODEC_ERR_BADHEADER;
    PcxHeader header;
    kypcx::LoadPcxHeader(bytes, &header);
    const kypcx::PcxHeaderRules rules = CodecHeaderRules();
    kypcx::PcxDecodeLayout layout;
    PcxErrorCode verdict = kypcx::CheckPcxHeader(header, rules);
    if (verdict == PCX_OK) verdict = kypcx::PlanPcxDecode(header, rules, &layout);
    if (verdict == PCX_ERR_VERSION) return WINCODEC_ERR_UNKNOWNIMAGEFORMAT;
    if (verdict != PCX_OK) return WINCODEC_ERR_BADHEADER;

    const uint64_t firstDataByte = start + kypcx::kPcxHeaderSize;
    const uint64_t dataBytes = end > firstDataByte ? end - firstDataByte : 0;
    if (!WithinDecodedLimit(layout) || !kypcx::IsPlausibleImageSize(layout, dataBytes) || dataBytes == 0)
        return WINCODEC_ERR_BADIMAGE;
    if (layout.pixels == kypcx::PcxPixels::Indexed8) {
        uint64_t trailerAt = 0;
        if (!kypcx::FindPaletteTrailerSlot(start, end, &trailerAt)) return WINCODEC_ERR_BADIMAGE;
    } else if (layout.pixels != kypcx::PcxPixels::PlanarRgba) {
        uint8_t colors[3 * kypcx::kPaletteTrailerColors];
        if (kypcx::BuildHeaderColors(header, rules.layouts, kypcx::PcxCgaReading::ByRule, colors) == 0)
            return WINCODEC_ERR_BADHEADER;
    }

    facts->width = uint32_t(layout.width);
    facts->height = uint32_t(layout.height);
    facts->bitDepth = uint32_t(layout.bitCount);
    facts->dpiX = header.horizontalDpi > 0 ? double(header.horizontalDpi) : kDefaultDpi;
    facts->dpiY = header.verticalDpi > 0 ? double(header.verticalDpi) : kDefaultDpi;
    return S_OK;
}

// A DCX file: its directory, read whole as every reader of pages reads it,
// and its first page.
HRESULT ReadDcxFacts(IStream* stream, uint64_t length, PcxImageFacts* facts) {
    uint8_t bytes[kypcx::kDcxDirectorySize];
    uint32_t got = 0;
    const HRESULT hr = ReadStreamAt(stream, 0, bytes, sizeof bytes, &got);
    if (FAILED(hr)) return hr;
    if (got != sizeof bytes) return WINCODEC_ERR_BADHEADER;
    kypcx::DcxDirectory directory;
    kypcx::LoadDcxDirectory(bytes, got, &directory);
    facts->dcx = true;
    facts->pageCount = kypcx::CountDcxItems(directory);
    if (facts->pageCount == 0) return S_OK;
    kypcx::DcxItemExtent extent;
    const PcxErrorCode found = kypcx::FindDcxItemExtent(directory, 0, length, &extent);
    if (found == PCX_ERR_NO_ITEM) return WINCODEC_ERR_FRAMEMISSING;
    if (found != PCX_OK || !extent.listed) return WINCODEC_ERR_BADIMAGE;
    return ReadImageHeader(stream, extent.start, extent.end, facts);
}

}  // namespace

HRESULT ReadPcxImageFacts(IStream* stream, PcxImageFacts* facts) {
    *facts = PcxImageFacts();
    uint64_t length = 0;
    HRESULT hr = GetStreamLength(stream, &length);
    if (FAILED(hr)) return hr;
    // The first four bytes tell the formats apart, as the factory's patterns
    // do: the DCX magic, or a PCX header (whose first byte the readers do
    // not look at).
    uint8_t magic[4];
    uint32_t got = 0;
    hr = ReadStreamAt(stream, 0, magic, sizeof magic, &got);
    if (FAILED(hr)) return hr;
    if (got == sizeof magic && kypcx::ReadLe32(magic) == kypcx::kDcxMagic) return ReadDcxFacts(stream, length, facts);
    return ReadImageHeader(stream, 0, length, facts);
}
