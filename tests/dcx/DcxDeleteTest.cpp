// Deleting DCX items: the new file byte for byte for each directory state,
// refusals that leave the file as it was, and a full directory.
#include <windows.h>

#include "dcx/DcxTestFiles.h"
#include "encode/EncodeTestSupport.h"

namespace {

using namespace kypcx_test;

struct DeleteCase {
    const char* name;
    DcxSpec before;
    uint32_t index;
    PcxErrorCode expected;
    DcxSpec after;  // the whole new file when the delete succeeds
};

std::vector<DeleteCase> DeleteCases() {
    const std::vector<Bytes> items = ThreeItems();
    const Bytes& a = items[0];
    const Bytes& b = items[1];
    const Bytes& c = items[2];
    const uint32_t afterA = kDcxDirectorySize + static_cast<uint32_t>(a.size());
    const uint32_t end = afterA + static_cast<uint32_t>(b.size() + c.size());
    const Bytes junk(37, 0x5A);
    const uint32_t otherWritersGap = 4;  // pages from 4100
    return {
        {"only item", {{a}, {}, {}, {}}, 0, PCX_OK, {{}, {}, {}, {}}},
        {"first of three", {items, {}, {}, {}}, 0, PCX_OK, {{b, c}, {}, {}, {}}},
        {"middle of three", {items, {}, {}, {}}, 1, PCX_OK, {{a, c}, {}, {}, {}}},
        {"last of three", {items, {}, {}, {}}, 2, PCX_OK, {{a, b}, {}, {}, {}}},
        {"bytes behind the last item go with it", {{a, b}, {}, junk, {}}, 1, PCX_OK, {{a}, {}, {}, {}}},
        {"bytes behind the last item stay with it", {{a, b}, {}, junk, {}}, 0, PCX_OK, {{b}, {}, junk, {}}},
        {"a gap before the first item stays", {{a, b}, otherWritersGap, {}, {}}, 0, PCX_OK,
         {{b}, otherWritersGap, {}, {}}},
        {"entries behind the list move down as they are", {items, {}, {}, {{5, 12345}}}, 1, PCX_OK,
         {{a, c}, {}, {}, {{4, 12345}}}},
        {"index equal to the count", {items, {}, {}, {}}, 3, PCX_ERR_NO_ITEM, {}},
        {"index of the last usable entry, empty", {{a}, {}, {}, {}}, 1021, PCX_ERR_NO_ITEM, {}},
        {"index 1022", {items, {}, {}, {}}, 1022, PCX_ERR_NO_ITEM, {}},
        {"largest index", {items, {}, {}, {}}, 0xFFFFFFFFu, PCX_ERR_NO_ITEM, {}},
        {"empty file", {{}, {}, {}, {}}, 0, PCX_ERR_NO_ITEM, {}},
        {"equal offsets", {{a, b}, {}, {}, {{2, kDcxDirectorySize}}}, 0, PCX_ERR_ITEM_OFFSET, {}},
        {"offsets running backwards", {items, {}, {}, {{3, afterA - 1}}}, 0, PCX_ERR_ITEM_OFFSET, {}},
        {"offset past the end", {items, {}, {}, {{3, end + 1}}}, 0, PCX_ERR_ITEM_OFFSET, {}},
        {"first item inside the directory", {{a, b}, {}, {}, {{1, 1024}, {2, 1024 + static_cast<uint32_t>(a.size())}}},
         0, PCX_ERR_ITEM_OFFSET, {}},
        // Whatever keeps the item from being found is "no such item".
        {"wrong magic", {items, {}, {}, {{0, 123456789}}}, 0, PCX_ERR_NO_ITEM, {}},
    };
}

class DeleteItem : public ::testing::Test {
protected:
    // Deletes `index` from a file holding `before`; checks the code, that the
    // folder holds nothing but the file, and that the current directory did
    // not move. Returns the file's bytes afterwards.
    Bytes Delete(const Bytes& before, uint32_t index, PcxErrorCode expected, const char* name) {
        const std::wstring path = dir.Path(L"pages.dcx");
        WriteFileBytes(path, before);
        const std::wstring cwd = CurrentDirectory();
        PcxErrorCode code = 0;
        const BOOL deleted = KYPCX_EXPORT(DelItemFromDCXFileW)(path.c_str(), index, &code);
        EXPECT_EQ(expected, code) << name;
        EXPECT_EQ(expected == PCX_OK, deleted != FALSE) << name;
        EXPECT_EQ(cwd, CurrentDirectory()) << name;
        EXPECT_EQ(std::vector<std::wstring>{L"pages.dcx"}, FileNames(dir.dir())) << name;
        return ReadFileBytes(path);
    }
    ScratchDir dir;
};

TEST_F(DeleteItem, NewFileForEachDirectoryState) {
    for (const DeleteCase& c : DeleteCases()) {
        const Bytes before = DcxSpecBytes(c.before);
        const Bytes after = Delete(before, c.index, c.expected, c.name);
        if (c.expected == PCX_OK) EXPECT_EQ(DcxSpecBytes(c.after), after) << c.name;
        else EXPECT_EQ(before, after) << c.name << ": a refused delete leaves the file as it was";
    }
}

// Directories cut short list no item that could be deleted.
TEST_F(DeleteItem, CutDirectory) {
    Bytes cut = DcxBytes(ThreeItems());
    cut.resize(8);
    EXPECT_EQ(cut, Delete(cut, 0, PCX_ERR_NO_ITEM, "cut after entry 1"));
    cut.resize(4);
    EXPECT_EQ(cut, Delete(cut, 0, PCX_ERR_NO_ITEM, "the magic alone"));
}

TEST_F(DeleteItem, AnsiFormAndMissingFile) {
    const Bytes before = DcxBytes(ThreeItems());
    WriteFileBytes(dir.Path(L"pages.dcx"), before);
    PcxErrorCode code = 0;
    EXPECT_TRUE(KYPCX_EXPORT(DelItemFromDCXFileA)(dir.PathA("pages.dcx").c_str(), 1, &code));
    EXPECT_EQ(PCX_OK, code);
    EXPECT_EQ(DcxBytes({ThreeItems()[0], ThreeItems()[2]}), ReadFileBytes(dir.Path(L"pages.dcx")));

    code = 0;
    EXPECT_FALSE(KYPCX_EXPORT(DelItemFromDCXFileW)(dir.Path(L"missing.dcx").c_str(), 0, &code));
    EXPECT_EQ(PCX_ERR_OPEN_FILE, code);
    EXPECT_EQ(std::vector<std::wstring>{L"pages.dcx"}, FileNames(dir.dir()));
}

// Pages saved from DIBs of three depths, the middle one deleted: the pages
// left decode to the DIBs their own PCX files decode to, each with its own
// colours.
TEST_F(DeleteItem, RemainingPagesDecodeAsBefore) {
    const std::wstring path = dir.Path(L"pages.dcx");
    const int depths[] = {8, 24, 4};
    std::vector<std::vector<uint8_t>> expected;
    for (int depth : depths) {
        ScopedDib dib(DibBytes(PatternDib(depth, 11, 6)));
        PcxErrorCode code = 0;
        ASSERT_TRUE(KYPCX_EXPORT(SaveDIBInDCXFormatW)(path.c_str(), dib.get(), &code)) << depth;
        const std::wstring alone = dir.Path(L"alone.pcx");
        ASSERT_TRUE(KYPCX_EXPORT(SaveDIBInPCXFormatW)(alone.c_str(), dib.get(), &code)) << depth;
        ScopedDib decoded(KYPCX_EXPORT(LoadPCXIntoDIBW)(alone.c_str(), &code));
        expected.push_back(decoded.Bytes());
        DeleteFileW(alone.c_str());
    }
    PcxErrorCode code = 0;
    ASSERT_TRUE(KYPCX_EXPORT(DelItemFromDCXFileW)(path.c_str(), 1, &code));
    EXPECT_EQ(2u, KYPCX_EXPORT(GetDCXInfoW)(path.c_str(), &code));
    for (UINT index = 0; index < 2; ++index) {
        ScopedDib page(KYPCX_EXPORT(LoadDCXIntoDIBW)(path.c_str(), index, &code));
        ASSERT_NE(nullptr, page.get()) << "page " << index << ", code " << code;
        EXPECT_EQ(expected[index == 0 ? 0 : 2], page.Bytes()) << "page " << index;
    }
}

// All 1022 usable entries in use: every item can go, the one in entry 1022
// with the bytes up to the file's end, and the remaining items keep their
// bytes. Entry 1023, which another writer may have filled, is never an item
// nor an item's end, and the new directory holds 0 there.
TEST_F(DeleteItem, FullDirectory) {
    const std::vector<Bytes> items = FullTablePages();
    const Bytes full = DcxBytes(items);
    for (uint32_t index : {0u, 500u, 1020u, 1021u}) {
        std::vector<Bytes> rest = items;
        rest.erase(rest.begin() + index);
        EXPECT_EQ(DcxBytes(rest), Delete(full, index, PCX_OK, "full directory")) << "index " << index;
    }
    Bytes foreign = full;
    SetDcxEntry(foreign, 1023, DcxEntry(full, 1022) + 200);  // inside the last item
    const std::vector<Bytes> allButLast(items.begin(), items.end() - 1);
    EXPECT_EQ(DcxBytes(allButLast), Delete(foreign, 1021, PCX_OK, "entry 1023 filled"));
    EXPECT_EQ(DcxBytes(std::vector<Bytes>(items.begin() + 1, items.end())),
              Delete(foreign, 0, PCX_OK, "entry 1023 filled, first item"));
    EXPECT_EQ(full, Delete(full, 1022, PCX_ERR_NO_ITEM, "index 1022"));
}

}  // namespace
