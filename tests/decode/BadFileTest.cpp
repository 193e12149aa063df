// Bad files through every decoder (DIB, bitmap, memory, DCX page, and the
// layout readers from a file, from memory and from a DCX page): each answers
// with its code, leaves the caller's file or bytes as they were and holds no
// handle afterwards.
#include <windows.h>

#include <string>
#include <vector>

#include "support/BadFileTable.h"
#include "support/DcxFixtures.h"
#include "support/KyPcxTestSupport.h"
#include "support/PcxFixtures.h"

namespace {

using kypcx_test::BadFile;
using kypcx_test::Outcome;
using kypcx_test::ScratchDir;
using namespace kypcx_test::fixtures;
using Bytes = std::vector<uint8_t>;

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

INSTANTIATE_TEST_SUITE_P(Table, BadFileDecode, ::testing::ValuesIn(kypcx_test::BadFiles()),
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
