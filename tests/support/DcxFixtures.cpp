// Assembling DCX fixture files from PCX pages.
#include "support/DcxFixtures.h"

#include "support/PcxFixtures.h"

namespace kypcx_test {

uint32_t GetWord(const std::vector<uint8_t>& bytes, size_t offset) {
    return uint32_t{bytes.at(offset)} | uint32_t{bytes.at(offset + 1)} << 8 | uint32_t{bytes.at(offset + 2)} << 16 |
           uint32_t{bytes.at(offset + 3)} << 24;
}

void SetWord(std::vector<uint8_t>& bytes, size_t offset, uint32_t value) {
    if (bytes.size() < offset + 4) bytes.resize(offset + 4);
    for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}

std::vector<uint8_t> AssembleDcx(const std::vector<std::vector<uint8_t>>& pages, uint32_t firstOffset) {
    std::vector<uint8_t> dcx(firstOffset, 0);
    SetWord(dcx, 0, kDcxMagic);
    for (size_t i = 0; i < pages.size(); ++i) {
        SetWord(dcx, 4 * (i + 1), static_cast<uint32_t>(dcx.size()));
        dcx.insert(dcx.end(), pages[i].begin(), pages[i].end());
    }
    return dcx;
}

std::vector<uint8_t> TinyItem(uint8_t value) {
    PcxFixture f;
    f.header.bitsPerPixel = 1;
    f.header.planes = 1;
    f.header.xMax = 7;
    f.header.yMax = 0;
    f.header.bytesPerLine = 2;
    f.data = {0xC1, value, 0x00};
    return f.Bytes();
}

std::vector<std::vector<uint8_t>> FullTablePages() {
    std::vector<std::vector<uint8_t>> pages;
    for (uint32_t i = 0; i + 1 < kDcxUsableEntries; ++i) pages.push_back(TinyItem(static_cast<uint8_t>(i)));
    pages.push_back(fixtures::TwoFiftySix().Bytes());
    return pages;
}

}  // namespace kypcx_test
