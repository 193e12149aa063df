// DCX files for the tests, assembled from PCX byte arrays: a directory that
// lists each page, then the pages back to back.
#pragma once

#include <cstdint>
#include <vector>

namespace kypcx_test {

constexpr uint32_t kDcxMagic = 987654321;
constexpr uint32_t kDcxDirectorySize = 4096;
// Entries 1 to 1022 hold items; entry 1023 never does.
constexpr uint32_t kDcxUsableEntries = 1022;

// A DCX file holding `pages` in order. The first page begins at
// `firstOffset` (4096 as this library writes; 4100 as some other writers
// do), the gap after the directory words being zeros.
std::vector<uint8_t> AssembleDcx(const std::vector<std::vector<uint8_t>>& pages,
                                 uint32_t firstOffset = kDcxDirectorySize);

// A 1-bit 8 x 1 PCX image whose single line is `value`: small, distinct
// pages for full directories.
std::vector<uint8_t> TinyItem(uint8_t value);

// The pages of a full table, one for each usable entry: tiny 1-bit pages
// (page i's line is i mod 256) and, last, the 256-colour page of
// fixtures::TwoFiftySix, whose colours are the file's last 769 bytes, so that
// its picture shows where a reader ends it.
std::vector<std::vector<uint8_t>> FullTablePages();

// Little-endian 32-bit words inside a byte array.
uint32_t GetWord(const std::vector<uint8_t>& bytes, size_t offset);
void SetWord(std::vector<uint8_t>& bytes, size_t offset, uint32_t value);

// Entry n of a DCX file's directory (bytes 4n..4n+3).
inline uint32_t DcxEntry(const std::vector<uint8_t>& dcx, uint32_t n) { return GetWord(dcx, 4 * size_t{n}); }
inline void SetDcxEntry(std::vector<uint8_t>& dcx, uint32_t n, uint32_t value) { SetWord(dcx, 4 * size_t{n}, value); }

}  // namespace kypcx_test
