// Appending a device bitmap's lines to a PCX file: the header's height, the
// 8-bit trailer moved behind the new lines, files that do not fit, and a
// failed append that must leave the file exactly as it was.
#include <windows.h>

#include <cstring>

#include "encode/EncodeTestSupport.h"
#include "support/PcxFixtures.h"

namespace {

using namespace kypcx_test;

// The rows [from, from + count) of a bitmap's line bytes.
std::vector<uint8_t> Rows(const std::vector<uint8_t>& bits, int width, int bitsPixel, int from, int count) {
    const size_t line = DeviceLineBytes(width, bitsPixel);
    return std::vector<uint8_t>(bits.begin() + from * line, bits.begin() + (from + count) * line);
}

class Append : public ::testing::Test {
protected:
    // Saves `bitmap` to `path` with the library.
    void Save(const std::wstring& path, HBITMAP bitmap) {
        PcxErrorCode code = 0;
        ASSERT_TRUE(KYPCX_EXPORT(SaveBitmapInPCXFormatW)(path.c_str(), bitmap, &code));
    }
    PcxErrorCode AppendTo(const std::wstring& path, HBITMAP bitmap) {
        PcxErrorCode code = 0;
        const BOOL appended = KYPCX_EXPORT(AppendBitmapToPCXFileW)(bitmap, path.c_str(), &code);
        EXPECT_EQ(code == PCX_OK, appended != FALSE);
        return code;
    }
    ScratchDir dir;
};

// Strips appended one below the other make the same file as the whole
// image saved at once.
TEST_F(Append, StripsMakeTheWholeImage) {
    for (int bits : {1, 8, 32}) {
        const int width = 20;
        const std::vector<uint8_t> all = PatternBits(width, 15, bits);
        HBITMAP whole = MakeDeviceBitmap(width, 15, bits, all);
        HBITMAP top = MakeDeviceBitmap(width, 10, bits, Rows(all, width, bits, 0, 10));
        HBITMAP middle = MakeDeviceBitmap(width, 3, bits, Rows(all, width, bits, 10, 3));
        HBITMAP bottom = MakeDeviceBitmap(width, 2, bits, Rows(all, width, bits, 13, 2));
        const std::wstring expected = dir.Path(L"whole.pcx");
        const std::wstring built = dir.Path(L"strips.pcx");
        Save(expected, whole);
        Save(built, top);
        PcxHeader before;
        std::memcpy(&before, ReadFileBytes(built).data(), 128);
        EXPECT_EQ(PCX_OK, AppendTo(built, middle)) << bits << " bits";
        EXPECT_EQ(PCX_OK, AppendTo(built, bottom)) << bits << " bits";
        const std::vector<uint8_t> result = ReadFileBytes(built);
        EXPECT_EQ(ReadFileBytes(expected), result) << bits << " bits";
        PcxHeader after;
        std::memcpy(&after, result.data(), 128);
        EXPECT_EQ(9, before.yMax);
        EXPECT_EQ(14, after.yMax);
        after.yMax = before.yMax;
        EXPECT_EQ(0, std::memcmp(&before, &after, 128)) << "only Ymax changes";
        for (HBITMAP b : {whole, top, middle, bottom}) DeleteObject(b);
    }
}

TEST_F(Append, EightBitTrailerMovesBehindTheNewLines) {
    HBITMAP first = MakeDeviceBitmap(9, 4, 8, PatternBits(9, 4, 8));
    HBITMAP more = MakeDeviceBitmap(9, 3, 8, PatternBits(9, 3, 8));
    const std::wstring path = dir.Path(L"eight.pcx");
    Save(path, first);
    // Colours of our own in the trailer: they must survive, not be recomputed.
    std::vector<uint8_t> file = ReadFileBytes(path);
    for (size_t i = 0; i < 768; ++i) file[file.size() - 768 + i] = static_cast<uint8_t>(i * 7);
    const std::vector<uint8_t> trailer(file.end() - 769, file.end());
    WriteFileBytes(path, file);
    ASSERT_EQ(PCX_OK, AppendTo(path, more));
    const std::vector<uint8_t> after = ReadFileBytes(path);
    EXPECT_EQ(trailer, std::vector<uint8_t>(after.end() - 769, after.end()));
    const PcxFileView pcx = ReadPcxFile(after);
    ASSERT_TRUE(pcx.ok) << pcx.problem;
    EXPECT_EQ(7u, pcx.lines.size());
    EXPECT_EQ(769u, pcx.rest.size()) << "the new lines end where the trailer begins";

    // Last 769 bytes without the marker: the lines go at the very end and
    // no trailer is written again.
    Save(path, first);
    file = ReadFileBytes(path);
    file.insert(file.end(), 100, 0x55);
    WriteFileBytes(path, file);
    ASSERT_EQ(PCX_OK, AppendTo(path, more));
    const std::vector<uint8_t> plain = ReadFileBytes(path);
    ASSERT_GT(plain.size(), file.size());
    EXPECT_EQ(std::vector<uint8_t>(file.begin() + 128, file.end()),
              std::vector<uint8_t>(plain.begin() + 128, plain.begin() + file.size()));
    const std::vector<uint8_t> alone = [&] {
        Save(dir.Path(L"alone.pcx"), more);
        return ReadFileBytes(dir.Path(L"alone.pcx"));
    }();
    EXPECT_EQ(std::vector<uint8_t>(alone.begin() + 128, alone.end() - 769),
              std::vector<uint8_t>(plain.begin() + file.size(), plain.end()));
    DeleteObject(first);
    DeleteObject(more);
}

// Each byte as a run of one: a coding every reader takes for any value.
std::vector<uint8_t> CodedAsRuns(const std::vector<uint8_t>& raw) {
    std::vector<uint8_t> coded;
    for (uint8_t b : raw) kypcx_test::Append(coded, RunOf(1, b));
    return coded;
}

// A 32-bit bitmap continues an image of red, green and blue planes (the
// layout saved today, or another writer's with spare bytes a plane), and an
// older file that holds its device's own layout, one plane of 32 bits.
TEST_F(Append, DeepBitmapsContinueEitherLayout) {
    const int width = 13;
    HBITMAP first = MakeDeviceBitmap(width, 4, 32, PatternBits(width, 4, 32));
    HBITMAP more = MakeDeviceBitmap(width, 3, 32, PatternBits(width, 3, 32));
    std::vector<Rgb> colors = BitmapColors(first);
    const std::vector<Rgb> moreColors = BitmapColors(more);
    colors.insert(colors.end(), moreColors.begin(), moreColors.end());
    const std::wstring path = dir.Path(L"deep.pcx");
    auto expectPicture = [&](HGLOBAL dib, const char* what) {
        ASSERT_NE(nullptr, dib) << what;
        DibView v(dib);
        ASSERT_EQ(7, v.header().biHeight) << what;
        for (int y = 0; y < 7; ++y)
            for (int x = 0; x < width; ++x)
                ASSERT_EQ(colors[size_t(y) * width + x], v.Pixel(x, y)) << what << ": pixel " << x << "," << y;
        GlobalFree(dib);
    };

    // Another writer's planes: 15 bytes a plane for 13 pixels.
    PcxFixture planes;
    planes.header.planes = 3;
    planes.header.xMax = width - 1;
    planes.header.yMax = 3;
    planes.header.bytesPerLine = 15;
    for (int y = 0; y < 4; ++y) {
        std::vector<uint8_t> line(45, 0);
        for (int x = 0; x < width; ++x) {
            line[x] = colors[size_t(y) * width + x].r;
            line[15 + x] = colors[size_t(y) * width + x].g;
            line[30 + x] = colors[size_t(y) * width + x].b;
        }
        kypcx_test::Append(planes.data, CodedAsRuns(line));
    }
    WriteFileBytes(path, planes.Bytes());
    ASSERT_EQ(PCX_OK, AppendTo(path, more));
    PcxFileView pcx = ReadPcxFile(ReadFileBytes(path));
    ASSERT_TRUE(pcx.ok) << pcx.problem;
    ASSERT_EQ(7u, pcx.lines.size());
    EXPECT_EQ(45u, pcx.lines[6].size()) << "the file's own bytes per line";
    PcxErrorCode code = 0;
    expectPicture(KYPCX_EXPORT(LoadPCXIntoDIBW)(path.c_str(), &code), "planes");

    // An older file in the device's layout: the new lines are device lines too.
    PcxFixture device;
    device.header.planes = 1;
    device.header.bitsPerPixel = 32;
    device.header.xMax = width - 1;
    device.header.yMax = 3;
    device.header.bytesPerLine = 4 * width;
    device.data = CodedAsRuns(BitmapBits(first));
    WriteFileBytes(path, device.Bytes());
    ASSERT_EQ(PCX_OK, AppendTo(path, more));
    pcx = ReadPcxFile(ReadFileBytes(path));
    ASSERT_TRUE(pcx.ok) << pcx.problem;
    ASSERT_EQ(7u, pcx.lines.size());
    const std::vector<uint8_t> moreBits = BitmapBits(more);
    for (int y = 0; y < 3; ++y)
        EXPECT_EQ(Rows(moreBits, width, 32, y, 1), pcx.lines[4 + y]) << "line " << 4 + y;
    code = 0;
    expectPicture(KYPCX_EXPORT(LoadPCXImageW)(path.c_str(), KYPCX_WHOLE_FILE, 0, &code, nullptr), "device layout");
    DeleteObject(first);
    DeleteObject(more);
}

TEST_F(Append, RefusalsLeaveTheFileUnchanged) {
    HBITMAP mono = MakeDeviceBitmap(20, 10, 1, PatternBits(20, 10, 1));
    const std::wstring path = dir.Path(L"mono.pcx");
    Save(path, mono);
    const std::vector<uint8_t> original = ReadFileBytes(path);

    HBITMAP wider = MakeDeviceBitmap(21, 2, 1, PatternBits(21, 2, 1));
    HBITMAP deeper = MakeDeviceBitmap(20, 2, 32, PatternBits(20, 2, 32));
    HBITMAP tooTall = MakeDeviceBitmap(20, 32760, 1, {});
    HGDIOBJ brush = CreateSolidBrush(0);
    struct Case {
        const char* name;
        HBITMAP bitmap;
        PcxErrorCode expected;
    };
    const Case cases[] = {
        {"one pixel wider", wider, PCX_ERR_TYPE_MISMATCH},
        {"other depth", deeper, PCX_ERR_TYPE_MISMATCH},
        {"more lines than the header can count", tooTall, PCX_ERR_TYPE_MISMATCH},
        {"null bitmap", nullptr, PCX_ERR_CREATE_BITMAP},
        {"not a bitmap", static_cast<HBITMAP>(brush), PCX_ERR_CREATE_BITMAP},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.expected, AppendTo(path, c.bitmap)) << c.name;
        EXPECT_EQ(original, ReadFileBytes(path)) << c.name;
    }

