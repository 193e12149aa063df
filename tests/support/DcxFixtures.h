// DCX files for the tests, assembled from PCX byte arrays: a directory that
// lists each page, then the pages back to back.
#pragma once

#include <cstdint>
#include <vector>

namespace kypcx_test {

constexpr uint32_t kDcxMagic = 987654321;
constexpr uint32_t kDcxDirectorySize = 4096;

// A DCX file holding `pages` in order. The first page begins at
// `firstOffset` (4096 as this library writes; 4100 as some other writers
// do), the gap after the directory words being zeros.
std::vector<uint8_t> AssembleDcx(const std::vector<std::vector<uint8_t>>& pages,
                                 uint32_t firstOffset = kDcxDirectorySize);

// Little-endian 32-bit words inside a byte array.
uint32_t GetWord(const std::vector<uint8_t>& bytes, size_t offset);
void SetWord(std::vector<uint8_t>& bytes, size_t offset, uint32_t value);

// Entry n of a DCX file's directory (bytes 4n..4n+3).
inline uint32_t DcxEntry(const std::vector<uint8_t>& dcx, uint32_t n) { return GetWord(dcx, 4 * size_t{n}); }
inline void SetDcxEntry(std::vector<uint8_t>& dcx, uint32_t n, uint32_t value) { SetWord(dcx, 4 * size_t{n}, value); }

}  // namespace kypcx_test
