// The facts of a PCX or DCX file from its header and directory, refused
// where the decoders refuse the file or its first page.
#include "codec/PcxImageFacts.h"

#include <wincodec.h>

#include "codec/StatusResults.h"
#include "codec/StreamReads.h"
#include "kypcx/dcx_directory.h"
#include "kypcx/pcx_format.h"
#include "kypcx/pcx_reader.h"

namespace {

// Images whose header gives no resolution are shown at 96 dots per inch, as
// the decoders' frames report them.
constexpr double kDefaultDpi = 96.0;

// Judges the image whose header is at `start` and whose bytes end at `end`
// by the decoders' plan, without its colours: an 8-bit image must have room
// for its palette trailer behind the header, but the trailer is not read.
// (So the one file the decoders refuse and this describes is an 8-bit image
// of a header and a marked trailer and nothing between, which has no data
// to decode.)
HRESULT ReadImageHeader(IStream* stream, uint64_t start, uint64_t end, PcxImageFacts* facts) {
    StreamImageBytes bytes(stream, start, end);
    kypcx::PcxReaderRules rules = kypcx::CodecReaderRules();
    rules.readColors = false;
    kypcx::PcxImagePlan plan;
    kypcx::Status status = kypcx::PlanPcxImage(bytes.source(), rules, &plan);
    if (status == kypcx::Status::Ok) status = plan.Verdict(rules.rows);
    if (status != kypcx::Status::Ok) return CodecResultOf(status, bytes.error());
    uint64_t trailerAt = 0;
    if (plan.layout.pixels == kypcx::PcxPixels::Indexed8 && !kypcx::FindPaletteTrailerSlot(start, end, &trailerAt))
        return CodecResultOf(kypcx::Status::TrailerUnreadable);

    facts->width = uint32_t(plan.layout.width);
    facts->height = uint32_t(plan.layout.height);
    facts->bitDepth = uint32_t(plan.layout.bitCount);
    facts->dpiX = plan.header.horizontalDpi > 0 ? double(plan.header.horizontalDpi) : kDefaultDpi;
    facts->dpiY = plan.header.verticalDpi > 0 ? double(plan.header.verticalDpi) : kDefaultDpi;
    return S_OK;
}

// A DCX file: its directory, read whole as every reader of pages reads it,
// and its first page.
HRESULT ReadDcxFacts(IStream* stream, uint64_t length, PcxImageFacts* facts) {
    uint8_t bytes[kypcx::kDcxDirectorySize];
    uint32_t got = 0;
    const HRESULT hr = ReadStreamAt(stream, 0, bytes, sizeof bytes, &got);
    if (FAILED(hr)) return hr;
    if (got != sizeof bytes) return CodecResultOf(kypcx::Status::DirectoryCutShort);
    kypcx::DcxDirectory directory;
    kypcx::LoadDcxDirectory(bytes, got, &directory);
    facts->dcx = true;
    facts->pageCount = kypcx::CountDcxItems(directory);
    if (facts->pageCount == 0) return S_OK;
    kypcx::DcxItemExtent extent;
    const kypcx::Status found = kypcx::FindDcxItemExtent(directory, 0, length, &extent);
    if (found != kypcx::Status::Ok) return CodecResultOf(found);
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
