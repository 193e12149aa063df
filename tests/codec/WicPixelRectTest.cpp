// CopyPixels for any rectangle and stride: every rectangle of a table, read
// from a fresh frame (decoded in order into the caller's buffer) and again
// from the same frame (read back from rows the frame keeps), holds the bits
// of the whole image and writes no byte outside its rows; bands in any order
// give the whole image; bad arguments get the imaging component's codes and
// leave the buffer alone.
#include <windows.h>

#include <string>
#include <vector>

#include "KyPCXCodec.h"
#include "codec/WicClient.h"
#include "support/LayoutFixtures.h"

namespace {

using kypcx_test::ComRef;
using kypcx_test::FrameImage;
using kypcx_test::LayoutCase;
using Bytes = std::vector<uint8_t>;

constexpr int kWidth = 37;
constexpr int kHeight = 11;
constexpr uint8_t kGuard = 0xA5;

// Bits [offset, offset + count) of a row, as the first bits of a new one.
Bytes BitsOf(const uint8_t* row, uint64_t offset, uint64_t count) {
    Bytes out(size_t((count + 7) / 8), 0);
    for (uint64_t b = 0; b < count; ++b)
        if ((row[(offset + b) / 8] >> (7 - (offset + b) % 8)) & 1) out[b / 8] |= uint8_t(0x80 >> (b % 8));
    return out;
}

class WicRects : public ::testing::TestWithParam<LayoutCase> {
protected:
    void SetUp() override {
        const LayoutCase& c = GetParam();
        file_ = kypcx_test::LayoutFile(kypcx_test::MakeLayoutImage(c.planes, c.bits, kWidth, kHeight), false);
        ComRef<IWICBitmapDecoder> decoder;
        ASSERT_EQ(S_OK, kypcx_test::OpenBytes(file_, &decoder));
        whole_ = kypcx_test::ReadFrame(decoder.get(), 0);
        ASSERT_EQ(S_OK, whole_.hr);
    }
    ComRef<IWICBitmapFrameDecode> FreshFrame() {
        ComRef<IWICBitmapFrameDecode> frame;
        EXPECT_EQ(S_OK, kypcx_test::OpenBytes(file_, &decoder_));
        if (decoder_) {
            EXPECT_EQ(S_OK, decoder_->GetFrame(0, frame.put()));
        }
        return frame;
    }
    // Copies `rect` at a stride with three spare bytes and checks it.
    void ExpectRect(IWICBitmapFrameDecode* frame, const WICRect& rect, const std::string& what) {
        SCOPED_TRACE(what + " " + std::to_string(rect.X) + "," + std::to_string(rect.Y) + " " +
                     std::to_string(rect.Width) + "x" + std::to_string(rect.Height));
        const uint64_t rowBits = uint64_t(rect.Width) * whole_.bitsPerPixel;
        const UINT rowBytes = UINT((rowBits + 7) / 8);
        const UINT stride = rowBytes + 3;
        Bytes buffer(size_t(stride) * rect.Height + 5, kGuard);
        const UINT size = stride * UINT(rect.Height - 1) + rowBytes;  // the last row needs only its own bytes
        ASSERT_EQ(S_OK, frame->CopyPixels(&rect, stride, size, buffer.data()));
        for (int r = 0; r < rect.Height; ++r) {
            const uint8_t* out = buffer.data() + size_t(r) * stride;
            const Bytes expected = BitsOf(whole_.pixels.data() + size_t(rect.Y + r) * whole_.stride,
                                          uint64_t(rect.X) * whole_.bitsPerPixel, rowBits);
            ASSERT_TRUE(kypcx_test::SameBits(expected.data(), out, rowBits)) << "row " << r;
            const size_t spareEnd = r + 1 < rect.Height ? stride : buffer.size() - size_t(r) * stride;
            for (size_t i = rowBytes; i < spareEnd; ++i) ASSERT_EQ(kGuard, out[i]) << "row " << r << " byte " << i;
        }
    }

