// The byte writer and the run-length encoder: the codes other readers rely
// on (seen in files saved through the exports), what each routine returns,
// and the 32,768-byte blocks the file receives.
#include <windows.h>

#include <cstring>

#include "encode/EncodeTestSupport.h"
#include "frame/PcxThreadState.h"

namespace {

using namespace kypcx_test;

std::vector<uint8_t> Repeat(uint8_t v, size_t n) { return std::vector<uint8_t>(n, v); }

// An 8-bit DIB whose rows are exactly `row`: its file holds the row's codes
// between the header and the 769-byte trailer.
std::vector<uint8_t> EightBitDibOfRows(const std::vector<uint8_t>& row, int rows) {
    DibModel m;
    m.width = static_cast<int>(row.size());
    m.height = rows;
    m.bitCount = 8;
    m.table.resize(256);
    for (int y = 0; y < rows; ++y) m.indices.insert(m.indices.end(), row.begin(), row.end());
    m.paddingByte = 0xEE;
    return DibBytes(m);
}

std::vector<uint8_t> SavedCodes(const std::vector<uint8_t>& row, int rows = 1) {
    ScratchDir dir;
    ScopedDib dib(EightBitDibOfRows(row, rows));
    PcxErrorCode code = 0;
    const std::wstring path = dir.Path(L"codes.pcx");
    EXPECT_TRUE(KYPCX_EXPORT(SaveDIBInPCXFormatW)(path.c_str(), dib.get(), &code));
    EXPECT_EQ(PCX_OK, code);
    const std::vector<uint8_t> file = ReadFileBytes(path);
    if (file.size() < 128 + 769) return {};
    EXPECT_EQ(0x0C, file[file.size() - 769]) << "trailer marker";
    return std::vector<uint8_t>(file.begin() + 128, file.end() - 769);
}

struct CodeCase {
    const char* name;
    std::vector<uint8_t> line;
    std::vector<uint8_t> codes;
};

TEST(EncoderCodes, AreTheFormatsCodes) {
    std::vector<uint8_t> alternating;
    for (int i = 0; i < 40; ++i) alternating.push_back(i % 2 ? 0x21 : 0xBF);
    const CodeCase cases[] = {
        {"63 equal bytes", Repeat(0x41, 63), {0xFF, 0x41}},
        {"64 equal bytes", Repeat(0x41, 64), {0xFF, 0x41, 0x41}},
        {"65 equal bytes", Repeat(0x41, 65), {0xFF, 0x41, 0xC2, 0x41}},
        {"126 equal bytes", Repeat(0x00, 126), {0xFF, 0x00, 0xFF, 0x00}},
        {"127 equal bytes", Repeat(0x00, 127), {0xFF, 0x00, 0xFF, 0x00, 0x00}},
        {"64 bytes of 0xC5", Repeat(0xC5, 64), {0xFF, 0xC5, 0xC1, 0xC5}},
        {"alternating bytes below 0xC0", alternating, alternating},
        {"one 0xC0", {0xC0}, {0xC1, 0xC0}},
        {"one 0xFF", {0xFF}, {0xC1, 0xFF}},
        {"one 0x3F", {0x3F}, {0x3F}},
        {"two equal low bytes", {0x10, 0x10}, {0xC2, 0x10}},
        {"mixed", {0xFF, 7, 7, 7, 8, 0xC0, 0xC0}, {0xC1, 0xFF, 0xC3, 7, 8, 0xC2, 0xC0}},
    };
    for (const CodeCase& c : cases) EXPECT_EQ(c.codes, SavedCodes(c.line)) << c.name;
}

TEST(EncoderCodes, NoRunCarriesFromOneLineIntoTheNext) {
    std::vector<uint8_t> line(100);
    for (size_t i = 0; i < line.size(); ++i) line[i] = static_cast<uint8_t>(i < 50 ? 9 : 0xD0 + i / 20);
    const std::vector<uint8_t> once = SavedCodes(line);
    std::vector<uint8_t> twice = once;
    twice.insert(twice.end(), once.begin(), once.end());
    EXPECT_EQ(twice, SavedCodes(line, 2));
    // A line ending and the next beginning with the same byte: two runs.
    EXPECT_EQ((std::vector<uint8_t>{0xC3, 5, 0xC3, 5}), SavedCodes(Repeat(5, 3), 2));
}

class WriterProbe : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(probe.loaded()) << "KyPCXProbe.dll not found"; }
    void TearDown() override { probe.StopWatchingWrites(); }
    EncodeProbe probe;
    ScratchDir dir;
};

