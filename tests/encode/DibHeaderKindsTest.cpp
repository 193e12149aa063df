// Saving DIBs whose info header is longer than 40 bytes, or whose 16- and
// 32-bit pixels are described by bit-field masks: the colour table and the
// rows are found behind the header and the masks, whatever the header's
// kind, so each such DIB gives the same file as its plain 40-byte twin.
#include <windows.h>

#include <cstring>

#include "encode/EncodeTestSupport.h"

namespace {

using namespace kypcx_test;

constexpr size_t kInfoHeaderSize = 40;
constexpr size_t kV4HeaderSize = 108;
constexpr size_t kV5HeaderSize = 124;
constexpr uint32_t kMasks555[3] = {0x7C00, 0x03E0, 0x001F};  // red, green, blue of a plain 16-bit DIB
constexpr uint32_t kMasks888[3] = {0x00FF0000, 0x0000FF00, 0x000000FF};

void Put32(std::vector<uint8_t>& bytes, size_t at, uint32_t value) { std::memcpy(bytes.data() + at, &value, 4); }

// `plain` (a 40-byte header, table, rows) with its header grown to
// `headerSize` bytes, the new header bytes filled with 0xEE (wrong as
// colours, masks and pixels alike), and the given compression.
std::vector<uint8_t> WithHeaderOf(const std::vector<uint8_t>& plain, size_t headerSize, uint32_t compression) {
    std::vector<uint8_t> dib(plain.begin(), plain.begin() + kInfoHeaderSize);
    dib.resize(headerSize, 0xEE);
    dib.insert(dib.end(), plain.begin() + kInfoHeaderSize, plain.end());
    Put32(dib, 0, static_cast<uint32_t>(headerSize));
    Put32(dib, 16, compression);
    return dib;
}

// A V4 or V5 header (or a 40-byte one, the masks then behind it) whose masks
// say what a plain DIB of that depth means.
std::vector<uint8_t> WithMasks(const std::vector<uint8_t>& plain, size_t headerSize, const uint32_t (&masks)[3]) {
    std::vector<uint8_t> dib = WithHeaderOf(plain, headerSize, BI_BITFIELDS);
    if (headerSize == kInfoHeaderSize) dib.insert(dib.begin() + kInfoHeaderSize, 12, 0);
    for (size_t c = 0; c < 3; ++c) Put32(dib, kInfoHeaderSize + 4 * c, masks[c]);
    return dib;
}

std::vector<uint8_t> Saved(const std::vector<uint8_t>& dib, const char* what) {
    ScratchDir dir;
    ScopedDib block(dib);
    const std::wstring path = dir.Path(L"kind.pcx");
    PcxErrorCode code = 0;
    EXPECT_TRUE(KYPCX_EXPORT(SaveDIBInPCXFormatW)(path.c_str(), block.get(), &code)) << what;
    EXPECT_EQ(PCX_OK, code) << what;
    EXPECT_EQ(dib, block.Bytes()) << what << ": the caller's DIB is only read";
    return ReadFileBytes(path);
}

TEST(DibHeaderKinds, LongerHeadersKeepTheirColorTableBehindThem) {
    for (int bits : {1, 4, 8, 24}) {
        const std::vector<uint8_t> plain = DibBytes(PatternDib(bits, 11, 3));
        const std::vector<uint8_t> expected = Saved(plain, "40-byte header");
        ASSERT_GT(expected.size(), 128u);
        for (size_t headerSize : {kV4HeaderSize, kV5HeaderSize}) {
            const std::string what = std::to_string(bits) + " bits, header of " + std::to_string(headerSize);
            EXPECT_EQ(expected, Saved(WithHeaderOf(plain, headerSize, BI_RGB), what.c_str())) << what;
        }
    }
}

TEST(DibHeaderKinds, MasksInsideOrBehindTheHeaderComeBeforeTheTable) {
    struct Case {
        int bits;
        const uint32_t (&masks)[3];
    };
    const Case cases[] = {{16, kMasks555}, {32, kMasks888}};
    for (const Case& c : cases) {
        // A colour table that BI_RGB and BI_BITFIELDS DIBs of these depths
        // may carry (biClrUsed), which is no part of the pixels.
        DibModel m = PatternDib(c.bits, 9, 3);
        m.table = {RGBQUAD{1, 2, 3, 0}, RGBQUAD{4, 5, 6, 0}};
        m.colorsUsedField = 2;
        const std::vector<uint8_t> plain = DibBytes(m);
        const std::vector<uint8_t> expected = Saved(plain, "plain pixels");
        ASSERT_GT(expected.size(), 128u);
        for (size_t headerSize : {kInfoHeaderSize, kV4HeaderSize, kV5HeaderSize}) {
            const std::string what = std::to_string(c.bits) + " bits, masks, header of " + std::to_string(headerSize);
            EXPECT_EQ(expected, Saved(WithMasks(plain, headerSize, c.masks), what.c_str())) << what;
        }
    }
}

}  // namespace
