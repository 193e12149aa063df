// Bad files through every decoder (DIB, bitmap, memory, DCX page, and the
// layout readers from a file, from memory and from a DCX page): each answers
// with its code, leaves the caller's file or bytes as they were and holds no
// handle afterwards.
#include <windows.h>

#include <string>
#include <vector>

#include "support/DcxFixtures.h"
#include "support/KyPcxTestSupport.h"
#include "support/PcxFixtures.h"

namespace {

using kypcx_test::PcxFixture;
using kypcx_test::ScratchDir;
using namespace kypcx_test::fixtures;
using Bytes = std::vector<uint8_t>;

// What one decoder gives for one file.
struct Outcome {
    PcxErrorCode code;
    bool image;
};

struct BadFile {
    const char* name;
    Bytes bytes;
    Outcome dib;     // LoadPCXIntoDIBW
    Outcome bitmap;  // LoadPCXIntoBitmapW
    Outcome memory;  // LoadPCXIntoBitmapFromMemory
    Outcome page;    // LoadDCXItemToDIBW, the file as the only page of a DCX file
    Outcome every;   // LoadPCXImageW (file and DCX page) and LoadPCXImageFromMemory
};

constexpr Outcome Refused(PcxErrorCode code) { return {code, false}; }
constexpr Outcome Partial(PcxErrorCode code) { return {code, true}; }

PcxFixture TrueColorWith(void (*change)(kypcx_test::HeaderSpec*)) {
    PcxFixture f = TrueColor();
    change(&f.header);
    return f;
}

Bytes Cut(Bytes bytes, size_t length) {
    bytes.resize(length);
    return bytes;
}

std::vector<BadFile> BadFiles() {
    const Bytes whole = TrueColor().Bytes();
    return {
        {"empty", {}, Refused(PCX_ERR_FILE_IO), Refused(PCX_ERR_FILE_IO), Refused(PCX_ERR_FILE_IO),
         Refused(PCX_ERR_FILE_IO), Refused(PCX_ERR_FILE_IO)},
        {"shorter_than_a_header", Bytes(100, 0x0A), Refused(PCX_ERR_FILE_IO), Refused(PCX_ERR_FILE_IO),
         Refused(PCX_ERR_FILE_IO), Refused(PCX_ERR_FILE_IO), Refused(PCX_ERR_FILE_IO)},
        {"shorter_than_a_header_without_maker", Bytes(100, 5), Refused(PCX_ERR_FILE_IO), Refused(PCX_ERR_FILE_IO),
         Refused(PCX_ERR_FILE_IO), Refused(PCX_ERR_FILE_IO), Refused(PCX_ERR_FILE_IO)},
        {"header_only", Cut(whole, 128), Refused(PCX_ERR_PALETTE_READ), Refused(PCX_ERR_PALETTE_READ),
         Partial(PCX_OK), Refused(PCX_ERR_PALETTE_READ), Refused(PCX_ERR_PALETTE_READ)},
        {"cut_inside_the_second_line", Cut(whole, 128 + 35), Partial(PCX_OK), Partial(PCX_OK), Partial(PCX_OK),
         Partial(PCX_OK), Partial(PCX_OK)},
        {"version_1", TrueColorWith([](kypcx_test::HeaderSpec* h) { h->version = 1; }).Bytes(),
         Refused(PCX_ERR_VERSION), Refused(PCX_ERR_VERSION), Refused(PCX_ERR_VERSION), Refused(PCX_ERR_VERSION), Refused(PCX_ERR_VERSION)},
        {"version_9", TrueColorWith([](kypcx_test::HeaderSpec* h) { h->version = 9; }).Bytes(),
         Refused(PCX_ERR_VERSION), Refused(PCX_ERR_VERSION), Refused(PCX_ERR_VERSION), Refused(PCX_ERR_VERSION), Refused(PCX_ERR_VERSION)},
        {"not_coded", TrueColorWith([](kypcx_test::HeaderSpec* h) { h->encoding = 0; }).Bytes(),
         Refused(PCX_ERR_ENCODING), Refused(PCX_ERR_ENCODING), Refused(PCX_ERR_ENCODING), Refused(PCX_ERR_ENCODING), Partial(PCX_OK)},
        {"colour_space_code", TrueColorWith([](kypcx_test::HeaderSpec* h) { h->encoding = 11; }).Bytes(),
         Refused(PCX_ERR_ENCODING), Refused(PCX_ERR_ENCODING), Refused(PCX_ERR_ENCODING), Refused(PCX_ERR_ENCODING), Refused(PCX_ERR_ENCODING)},
        {"two_planes", TrueColorWith([](kypcx_test::HeaderSpec* h) { h->planes = 2; }).Bytes(),
         Refused(PCX_ERR_HARDWARE_DEPENDENT), Refused(PCX_ERR_HARDWARE_DEPENDENT),
         Refused(PCX_ERR_HARDWARE_DEPENDENT), Refused(PCX_ERR_HARDWARE_DEPENDENT), Refused(PCX_ERR_HARDWARE_DEPENDENT)},
        {"bytes_per_line_2", TrueColorWith([](kypcx_test::HeaderSpec* h) { h->bytesPerLine = 2; }).Bytes(),
         Refused(PCX_ERR_HARDWARE_DEPENDENT), Refused(PCX_ERR_HARDWARE_DEPENDENT),
         Refused(PCX_ERR_HARDWARE_DEPENDENT), Refused(PCX_ERR_HARDWARE_DEPENDENT), Refused(PCX_ERR_HARDWARE_DEPENDENT)},
        {"bytes_per_line_3", TrueColorWith([](kypcx_test::HeaderSpec* h) { h->bytesPerLine = 3; }).Bytes(),
         Refused(PCX_ERR_HARDWARE_DEPENDENT), Refused(PCX_ERR_HARDWARE_DEPENDENT),
         Refused(PCX_ERR_HARDWARE_DEPENDENT), Refused(PCX_ERR_HARDWARE_DEPENDENT), Refused(PCX_ERR_HARDWARE_DEPENDENT)},
        {"32000_square_in_a_tiny_file",
         TrueColorWith([](kypcx_test::HeaderSpec* h) {
             h->xMin = 0;
             h->xMax = 32000;
             h->yMax = 32000;
             h->bytesPerLine = 32002;
         }).Bytes(),
         Refused(PCX_ERR_CREATE_BITMAP), Refused(PCX_ERR_CREATE_BITMAP), Refused(PCX_ERR_CREATE_BITMAP),
         Refused(PCX_ERR_CREATE_BITMAP), Refused(PCX_ERR_CREATE_BITMAP)},
        // Layouts that no reader takes: refused alike by the classic decoders
        // and the layout readers.
        {"five_planes", TrueColorWith([](kypcx_test::HeaderSpec* h) { h->planes = 5; }).Bytes(),
         Refused(PCX_ERR_HARDWARE_DEPENDENT), Refused(PCX_ERR_HARDWARE_DEPENDENT),
         Refused(PCX_ERR_HARDWARE_DEPENDENT), Refused(PCX_ERR_HARDWARE_DEPENDENT),
         Refused(PCX_ERR_HARDWARE_DEPENDENT)},
        {"three_planes_of_2_bits",
         TrueColorWith([](kypcx_test::HeaderSpec* h) { h->bitsPerPixel = 2; }).Bytes(),
         Refused(PCX_ERR_HARDWARE_DEPENDENT), Refused(PCX_ERR_HARDWARE_DEPENDENT),
         Refused(PCX_ERR_HARDWARE_DEPENDENT), Refused(PCX_ERR_HARDWARE_DEPENDENT),
         Refused(PCX_ERR_HARDWARE_DEPENDENT)},
        {"16_bits_per_pixel",
         TrueColorWith([](kypcx_test::HeaderSpec* h) { h->planes = 1; h->bitsPerPixel = 16; }).Bytes(),
         Refused(PCX_ERR_HARDWARE_DEPENDENT), Refused(PCX_ERR_HARDWARE_DEPENDENT),
         Refused(PCX_ERR_HARDWARE_DEPENDENT), Refused(PCX_ERR_HARDWARE_DEPENDENT),
         Refused(PCX_ERR_HARDWARE_DEPENDENT)},
        {"no_planes", TrueColorWith([](kypcx_test::HeaderSpec* h) { h->planes = 0; }).Bytes(),
         Refused(PCX_ERR_HARDWARE_DEPENDENT), Refused(PCX_ERR_HARDWARE_DEPENDENT),
         Refused(PCX_ERR_HARDWARE_DEPENDENT), Refused(PCX_ERR_HARDWARE_DEPENDENT),
         Refused(PCX_ERR_HARDWARE_DEPENDENT)},
        // A layout only the layout readers take, cut inside its first line.
        {"four_planes_of_8_bits_cut",
         Cut(TrueColorWith([](kypcx_test::HeaderSpec* h) { h->planes = 4; h->bytesPerLine = 10; }).Bytes(), 150),
         Refused(PCX_ERR_HARDWARE_DEPENDENT), Refused(PCX_ERR_HARDWARE_DEPENDENT),
         Refused(PCX_ERR_HARDWARE_DEPENDENT), Refused(PCX_ERR_HARDWARE_DEPENDENT), Partial(PCX_OK)},
    };
}

// The process's GDI objects, so that an image left behind shows.
DWORD GdiObjects() { return GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS); }