TEST_F(WriterProbe, RoutinesReturnWhatTheyWrote) {
    TestFile file(dir.Path(L"runs.bin"));
    EXPECT_EQ(0, probe.WritePcxRun(0x41, 0, file.get())) << "a count of 0 writes nothing";
    EXPECT_EQ(1, probe.WritePcxRun(0x3F, 1, file.get()));
    EXPECT_EQ(2, probe.WritePcxRun(0xC0, 1, file.get()));
    EXPECT_EQ(2, probe.WritePcxRun(0x10, 2, file.get()));
    EXPECT_EQ(2, probe.WritePcxRun(0x10, 63, file.get()));
    const BYTE line[] = {1, 1, 1, 0xC7, 2};
    EXPECT_EQ(5u, probe.EncodePcxLine(line, sizeof line, file.get()));
    const BYTE single[] = {0xE0};
    EXPECT_EQ(2u, probe.EncodePcxLine(single, 1, file.get()));
    EXPECT_NE(-1, probe.WritePcxByte(file.get(), 0, 1));
    file.Close();
    EXPECT_EQ((std::vector<uint8_t>{0x3F, 0xC1, 0xC0, 0xC2, 0x10, 0xFF, 0x10, 0xC3, 1, 0xC1, 0xC7, 2, 0xC1, 0xE0}),
              ReadFileBytes(dir.Path(L"runs.bin")));
}

TEST_F(WriterProbe, HandsTheFileWholeBlocks) {
    struct Case {
        DWORD bytes;
        std::vector<DWORD> writes;
    };
    const Case cases[] = {
        {1, {1}},
        {32768, {32768}},
        {32769, {32768, 1}},
        {65536, {32768, 32768}},
        {65537, {32768, 32768, 1}},
    };
    for (const Case& c : cases) {
        TestFile file(dir.Path(L"blocks.bin"));
        ASSERT_TRUE(probe.WatchWrites());
        for (DWORD i = 0; i < c.bytes; ++i) {
            ASSERT_NE(-1, probe.WritePcxByte(file.get(), static_cast<BYTE>(i), 0));
            // Nothing reaches the file until the byte after a full block.
            if (i == 32767) {
                ASSERT_EQ(0u, file.Length()) << c.bytes;
            }
            if (i == 32768) {
                ASSERT_EQ(32768u, file.Length()) << c.bytes;
            }
        }
        EXPECT_NE(nullptr, probe.ThreadState()->outputBufferHandle) << "the buffer lives until the flush";
        ASSERT_NE(-1, probe.WritePcxByte(file.get(), 0, 1));
        EXPECT_EQ(c.writes, probe.WriteSizes()) << c.bytes << " bytes";
        EXPECT_EQ(c.bytes, file.Length());
        EXPECT_EQ(nullptr, probe.ThreadState()->outputBufferHandle) << "the flush releases the buffer";
        EXPECT_EQ(0u, probe.ThreadState()->outputCount);
        probe.StopWatchingWrites();
    }
    // A flush with nothing held writes nothing and leaves no buffer.
    TestFile file(dir.Path(L"empty.bin"));
    ASSERT_TRUE(probe.WatchWrites());
    EXPECT_NE(-1, probe.WritePcxByte(file.get(), 0, 1));
    EXPECT_TRUE(probe.WriteSizes().empty());
    EXPECT_EQ(nullptr, probe.ThreadState()->outputBufferHandle);
}

TEST_F(WriterProbe, ReportsAFailedBlockWrite) {
    WriteFileBytes(dir.Path(L"readonly.bin"), {});
    TestFile file(dir.Path(L"readonly.bin"), true, GENERIC_READ);
    for (DWORD i = 0; i < 32768; ++i) ASSERT_NE(-1, probe.WritePcxByte(file.get(), 1, 0));
    const BYTE line[] = {7, 7, 8};
    EXPECT_EQ(0u, probe.EncodePcxLine(line, sizeof line, file.get())) << "the block write under the line fails";
    EXPECT_EQ(0u, probe.ThreadState()->outputCount) << "the failed block is not held for another try";
    EXPECT_EQ(2, probe.WritePcxRun(3, 5, file.get())) << "later bytes are held afresh";
    EXPECT_EQ(-1, probe.WritePcxByte(file.get(), 0, 1)) << "and the flush cannot write them to a read-only file";
    EXPECT_EQ(nullptr, probe.ThreadState()->outputBufferHandle) << "the flush releases the buffer";

    // A short write is a failure too, and the bytes that did reach the file
    // are not written a second time by the flush.
    TestFile other(dir.Path(L"short.bin"));
    ASSERT_TRUE(probe.WatchWrites(1, TRUE));
    for (DWORD i = 0; i < 32768; ++i) ASSERT_NE(-1, probe.WritePcxByte(other.get(), 1, 0));
    EXPECT_EQ(-1, probe.WritePcxByte(other.get(), 2, 0)) << "the full block's write falls short";
    EXPECT_NE(-1, probe.WritePcxByte(other.get(), 0, 1)) << "nothing is held after the failed block";
    EXPECT_EQ(16384u, other.Length()) << "the half that reached the file, once";
}

}  // namespace