    // Files that are missing, open elsewhere, or too short.
    EXPECT_EQ(PCX_ERR_OPEN_FILE, AppendTo(dir.Path(L"missing.pcx"), mono));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(dir.Path(L"missing.pcx").c_str())) << "not created";
    {
        TestFile holder(path, true);
        EXPECT_EQ(PCX_ERR_OPEN_FILE, AppendTo(path, mono));
    }
    EXPECT_EQ(original, ReadFileBytes(path));
    WriteFileBytes(dir.Path(L"short.pcx"), std::vector<uint8_t>(original.begin(), original.begin() + 100));
    EXPECT_EQ(PCX_ERR_READ, AppendTo(dir.Path(L"short.pcx"), mono));
    // An 8-bit header with too few bytes behind it for a trailer.
    HBITMAP eight = MakeDeviceBitmap(4, 2, 8, PatternBits(4, 2, 8));
    Save(dir.Path(L"eight.pcx"), eight);
    std::vector<uint8_t> cut = ReadFileBytes(dir.Path(L"eight.pcx"));
    cut.resize(500);
    WriteFileBytes(dir.Path(L"eight.pcx"), cut);
    EXPECT_EQ(PCX_ERR_ALLOC, AppendTo(dir.Path(L"eight.pcx"), eight));
    EXPECT_EQ(cut, ReadFileBytes(dir.Path(L"eight.pcx")));

    // The A form reaches the same file.
    PcxErrorCode code = 0;
    EXPECT_TRUE(KYPCX_EXPORT(AppendBitmapToPCXFileA)(mono, dir.PathA("mono.pcx").c_str(), &code));
    EXPECT_EQ(PCX_OK, code);
    EXPECT_EQ(original.size() * 2 - 128, ReadFileBytes(path).size());
    EXPECT_FALSE(KYPCX_EXPORT(AppendBitmapToPCXFileW)(mono, nullptr, nullptr)) << "no path, no code: no crash";

    for (HGDIOBJ o : {HGDIOBJ(mono), HGDIOBJ(wider), HGDIOBJ(deeper), HGDIOBJ(tooTall), brush, HGDIOBJ(eight)})
        DeleteObject(o);
}

