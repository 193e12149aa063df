// Assembling DCX fixture files from PCX pages.
#include "support/DcxFixtures.h"

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

}  // namespace kypcx_test
