// The DCX directory through the exports (MakeDCXFile, GetDCXInfo,
// GetNumberOfImagesInDCXFile, DCXItemInfo) and, through the probe build, the
// internal routines the writers stand on (FindEmptyDcxEntry, ReadDcxEntry,
// WriteDcxEntry, CopyFileRange, GetFreeDiskSpace).
#include <windows.h>

#include <cstring>
#include <string>

#include "support/DcxFixtures.h"
#include "support/KyPcxTestSupport.h"
#include "support/PcxFixtures.h"
#include "support/ProbeLibrary.h"

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
                        fixtures::TrueColour().Bytes()});
}

// A table with all 1022 entries in use: every page the same small image.
Bytes FullTable() {
    return AssembleDcx(std::vector<Bytes>(1022, fixtures::MonoGreys().Bytes()));
}

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
        {L"last of a full table.dcx", FullTable(), 1021, 1, PCX_OK, 1, 1},
        {L"4100.dcx", AssembleDcx({fixtures::TrueColour().Bytes()}, 4100), 0, 1, PCX_OK, 8, 3},
        {L"index = count.dcx", ThreePages(), 3, 0, PCX_OK, 0, 0},
        {L"index 1022.dcx", ThreePages(), 1022, 0, PCX_ERR_NO_ITEM, 0, 0},
        {L"index -1.dcx", ThreePages(), 0xFFFFFFFFu, 0, PCX_ERR_NO_ITEM, 0, 0},
        {L"bad header.dcx", badHeader, 1, 0, PCX_ERR_VERSION, 0, 0},
        {L"equal offsets.dcx", equal, 0, 0, PCX_ERR_ITEM_OFFSET, 0, 0},
        {L"past the end.dcx", pastEnd, 2, 0, PCX_ERR_FILE_IO, 0, 0},
        {L"into the directory.dcx", intoDirectory, 2, 0, PCX_ERR_ITEM_OFFSET, 0, 0},
        {L"directory cut short.dcx", cutDirectory, 0, 0, PCX_ERR_FILE_IO, 0, 0},
        {L"wrong magic.dcx", wrongMagic, 0, 0, PCX_ERR_DCX_ID, 0, 0},
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

// The internal routines, on handles the test opens.
class DcxRoutines : public ::testing::Test {
protected:
    HANDLE Open(const std::wstring& name, const Bytes& bytes) {
        const std::wstring path = dir_.Path(name);
        WriteFileBytes(path, bytes);
        HANDLE file = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        EXPECT_NE(INVALID_HANDLE_VALUE, file);
        opened_.push_back(file);
        return file;
    }
    void TearDown() override {
        for (HANDLE h : opened_) CloseHandle(h);
    }

    kypcx_test::ProbeLibrary probe_;
    ScratchDir dir_;
    std::vector<HANDLE> opened_;
};

Bytes ReadHandle(HANDLE file) {
    const DWORD length = GetFileSize(file, nullptr);
    Bytes bytes(length);
    SetFilePointer(file, 0, nullptr, FILE_BEGIN);
    DWORD got = 0;
    if (length > 0) ReadFile(file, bytes.data(), length, &got, nullptr);
    bytes.resize(got);
    return bytes;
}

