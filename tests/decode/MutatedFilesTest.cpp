// Seeded mutations of the fixture images (bytes changed in the header and
// the data, files cut anywhere) through every decoder: each answers with an
// image or a code, never a crash.
#include <windows.h>

#include <set>

#include "support/KyPcxTestSupport.h"
#include "support/PcxFixtures.h"

namespace {

using namespace kypcx_test::fixtures;
using Bytes = std::vector<uint8_t>;

uint32_t Next(uint32_t* state) {
    *state = *state * 1664525u + 1013904223u;
    return *state >> 8;
}

Bytes Mutate(Bytes bytes, uint32_t* rng) {
    const uint32_t edits = 1 + Next(rng) % 6;
    for (uint32_t i = 0; i < edits && !bytes.empty(); ++i) {
        // Half the edits hit the header fields that steer the decoders.
        const size_t at = (Next(rng) % 2 == 0) ? Next(rng) % 80 : Next(rng) % bytes.size();
        if (at < bytes.size()) bytes[at] = static_cast<uint8_t>(Next(rng));
    }
    if (Next(rng) % 3 == 0) bytes.resize(Next(rng) % (bytes.size() + 1));
    return bytes;
}

TEST(MutatedFiles, EveryDecoderAnswersWithAnImageOrACode) {
    const std::set<PcxErrorCode> refusals = {PCX_ERR_VERSION,      PCX_ERR_ENCODING, PCX_ERR_CREATE_BITMAP,
                                             PCX_ERR_HARDWARE_DEPENDENT, PCX_ERR_PALETTE_READ, PCX_ERR_ALLOC,
                                             PCX_ERR_FILE_IO};
    const Bytes seeds[] = {MonoGreys().Bytes(), SixteenColors().Bytes(), TwoFiftySix().Bytes(),
                           TrueColor().Bytes()};
    kypcx_test::ScratchDir dir;
    const std::wstring path = dir.Path(L"mutant.pcx");
    auto loadDib = KYPCX_EXPORT(LoadPCXIntoDIBW);
    auto loadBitmap = KYPCX_EXPORT(LoadPCXIntoBitmapW);
    auto fromMemory = KYPCX_EXPORT(LoadPCXIntoBitmapFromMemory);
    uint32_t rng = 2024;
    for (int round = 0; round < 150; ++round) {
        for (const Bytes& seed : seeds) {
            const Bytes bytes = Mutate(seed, &rng);
            kypcx_test::WriteFileBytes(path, bytes);
            PcxErrorCode code = 0;
            HGLOBAL dib = loadDib(path.c_str(), &code);
            if (dib != nullptr) GlobalFree(dib);
            else EXPECT_TRUE(refusals.count(code)) << "round " << round << " code " << code;
            code = 0;
            HBITMAP bitmap = loadBitmap(path.c_str(), &code);
            if (bitmap != nullptr) DeleteObject(bitmap);
            else EXPECT_TRUE(refusals.count(code)) << "round " << round << " code " << code;
            code = 0;
            bitmap = fromMemory(bytes.data(), DWORD(bytes.size()), &code, nullptr);
            if (bitmap != nullptr) DeleteObject(bitmap);
            else EXPECT_TRUE(refusals.count(code)) << "round " << round << " code " << code;
        }
    }
}

}  // namespace
