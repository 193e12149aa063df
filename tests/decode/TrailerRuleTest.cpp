// One rule for every reader of a 256-colour trailer: it is the last 769
// bytes of the image's own extent and counts only behind the image's
// 128-byte header. An image too short for that has no readable palette
// (code 10) on every path, whatever byte 12 its header happens to hold.
#include <windows.h>

#include <vector>

#include "support/KyPcxTestSupport.h"
#include "support/PcxFixtures.h"

namespace {

using Bytes = std::vector<uint8_t>;

// An 8-bit image of 16 x 42 pixels, 800 bytes in all, without a trailer;
// the byte 769 before its end, inside the header's palette, is 12.
Bytes EightHundredBytes() {
    kypcx_test::PcxFixture f;
    f.header.bitsPerPixel = 8;
    f.header.xMax = 15;
    f.header.yMax = 41;
    f.header.bytesPerLine = 16;
    f.header.palette.assign(48, 0);
    f.header.palette[800 - 769 - 16] = 0x0C;
    for (int i = 0; i < 16 * 42; ++i) f.data.push_back(static_cast<uint8_t>(i % 0xC0));
    return f.Bytes();
}

TEST(TrailerRule, AMarkerInsideTheHeaderIsNoTrailerOnAnyPath) {
    const Bytes bytes = EightHundredBytes();
    ASSERT_EQ(800u, bytes.size());
    ASSERT_EQ(0x0C, bytes[800 - 769]);
    kypcx_test::ScratchDir dir;
    const std::wstring path = dir.Path(L"800.pcx");
    kypcx_test::WriteFileBytes(path, bytes);

    PcxErrorCode code = 0;
    EXPECT_EQ(nullptr, KYPCX_EXPORT(LoadPCXIntoDIBW)(path.c_str(), &code));
    EXPECT_EQ(PCX_ERR_PALETTE_READ, code) << "DIB decoder";
    code = 0;
    EXPECT_EQ(nullptr, KYPCX_EXPORT(LoadPCXIntoBitmapW)(path.c_str(), &code));
    EXPECT_EQ(PCX_ERR_PALETTE_READ, code) << "bitmap decoder";
    code = 0;
    HBITMAP fromMemory =
        KYPCX_EXPORT(LoadPCXIntoBitmapFromMemory)(bytes.data(), DWORD(bytes.size()), &code, nullptr);
    EXPECT_EQ(PCX_ERR_PALETTE_READ, code) << "memory decoder";
    if (fromMemory != nullptr) DeleteObject(fromMemory);
}

}  // namespace