// Decodes `bytes` from a file at `path` (written first), checks that the
// file is unchanged and no longer held, and frees what came back.
template <typename Load, typename Free>
Outcome FromFile(const std::wstring& path, const Bytes& fileBytes, Load load, Free release) {
    kypcx_test::WriteFileBytes(path, fileBytes);
    Outcome out{0, false};
    auto image = load(path.c_str(), &out.code);
    out.image = image != nullptr;
    if (image != nullptr) release(image);
    EXPECT_EQ(fileBytes, kypcx_test::ReadFileBytes(path)) << "the file was changed";
    EXPECT_TRUE(DeleteFileW(path.c_str())) << "the file is still open";
    return out;
}

void FreeDib(HGLOBAL dib) { GlobalFree(dib); }
void FreeBitmap(HBITMAP bitmap) { DeleteObject(bitmap); }

class BadFileDecode : public ::testing::TestWithParam<BadFile> {
protected:
    void SetUp() override {
        // One good decode first, so that what the system sets up once is not
        // counted as left behind.
        Bytes good = TrueColor().Bytes();
        PcxErrorCode code = 0;
        HBITMAP warm = KYPCX_EXPORT(LoadPCXIntoBitmapFromMemory)(good.data(), DWORD(good.size()), &code, nullptr);
        if (warm != nullptr) DeleteObject(warm);
    }
    ScratchDir dir_;
};

