// Seeded mutations of DIB blocks (header fields changed, blocks cut short)
// through the DIB savers: each saves or answers with a code, reading
// nothing outside the caller's block.
#include <windows.h>

#include <cstring>
#include <set>

#include "support/KyPcxTestSupport.h"

namespace {

using Bytes = std::vector<uint8_t>;

uint32_t Next(uint32_t* state) {
    *state = *state * 1664525u + 1013904223u;
    return *state >> 8;
}

// A valid DIB of the given depth, 13 x 5, as raw block bytes.
Bytes MakeDib(WORD bitCount) {
    BITMAPINFOHEADER h = {};
    h.biSize = sizeof h;
    h.biWidth = 13;
    h.biHeight = 5;
    h.biPlanes = 1;
    h.biBitCount = bitCount;
    h.biClrUsed = bitCount <= 8 ? (1u << bitCount) : 0;
    const size_t rowSize = ((bitCount * 13u + 31) / 32) * 4;
    Bytes block(sizeof h + h.biClrUsed * 4 + rowSize * 5);
    std::memcpy(block.data(), &h, sizeof h);
    for (size_t i = sizeof h; i < block.size(); ++i) block[i] = static_cast<uint8_t>(i * 7);
    return block;
}

HGLOBAL ToGlobal(const Bytes& bytes) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.empty() ? 1 : bytes.size());
    if (!bytes.empty()) std::memcpy(GlobalLock(block), bytes.data(), bytes.size());
    GlobalUnlock(block);
    return block;
}

TEST(MutatedDibs, SaversAnswerWithAFileOrACode) {
    const std::set<PcxErrorCode> refusals = {PCX_ERR_CREATE_BITMAP, PCX_ERR_HARDWARE_DEPENDENT, PCX_ERR_ALLOC,
                                             PCX_ERR_COLOR_SPACE, PCX_ERR_COMPATIBLE_DC};
    const Bytes seeds[] = {MakeDib(1), MakeDib(4), MakeDib(8), MakeDib(16), MakeDib(24), MakeDib(32)};
    kypcx_test::ScratchDir dir;
    const std::wstring path = dir.Path(L"out.pcx");
    auto save = KYPCX_EXPORT(SaveDIBInPCXFormatW);
    auto saveNonRgb = KYPCX_EXPORT(SaveNonRGBDIBInPCXFormatW);
    uint32_t rng = 77;
    for (int round = 0; round < 120; ++round) {
        for (const Bytes& seed : seeds) {
            Bytes bytes = seed;
            const uint32_t edits = 1 + Next(&rng) % 4;
            for (uint32_t i = 0; i < edits; ++i) bytes[Next(&rng) % 40] = static_cast<uint8_t>(Next(&rng));
            if (Next(&rng) % 3 == 0) bytes.resize(Next(&rng) % (bytes.size() + 1));
            HGLOBAL dib = ToGlobal(bytes);
            PcxErrorCode code = 0;
            if (!save(path.c_str(), dib, &code)) {
                EXPECT_TRUE(refusals.count(code)) << "round " << round << " code " << code;
            }
            code = 0;
            if (!saveNonRgb(path.c_str(), dib, &code)) {
                EXPECT_TRUE(refusals.count(code)) << "round " << round << " code " << code;
            }
            EXPECT_EQ(bytes.empty() ? 1u : bytes.size(), GlobalSize(dib)) << "the caller's block was changed";
            GlobalFree(dib);
        }
    }
}

}  // namespace