    Bytes file_;
    FrameImage whole_;
    ComRef<IWICBitmapDecoder> decoder_;
};

const WICRect kRects[] = {
    {0, 0, kWidth, kHeight}, {1, 0, kWidth - 1, kHeight}, {3, 2, 9, 4},       {7, 10, 1, 1},
    {kWidth - 1, 0, 1, kHeight}, {0, 5, kWidth, 1},     {5, 3, 17, 8},       {2, 0, 31, 2},
};

TEST_P(WicRects, AnyRectangleAndStrideFromAFreshFrameAndAgain) {
    for (const WICRect& rect : kRects) {
        ComRef<IWICBitmapFrameDecode> frame = FreshFrame();
        ASSERT_TRUE(frame);
        ExpectRect(frame.get(), rect, "fresh frame");
        ExpectRect(frame.get(), rect, "the same frame again");
        ExpectRect(frame.get(), {0, 0, kWidth, kHeight}, "then the whole image");
    }
}

TEST_P(WicRects, BandsInAnyOrderGiveTheWholeImage) {
    const int orders[][4] = {{0, 3, 6, 9}, {9, 6, 3, 0}, {3, 0, 9, 6}};
    for (const auto& order : orders) {
        ComRef<IWICBitmapFrameDecode> frame = FreshFrame();
        ASSERT_TRUE(frame);
        Bytes pixels(whole_.pixels.size(), kGuard);
        for (int top : order) {
            const int rows = top + 3 <= kHeight ? 3 : kHeight - top;
            const WICRect band = {0, top, kWidth, rows};
            ASSERT_EQ(S_OK, frame->CopyPixels(&band, whole_.stride, UINT(whole_.stride * rows),
                                              pixels.data() + size_t(top) * whole_.stride));
        }
        for (int y = 0; y < kHeight; ++y)
            ASSERT_TRUE(kypcx_test::SameBits(whole_.pixels.data() + size_t(y) * whole_.stride,
                                             pixels.data() + size_t(y) * whole_.stride,
                                             uint64_t(kWidth) * whole_.bitsPerPixel))
                << "row " << y << ", bands from " << order[0];
    }
}

TEST_P(WicRects, BadArgumentsGetTheirCodesAndLeaveTheBuffer) {
    ComRef<IWICBitmapFrameDecode> frame = FreshFrame();
    ASSERT_TRUE(frame);
    const UINT stride = whole_.stride;
    const UINT size = UINT(whole_.pixels.size());
    Bytes buffer(size, kGuard);
    struct Case {
        const char* name;
        WICRect rect;
        UINT stride;
        UINT size;
        HRESULT expected;
    };
    const Case cases[] = {
        {"past the right edge", {1, 0, kWidth, 1}, stride, size, E_INVALIDARG},
        {"past the bottom", {0, kHeight - 1, kWidth, 2}, stride, size, E_INVALIDARG},
        {"negative position", {-1, 0, 2, 2}, stride, size, E_INVALIDARG},
        {"negative size", {0, 0, -2, 2}, stride, size, E_INVALIDARG},
        {"stride below a row", {0, 0, kWidth, kHeight}, stride - 1, size, E_INVALIDARG},
        {"buffer one byte short", {0, 0, kWidth, kHeight}, stride, size - 1, WINCODEC_ERR_INSUFFICIENTBUFFER},
        {"no buffer at all", {0, 0, kWidth, kHeight}, stride, 0, WINCODEC_ERR_INSUFFICIENTBUFFER},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.expected, frame->CopyPixels(&c.rect, c.stride, c.size, buffer.data())) << c.name;
        EXPECT_EQ(Bytes(size, kGuard), buffer) << c.name;
    }
    EXPECT_EQ(E_INVALIDARG, frame->CopyPixels(nullptr, stride, size, nullptr));
    const WICRect empty = {4, 4, 0, 0};
    EXPECT_EQ(S_OK, frame->CopyPixels(&empty, 0, 0, buffer.data()));
    EXPECT_EQ(Bytes(size, kGuard), buffer);
}

// The layouts of every pixel format.
const LayoutCase kFormats[] = {
    kypcx_test::kLayoutCases[0],  // 1 bit
    kypcx_test::kLayoutCases[1],  // 4 bits, 4 colours
    kypcx_test::kLayoutCases[5],  // 4 bits, 16 colours in planes
    kypcx_test::kLayoutCases[6],  // 8 bits
    kypcx_test::kLayoutCases[7],  // 24 bits
    kypcx_test::kLayoutCases[9],  // 32 bits
};

INSTANTIATE_TEST_SUITE_P(Formats, WicRects, ::testing::ValuesIn(kFormats),
                         [](const ::testing::TestParamInfo<LayoutCase>& info) { return std::string(info.param.name); });

}  // namespace