TEST_F(DcxRoutines, ReadAndWriteEntriesWithinTheDirectorysRange) {
    ASSERT_TRUE(probe_.loaded());
    auto findEmpty = probe_.Get<UINT(WINAPI*)(HANDLE, PcxErrorCode*)>("KyPcxProbeFindEmptyDcxEntry");
    auto readEntry = probe_.Get<DWORD(WINAPI*)(HANDLE, UINT, PcxErrorCode*)>("KyPcxProbeReadDcxEntry");
    auto writeEntry = probe_.Get<int(WINAPI*)(HANDLE, UINT, DWORD, PcxErrorCode*)>("KyPcxProbeWriteDcxEntry");

    HANDLE three = Open(L"three.dcx", ThreePages());
    PcxErrorCode code = PCX_OK;
    EXPECT_EQ(4u, findEmpty(three, &code));
    EXPECT_EQ(4096u, readEntry(three, 1, &code));
    EXPECT_EQ(0u, readEntry(three, 4, &code));
    EXPECT_EQ(PCX_OK, code) << "an empty entry is no failure";
    EXPECT_EQ(0u, readEntry(three, 0, &code));
    EXPECT_EQ(PCX_ERR_NO_ITEM, code);
    code = PCX_OK;
    EXPECT_EQ(0u, readEntry(three, 1023, &code));
    EXPECT_EQ(PCX_ERR_NO_ITEM, code);
    code = PCX_OK;
    EXPECT_EQ(0, writeEntry(three, 1023, 5, &code)) << "entry 1023 is never written";
    EXPECT_EQ(PCX_ERR_NO_ITEM, code);
    code = PCX_OK;
    const Bytes before = ReadHandle(three);
    EXPECT_EQ(1, writeEntry(three, 5, 0x11223344, &code));
    Bytes expected = before;
    SetDcxEntry(expected, 5, 0x11223344);
    EXPECT_EQ(expected, ReadHandle(three));
    EXPECT_EQ(0u, readEntry(three, 5, &code)) << "behind the first zero entry";
    EXPECT_EQ(PCX_OK, code);

    // Entry 2 holding 4..7 makes B zero: no entry is scanned or accepted.
    Bytes boundZero = ThreePages();
    SetDcxEntry(boundZero, 2, 5);
    HANDLE bounded = Open(L"bound.dcx", boundZero);
    EXPECT_EQ(0u, findEmpty(bounded, &code));
    EXPECT_EQ(PCX_OK, code);
    EXPECT_EQ(0u, readEntry(bounded, 1, &code));
    EXPECT_EQ(PCX_ERR_NO_ITEM, code);
    code = PCX_OK;
    EXPECT_EQ(0, writeEntry(bounded, 1, 1, &code));
    EXPECT_EQ(PCX_ERR_NO_ITEM, code);

    // A directory cut short: searched as far as it goes, refused for entries.
    HANDLE cut = Open(L"cut.dcx", {0xB1, 0x68, 0xDE, 0x3A, 0, 0x10, 0, 0});
    code = PCX_OK;
    EXPECT_EQ(2u, findEmpty(cut, &code));
    EXPECT_EQ(0u, readEntry(cut, 1, &code));
    EXPECT_EQ(PCX_ERR_FILE_IO, code);
    code = PCX_OK;
    EXPECT_EQ(0, writeEntry(cut, 1, 1, &code));
    EXPECT_EQ(PCX_ERR_READ, code);
    EXPECT_EQ(8u, ReadHandle(cut).size());

    HANDLE full = Open(L"full.dcx", FullTable());
    code = PCX_OK;
    EXPECT_EQ(0u, findEmpty(full, &code));
    EXPECT_EQ(PCX_OK, code) << "a full table is no failure of the search";
    HANDLE empty = Open(L"empty.dcx", {});
    EXPECT_EQ(0u, findEmpty(empty, &code));
    EXPECT_EQ(PCX_ERR_FILE_IO, code);
    Bytes magic = ThreePages();
    magic[1] = 0;
    HANDLE wrong = Open(L"magic.dcx", magic);
    code = PCX_OK;
    EXPECT_EQ(0u, findEmpty(wrong, &code));
    EXPECT_EQ(PCX_ERR_DCX_ID, code);
}

TEST_F(DcxRoutines, CopyFileRangeAppendsToTheDestinationsEnd) {
    ASSERT_TRUE(probe_.loaded());
    auto copy = probe_.Get<int(WINAPI*)(HANDLE, HANDLE, DWORD, DWORD, PcxErrorCode*)>("KyPcxProbeCopyFileRange");
    // Larger than one copy block, with a pattern that shows any misplaced byte.
    Bytes source(3 * 1024 * 1024 + 123);
    for (size_t i = 0; i < source.size(); ++i) source[i] = static_cast<uint8_t>(i * 7 + i / 251);
    HANDLE from = Open(L"source.bin", source);
    HANDLE to = Open(L"destination.bin", {1, 2, 3});
    SetFilePointer(to, 1, nullptr, FILE_BEGIN);  // anywhere: the copy goes to the end

    PcxErrorCode code = PCX_OK;
    EXPECT_EQ(1, copy(from, to, 5, 0, &code));
    EXPECT_EQ((Bytes{1, 2, 3}), ReadHandle(to)) << "a count of 0 appends nothing";
    EXPECT_EQ(1, copy(from, to, 10, static_cast<DWORD>(source.size() - 20), &code));
    EXPECT_EQ(PCX_OK, code);
    Bytes expected = {1, 2, 3};
    expected.insert(expected.end(), source.begin() + 10, source.end() - 10);
    EXPECT_TRUE(expected == ReadHandle(to));

    // A range past the source's end: what was there is appended, then 16.
    HANDLE small = Open(L"small.bin", {9, 8, 7, 6});
    EXPECT_EQ(0, copy(small, to, 2, 10, &code));
    EXPECT_EQ(PCX_ERR_READ, code);
    expected.push_back(7);
    expected.push_back(6);
    EXPECT_TRUE(expected == ReadHandle(to));
}

TEST_F(DcxRoutines, FreeSpaceIsThatOfTheFilesOwnVolume) {
    ASSERT_TRUE(probe_.loaded());
    auto freeSpace = probe_.Get<ULONGLONG(WINAPI*)(LPCWSTR)>("KyPcxProbeGetFreeDiskSpace");
    const std::wstring file = dir_.Path(L"a.dcx");
    EXPECT_GT(freeSpace(file.c_str()), 0u) << "the file need not exist yet";
    EXPECT_EQ(0u, freeSpace(L"Q:\\no such volume\\a.dcx"));
    EXPECT_EQ(0u, freeSpace(nullptr));
}

}  // namespace