void ExpectOutcome(const Outcome& expected, const Outcome& got, const char* decoder) {
    EXPECT_EQ(expected.code, got.code) << decoder;
    EXPECT_EQ(expected.image, got.image) << decoder;
}

TEST_P(BadFileDecode, EachDecoderAnswersWithItsCodeAndKeepsNothing) {
    const BadFile& c = GetParam();
    const DWORD gdiBefore = GdiObjects();

    ExpectOutcome(c.dib,
                  FromFile(dir_.Path(L"bad.pcx"), c.bytes,
                           [](LPCWSTR p, PcxErrorCode* code) { return KYPCX_EXPORT(LoadPCXIntoDIBW)(p, code); },
                           FreeDib),
                  "DIB");
    ExpectOutcome(c.bitmap,
                  FromFile(dir_.Path(L"bad.pcx"), c.bytes,
                           [](LPCWSTR p, PcxErrorCode* code) { return KYPCX_EXPORT(LoadPCXIntoBitmapW)(p, code); },
                           FreeBitmap),
                  "bitmap");

    Bytes caller = c.bytes;
    Outcome memory{0, false};
    HBITMAP fromMemory = KYPCX_EXPORT(LoadPCXIntoBitmapFromMemory)(caller.data(), DWORD(caller.size()),
                                                                   &memory.code, nullptr);
    memory.image = fromMemory != nullptr;
    if (fromMemory != nullptr) DeleteObject(fromMemory);
    ExpectOutcome(c.memory, memory, "memory");
    EXPECT_EQ(c.bytes, caller) << "memory: the caller's bytes were changed";

    ExpectOutcome(c.page,
                  FromFile(dir_.Path(L"bad.dcx"), kypcx_test::AssembleDcx({c.bytes}),
                           [](LPCWSTR p, PcxErrorCode* code) {
                               return KYPCX_EXPORT(LoadDCXItemToDIBW)(p, 0, code, nullptr);
                           },
                           FreeDib),
                  "DCX page");

    for (bool fromPage : {false, true}) {
        const std::wstring path = dir_.Path(fromPage ? L"bad.dcx" : L"bad.pcx");
        ExpectOutcome(c.every,
                      FromFile(path, fromPage ? kypcx_test::AssembleDcx({c.bytes}) : c.bytes,
                               [fromPage](LPCWSTR p, PcxErrorCode* code) {
                                   return KYPCX_EXPORT(LoadPCXImageW)(p, fromPage ? 0 : KYPCX_WHOLE_FILE, 0, code,
                                                                      nullptr);
                               },
                               FreeDib),
                      fromPage ? "layout reader, DCX page" : "layout reader, file");
    }
    Outcome everyFromMemory{0, false};
    HGLOBAL dib = KYPCX_EXPORT(LoadPCXImageFromMemory)(caller.data(), DWORD(caller.size()), 0,
                                                       &everyFromMemory.code, nullptr);
    everyFromMemory.image = dib != nullptr;
    if (dib != nullptr) GlobalFree(dib);
    ExpectOutcome(c.every, everyFromMemory, "layout reader, memory");
    EXPECT_EQ(c.bytes, caller) << "layout reader: the caller's bytes were changed";

    EXPECT_EQ(gdiBefore, GdiObjects()) << "a GDI object was left behind";
}

