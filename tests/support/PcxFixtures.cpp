// Building PCX fixture files from bytes.
#include "support/PcxFixtures.h"

namespace kypcx_test {

std::vector<uint8_t> PcxFixture::Bytes() const {
    std::vector<uint8_t> bytes = MakeHeader(header);
    Append(bytes, data);
    if (!trailer.empty()) {
        bytes.push_back(0x0C);
        Append(bytes, trailer);
    }
    return bytes;
}

std::vector<uint8_t> TrailerPalette() {
    std::vector<uint8_t> p(768);
    for (int i = 0; i < 256; ++i) {
        p[3 * i] = static_cast<uint8_t>(i);
        p[3 * i + 1] = static_cast<uint8_t>(255 - i);
        p[3 * i + 2] = static_cast<uint8_t>(i / 2);
    }
    return p;
}

std::vector<uint8_t> SixteenColourPalette() {
    std::vector<uint8_t> p(48);
    for (int i = 0; i < 16; ++i) {
        p[3 * i] = static_cast<uint8_t>(16 * i);
        p[3 * i + 1] = static_cast<uint8_t>(255 - 16 * i);
        p[3 * i + 2] = static_cast<uint8_t>(i);
    }
    return p;
}

std::vector<uint8_t> Literal(const std::vector<uint8_t>& raw) { return raw; }

std::vector<uint8_t> RunOf(uint8_t count, uint8_t value) {
    return {static_cast<uint8_t>(0xC0 | count), value};
}

}  // namespace kypcx_test
