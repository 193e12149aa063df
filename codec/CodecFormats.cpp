// The PCX and DCX formats as the codec registers and decodes them.
#include "codec/CodecFormats.h"

#include <wincodec.h>

#include "KyPCXCodec.h"
#include "kypcx/dcx_directory.h"
#include "kypcx/pcx_format.h"

namespace {

// A PCX header begins with the maker byte 0x0A, a version the readers take
// (0, 2, 3, 4, 5) and the encoding byte, 1 for run-length coded lines or 0
// for lines stored as they are: the mask keeps all but the encoding byte's
// lowest bit.
constexpr uint8_t kPcxMask[3] = {0xFF, 0xFF, 0xFE};
constexpr uint8_t kPcxVersion0[3] = {kypcx::kPcxManufacturer, 0, 0};
constexpr uint8_t kPcxVersion2[3] = {kypcx::kPcxManufacturer, 2, 0};
constexpr uint8_t kPcxVersion3[3] = {kypcx::kPcxManufacturer, 3, 0};
constexpr uint8_t kPcxVersion4[3] = {kypcx::kPcxManufacturer, 4, 0};
constexpr uint8_t kPcxVersion5[3] = {kypcx::kPcxManufacturer, 5, 0};
const CodecPattern kPcxPatterns[] = {
    {0, 3, kPcxVersion0, kPcxMask}, {0, 3, kPcxVersion2, kPcxMask}, {0, 3, kPcxVersion3, kPcxMask},
    {0, 3, kPcxVersion4, kPcxMask}, {0, 3, kPcxVersion5, kPcxMask},
};

// The DCX magic, 987654321 little-endian.
constexpr uint8_t kDcxMagicBytes[4] = {uint8_t(kypcx::kDcxMagic), uint8_t(kypcx::kDcxMagic >> 8),
                                       uint8_t(kypcx::kDcxMagic >> 16), uint8_t(kypcx::kDcxMagic >> 24)};
constexpr uint8_t kDcxMask[4] = {0xFF, 0xFF, 0xFF, 0xFF};
const CodecPattern kDcxPatterns[] = {{0, 4, kDcxMagicBytes, kDcxMask}};

// Just above the codecs that declare no priority (0): the decoders claim a
// file only where QueryCapability found a header they read, never by its
// first bytes alone, so a file they claim is theirs; a codec that declares
// a higher priority for a format of its own keeps its files.
constexpr DWORD kArbitrationPriority = 1;

}  // namespace

const CodecFormat kCodecFormats[2] = {
    {CodecContainer::Pcx, &CLSID_KyPcxPcxDecoder, &GUID_KyPcxContainerFormatPcx, L"KyPCX PCX Decoder", L".pcx",
     L"image/x-pcx", false, kPcxPatterns, sizeof kPcxPatterns / sizeof kPcxPatterns[0], kArbitrationPriority},
    {CodecContainer::Dcx, &CLSID_KyPcxDcxDecoder, &GUID_KyPcxContainerFormatDcx, L"KyPCX DCX Decoder", L".dcx",
     L"image/x-dcx", true, kDcxPatterns, sizeof kDcxPatterns / sizeof kDcxPatterns[0], kArbitrationPriority},
};

const CodecFormat& PcxCodecFormat() { return kCodecFormats[0]; }
const CodecFormat& DcxCodecFormat() { return kCodecFormats[1]; }

const CodecFormat* FindCodecFormat(REFCLSID clsid) {
    for (const CodecFormat& format : kCodecFormats)
        if (IsEqualCLSID(clsid, *format.decoderClass)) return &format;
    return nullptr;
}

const GUID* const kCodecPixelFormats[5] = {&GUID_WICPixelFormat1bppIndexed, &GUID_WICPixelFormat4bppIndexed,
                                           &GUID_WICPixelFormat8bppIndexed, &GUID_WICPixelFormat24bppBGR,
                                           &GUID_WICPixelFormat32bppBGRA};