INSTANTIATE_TEST_SUITE_P(Table, BadFileDecode, ::testing::ValuesIn(BadFiles()),
                         [](const ::testing::TestParamInfo<BadFile>& info) { return std::string(info.param.name); });

// Paths that name no file: every file decoder says it cannot open them.
TEST(BadFileDecode, PathsThatNameNoFile) {
    ScratchDir dir;
    const std::wstring paths[] = {dir.dir(), dir.Path(L"missing.pcx"), L""};
    for (const std::wstring& path : paths) {
        PcxErrorCode code = 0;
        EXPECT_EQ(nullptr, KYPCX_EXPORT(LoadPCXIntoDIBW)(path.c_str(), &code)) << kypcx_test::Narrow(path);
        EXPECT_EQ(PCX_ERR_OPEN_FILE, code) << kypcx_test::Narrow(path);
        code = 0;
        EXPECT_EQ(nullptr, KYPCX_EXPORT(LoadPCXIntoBitmapW)(path.c_str(), &code)) << kypcx_test::Narrow(path);
        EXPECT_EQ(PCX_ERR_OPEN_FILE, code) << kypcx_test::Narrow(path);
        code = 0;
        EXPECT_EQ(nullptr, KYPCX_EXPORT(LoadDCXItemToDIBW)(path.c_str(), 0, &code, nullptr))
            << kypcx_test::Narrow(path);
        EXPECT_EQ(PCX_ERR_OPEN_FILE, code) << kypcx_test::Narrow(path);
    }
    PcxErrorCode code = 0;
    EXPECT_EQ(nullptr, KYPCX_EXPORT(LoadPCXIntoBitmapA)("", &code));
    EXPECT_EQ(PCX_ERR_OPEN_FILE, code);
    code = 0;
    EXPECT_EQ(nullptr, KYPCX_EXPORT(LoadPCXIntoBitmapFromMemory)(nullptr, 500, &code, nullptr));
    EXPECT_EQ(PCX_ERR_FILE_IO, code) << "no bytes to read";
}

}  // namespace
