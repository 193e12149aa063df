// The PCX format as the library reads and writes it: named constants, the
// header check, the values derived from a header, and the palette rules.
// Portable: no Windows headers, so it is unit-tested natively under the sanitizers.
#pragma once

#include <cstddef>
#include <cstdint>

#include "KyPcxTypes.h"
#include "kypcx/status.h"

namespace kypcx {

constexpr uint32_t kPcxHeaderSize = 128;
constexpr uint8_t kPcxManufacturer = 0x0A;
constexpr uint8_t kPcxWrittenVersion = 5;
constexpr uint8_t kPcxRleEncoding = 1;
constexpr uint8_t kPcxStoredEncoding = 0;  // lines stored as they are, no run-length coding
constexpr uint8_t kFirstColorSpaceCode = 10;  // non-RGB images carry 10..17 in the encoding byte
constexpr uint8_t kLastColorSpaceCode = 17;
constexpr uint8_t kRunMarker = 0xC0;     // 11xxxxxx: a count byte, the next byte is the value
constexpr uint8_t kRunCountMask = 0x3F;  // 00111111: the count inside a count byte
constexpr uint32_t kMaxRunLength = 63;
constexpr uint8_t kPaletteMarker = 0x0C; // leads the 768-byte palette after 8-bit images
constexpr uint32_t kPaletteTrailerSize = 769;
constexpr uint32_t kPaletteTrailerColors = 256;
constexpr uint32_t kHeaderPaletteColors = 16;
// Resolutions: the header counts dots per inch, a DIB pixels per metre.
constexpr double kInchesPerMeter = 39.37;

// A header's dots per inch as a DIB's pixels per metre, rounded to the
// nearest whole number (96 gives 3780, as Windows writes it). Rounding both
// ways, here and in DpiFromPelsPerMeter, brings every resolution back
// unchanged after a load and a save.
int32_t PelsPerMeterFromDpi(int32_t dpi);

// Byte offsets inside the 128-byte header, for code that works on raw bytes.
constexpr size_t kHeaderPaletteOffset = 16;
constexpr size_t kHeaderEncodingOffset = 2;

inline bool IsRunCode(uint8_t b) { return (b & kRunMarker) == kRunMarker; }

// Copies 128 file bytes into a header (the file is little-endian, as is every
// host the library is built for).
void LoadPcxHeader(const uint8_t* bytes, PcxHeader* header);

// Which layouts of planes and bits per pixel a reader accepts.
enum class PcxLayoutSet : uint8_t {
    // The four every PCX reader knows: 1 plane x 1 bit, 4 planes x 1 bit,
    // 1 plane x 8 bits, 3 planes x 8 bits.
    Classic,
    // Every layout that writers produce: the classic four and 1 plane x 2
    // bits (CGA), 1 plane x 4 bits (packed 16 colours), 2 and 3 planes x 1
    // bit (4 and 8 colours), 1 plane x 24 bits (packed blue, green, red),
    // 1 plane x 32 bits (blue, green, red and an unused byte, as device
    // bitmaps of 32-bit displays were once saved), 4 planes x 8 bits (red,
    // green, blue and alpha). One plane of 16 bits stays refused: how its
    // bits split into colours depended on the display that wrote it.
    Every,
    // The painter's: any number of planes, each giving one bit of a pixel's
    // colour; the bits per pixel are not looked at.
    AnyPlanes,
};

// What a reader asks of a header beyond its version. The encoding byte says
// how scan lines are stored: 1 run-length coded, 0 (where `storedLines`)
// stored as they are; non-RGB images carry a colour-space code 10..17 there
// and are run-length coded.
struct PcxHeaderRules {
    bool anyEncodingByte = false;  // the byte is not looked at (run-length coding assumed)
    bool colorSpaceCodes = false;  // 10..17 accepted
    bool storedLines = false;      // 0 accepted
    PcxLayoutSet layouts = PcxLayoutSet::Classic;
};

// The rules of the classic readers: encoding byte 1 when `checkEncoding`,
// any byte otherwise; the classic layouts.
inline PcxHeaderRules ClassicHeaderRules(bool checkEncoding) {
    PcxHeaderRules rules;
    rules.anyEncodingByte = !checkEncoding;
    return rules;
}

// The header check, in its fixed order: the version (UnknownVersion), then
// the encoding byte (UnacceptedEncoding), then the planes and bits-per-pixel
// layout (UndecodableLayout). Returns Ok or the first failure.
Status CheckPcxHeader(const PcxHeader& header, const PcxHeaderRules& rules);
inline Status CheckPcxHeader(const PcxHeader& header, bool checkEncoding) {
    return CheckPcxHeader(header, ClassicHeaderRules(checkEncoding));
}

// What a layout of planes and bits per pixel is called, for people:
// "16 colours (4 planes x 1 bit)"; "not decodable" for one no reader takes.
const char* PcxLayoutName(uint8_t planes, uint8_t bitsPerPixel);

bool IsAcceptedPcxVersion(uint8_t version);
bool IsDecodablePcxLayout(uint8_t planes, uint8_t bitsPerPixel, PcxLayoutSet layouts = PcxLayoutSet::Classic);
bool IsAcceptedEncodingByte(uint8_t encoding, const PcxHeaderRules& rules);

// Bytes in one DIB row: ((bitCount x width + 31) div 32) x 4. Computed in 64
// bits so that no header value can overflow it; 0 for a non-positive width.
uint64_t DibRowSize(int64_t bitCount, int64_t width);

// What a header implies. Width and height come from the signed 16-bit
// bounds and may be zero or negative for a malformed header.
struct PcxGeometry {
    int32_t width = 0;
    int32_t height = 0;
    int32_t bitCount = 0;          // bits per pixel x planes
    uint32_t bytesPerLine = 0;     // the header field read as unsigned
    uint32_t encodedLineSize = 0;  // planes x bytes per line: one decoded scan line
    uint64_t dibRowSize = 0;       // bytes in one DIB row of the decoded image
};
PcxGeometry GetPcxGeometry(const PcxHeader& header);

// Two-colour rule: if the red bytes of header entries 0 and 1 are each
// other's complement, the two colours are those greys, else black and white.
// Writes 2 triples (6 bytes).
void BuildTwoColorPalette(const PcxHeader& header, uint8_t* triples);

// The 256-colour palette used for 3-plane images and in place of an
// unreadable trailer: 3 bits red, 3 bits green, 2 bits blue. Writes 768 bytes.
void BuildDefaultPalette256(uint8_t* triples);

// The one rule every reader of a 256-colour trailer follows: the trailer is
// the last 769 bytes of the image's own extent [start, end), and it counts
// only when it lies wholly behind the image's 128-byte header. Returns false
// when the extent is too short for that (the palette cannot be read);
// otherwise *markerOffset is end - 769, where the 0x0C marker must stand.
// So a small image never takes its colours from its own header, nor, inside
// a DCX file, from the directory or the page before it.
bool FindPaletteTrailerSlot(uint64_t start, uint64_t end, uint64_t* markerOffset);

// The colours used for a 256-colour image whose trailer has no 0x0C marker:
// a grey ramp, entry i = (i, i, i). Writes 768 bytes.
void BuildGreyPalette256(uint8_t* triples);

}  // namespace kypcx