// Every write an append makes, failed or cut short in turn: the file must
// come back byte for byte.
TEST_F(Append, AFailedAppendRestoresTheFile) {
    EncodeProbe probe;
    ASSERT_TRUE(probe.loaded()) << "KyPCXProbe.dll not found";
    auto append = probe.Get<decltype(&AppendBitmapToPCXFileW)>("AppendBitmapToPCXFileW");
    for (int bits : {8, 32}) {
        const int width = bits == 8 ? 600 : 200;
        HBITMAP first = MakeDeviceBitmap(width, 20, bits, PatternBits(width, 20, bits));
        HBITMAP more = MakeDeviceBitmap(width, 100, bits, PatternBits(width, 100, bits));
        const std::wstring path = dir.Path(L"restore.pcx");
        Save(path, first);
        const std::vector<uint8_t> original = ReadFileBytes(path);

        ASSERT_TRUE(probe.WatchWrites());
        PcxErrorCode code = 0;
        ASSERT_TRUE(append(more, path.c_str(), &code));
        probe.StopWatchingWrites();
        const LONG writes = static_cast<LONG>(probe.WriteSizes().size());
        ASSERT_GE(writes, 3) << "lines over several blocks, then the header";

        for (LONG failing = 1; failing <= writes; ++failing) {
            for (BOOL shortWrite : {FALSE, TRUE}) {
                WriteFileBytes(path, original);
                ASSERT_TRUE(probe.WatchWrites(failing, shortWrite));
                code = 0;
                EXPECT_FALSE(append(more, path.c_str(), &code));
                probe.StopWatchingWrites();
                EXPECT_TRUE(code == PCX_ERR_ENCODING || code == PCX_ERR_WRITE) << "code " << code;
                EXPECT_EQ(original, ReadFileBytes(path))
                    << bits << " bits, write " << failing << " of " << writes << (shortWrite ? " short" : " failed");
            }
        }
        DeleteObject(first);
        DeleteObject(more);
    }
}

}  // namespace
