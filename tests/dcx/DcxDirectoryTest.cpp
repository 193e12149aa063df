// The DCX directory through the exports (MakeDCXFile, GetDCXInfo,
// GetNumberOfImagesInDCXFile, DCXItemInfo).
#include <windows.h>

#include <cstring>
#include <string>

#include "support/DcxFixtures.h"
#include "support/KyPcxTestSupport.h"
#include "support/PcxFixtures.h"

namespace {

using Bytes = std::vector<uint8_t>;
using kypcx_test::AssembleDcx;
using kypcx_test::DcxEntry;
using kypcx_test::ReadFileBytes;
using kypcx_test::ScratchDir;
using kypcx_test::SetDcxEntry;
using kypcx_test::WriteFileBytes;
namespace fixtures = kypcx_test::fixtures;

// Three pages of different layouts.
Bytes ThreePages() {
    return AssembleDcx({fixtures::MonoGreys().Bytes(), fixtures::TwoFiftySix().Bytes(),
                        fixtures::TrueColor().Bytes()});
}

// A table with all 1022 entries in use, the last page a 256-colour one.
Bytes FullTable() { return AssembleDcx(kypcx_test::FullTablePages()); }

TEST(MakeDCXFile, WritesAnEmptyDirectoryOfExactly4096Bytes) {
    ScratchDir dir;
    const std::wstring path = dir.Path(L"new.dcx");
    PcxErrorCode code = 0;
    EXPECT_EQ(1, KYPCX_EXPORT(MakeDCXFileW)(path.c_str(), &code));
    EXPECT_EQ(0, code) << "success leaves the code as it was";
    Bytes expected(4096, 0);
    kypcx_test::SetWord(expected, 0, kypcx_test::kDcxMagic);
    EXPECT_EQ(expected, ReadFileBytes(path));
    EXPECT_EQ((Bytes{0xB1, 0x68, 0xDE, 0x3A}), Bytes(expected.begin(), expected.begin() + 4));
    code = PCX_OK;
    EXPECT_EQ(0u, KYPCX_EXPORT(GetDCXInfoW)(path.c_str(), &code));
    EXPECT_EQ(PCX_OK, code);

    // An existing, longer file keeps its length; its directory is emptied.
    const std::wstring old = dir.Path(L"old.dcx");
    WriteFileBytes(old, ThreePages());
    const size_t oldLength = ThreePages().size();
    EXPECT_EQ(1, KYPCX_EXPORT(MakeDCXFileA)(dir.PathA("old.dcx").c_str(), &code));
    const Bytes after = ReadFileBytes(old);
    EXPECT_EQ(oldLength, after.size());
    EXPECT_EQ(expected, Bytes(after.begin(), after.begin() + 4096));
    EXPECT_EQ(ThreePages().back(), after.back());
    EXPECT_EQ(0u, KYPCX_EXPORT(GetDCXInfoW)(old.c_str(), &code));

    code = PCX_OK;
    EXPECT_EQ(0, KYPCX_EXPORT(MakeDCXFileW)(dir.Path(L"no such folder\\x.dcx").c_str(), &code));
    EXPECT_EQ(PCX_ERR_OPEN_FILE, code);
    code = PCX_OK;
    EXPECT_EQ(0, KYPCX_EXPORT(MakeDCXFileW)(nullptr, &code));
    EXPECT_EQ(PCX_ERR_OPEN_FILE, code);
}

TEST(GetDCXInfo, CountsTheListAndNamesEachFailure) {
    ScratchDir dir;
    Bytes wrongMagic = ThreePages();
    wrongMagic[0] ^= 1;
    Bytes gap = ThreePages();
    SetDcxEntry(gap, 2, 0);  // entry 3 is no item behind a zero entry
    Bytes shortDirectory = {0xB1, 0x68, 0xDE, 0x3A, 0, 0x10, 0, 0, 0, 0x20, 0, 0};
    struct Case {
        const wchar_t* name;
        Bytes bytes;
        UINT count;
        PcxErrorCode code;
    };
    const Case cases[] = {
        {L"three.dcx", ThreePages(), 3, PCX_OK},
        {L"gap.dcx", gap, 1, PCX_OK},
        {L"full.dcx", FullTable(), 1022, PCX_OK},
        {L"4100.dcx", AssembleDcx({fixtures::MonoGreys().Bytes()}, 4100), 1, PCX_OK},
        {L"cut.dcx", shortDirectory, 2, PCX_OK},  // counted as far as it was read
        {L"magic.dcx", wrongMagic, 0, PCX_ERR_DCX_ID},
        {L"empty.dcx", {}, 0, PCX_ERR_FILE_IO},
    };
    for (const Case& c : cases) {
        const std::wstring path = dir.Path(c.name);
        WriteFileBytes(path, c.bytes);
        PcxErrorCode code = PCX_OK;
        EXPECT_EQ(c.count, KYPCX_EXPORT(GetDCXInfoW)(path.c_str(), &code)) << kypcx_test::Narrow(c.name);
        EXPECT_EQ(c.code, code) << kypcx_test::Narrow(c.name);
        PcxErrorCode codeA = PCX_OK;
        const std::string pathA = kypcx_test::Narrow(path);
        EXPECT_EQ(c.count, KYPCX_EXPORT(GetDCXInfoA)(pathA.c_str(), &codeA)) << pathA;
        EXPECT_EQ(c.code, codeA) << pathA;
        EXPECT_EQ(c.count, KYPCX_EXPORT(GetNumberOfImagesInDCXFileW)(path.c_str())) << pathA;
        EXPECT_EQ(c.count, KYPCX_EXPORT(GetNumberOfImagesInDCXFileA)(pathA.c_str())) << pathA;
    }
    PcxErrorCode code = PCX_OK;
    EXPECT_EQ(0u, KYPCX_EXPORT(GetDCXInfoW)(dir.Path(L"missing.dcx").c_str(), &code));
    EXPECT_EQ(PCX_ERR_OPEN_FILE, code);
}

TEST(GetDCXInfo, AFileHeldOpenElsewhereCannotBeOpened) {
    ScratchDir dir;
    const std::wstring path = dir.Path(L"held.dcx");
    WriteFileBytes(path, ThreePages());
    HANDLE held = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    PcxErrorCode code = PCX_OK;
    EXPECT_EQ(0u, KYPCX_EXPORT(GetDCXInfoW)(path.c_str(), &code));
    EXPECT_EQ(PCX_ERR_OPEN_FILE, code);
    PcxHeader header;
    EXPECT_EQ(0, KYPCX_EXPORT(DCXItemInfoW)(path.c_str(), 0, &header, &code));
    EXPECT_EQ(PCX_ERR_OPEN_FILE, code);
    EXPECT_EQ(0, KYPCX_EXPORT(MakeDCXFileW)(path.c_str(), &code));
    CloseHandle(held);
    EXPECT_EQ(ThreePages(), ReadFileBytes(path)) << "the file was not touched";
}

TEST(DCXItemInfo, ReadsEachItemsHeaderOrAnswersWithACode) {
    ScratchDir dir;
    Bytes badHeader = ThreePages();
    badHeader[DcxEntry(badHeader, 2) + 1] = 1;  // version 1
    Bytes equal = ThreePages();
    SetDcxEntry(equal, 2, DcxEntry(equal, 1));
    Bytes pastEnd = ThreePages();
    SetDcxEntry(pastEnd, 3, static_cast<uint32_t>(pastEnd.size()) + 10);
    Bytes intoDirectory = ThreePages();
    SetDcxEntry(intoDirectory, 3, 12);
    Bytes cutDirectory = ThreePages();
    cutDirectory.resize(2000);
    Bytes wrongMagic = ThreePages();
    wrongMagic[3] = 0;
    // Entry 2 holding 4..7 bounds the list at entry 0: no entry is usable.
    Bytes boundZero = ThreePages();
    SetDcxEntry(boundZero, 2, 5);
    struct Case {
        const wchar_t* name;
        Bytes bytes;
        UINT index;
        int result;
        PcxErrorCode code;
        uint8_t bitsPerPixel, planes;
    };
    const Case cases[] = {
        {L"first.dcx", ThreePages(), 0, 1, PCX_OK, 1, 1},
        {L"second.dcx", ThreePages(), 1, 1, PCX_OK, 8, 1},
        {L"third.dcx", ThreePages(), 2, 1, PCX_OK, 8, 3},
        {L"last of a full table.dcx", FullTable(), 1021, 1, PCX_OK, 8, 1},
        {L"4100.dcx", AssembleDcx({fixtures::TrueColor().Bytes()}, 4100), 0, 1, PCX_OK, 8, 3},
        {L"index = count.dcx", ThreePages(), 3, 0, PCX_OK, 0, 0},
        {L"index 1022.dcx", ThreePages(), 1022, 0, PCX_ERR_NO_ITEM, 0, 0},
        {L"index -1.dcx", ThreePages(), 0xFFFFFFFFu, 0, PCX_ERR_NO_ITEM, 0, 0},
        {L"bad header.dcx", badHeader, 1, 0, PCX_ERR_VERSION, 0, 0},
        {L"equal offsets.dcx", equal, 0, 0, PCX_ERR_ITEM_OFFSET, 0, 0},
        {L"past the end.dcx", pastEnd, 2, 0, PCX_ERR_FILE_IO, 0, 0},
        {L"into the directory.dcx", intoDirectory, 2, 0, PCX_ERR_ITEM_OFFSET, 0, 0},
        {L"directory cut short.dcx", cutDirectory, 0, 0, PCX_ERR_FILE_IO, 0, 0},
        {L"wrong magic.dcx", wrongMagic, 0, 0, PCX_ERR_DCX_ID, 0, 0},
        {L"bounded at zero.dcx", boundZero, 0, 0, PCX_ERR_NO_ITEM, 0, 0},
    };
    for (const Case& c : cases) {
        const std::wstring path = dir.Path(c.name);
        WriteFileBytes(path, c.bytes);
        PcxHeader header;
        std::memset(&header, 0, sizeof header);
        PcxErrorCode code = 0;
        EXPECT_EQ(c.result, KYPCX_EXPORT(DCXItemInfoW)(path.c_str(), c.index, &header, &code))
            << kypcx_test::Narrow(c.name);
        EXPECT_EQ(c.code, code) << kypcx_test::Narrow(c.name);
        if (c.result == 1) {
            EXPECT_EQ(c.bitsPerPixel, header.bitsPerPixel) << kypcx_test::Narrow(c.name);
            EXPECT_EQ(c.planes, header.planes) << kypcx_test::Narrow(c.name);
        }
        PcxErrorCode codeA = 0;
        EXPECT_EQ(c.result,
                  KYPCX_EXPORT(DCXItemInfoA)(kypcx_test::Narrow(path).c_str(), c.index, &header, &codeA));
        EXPECT_EQ(c.code, codeA) << kypcx_test::Narrow(c.name);
        EXPECT_TRUE(DeleteFileW(path.c_str())) << kypcx_test::Narrow(c.name) << " is still open";
    }
}

}  // namespace
