// Adding pages in place and saving into DCX files: the new file byte for byte
// for each directory state, each way of handing over an image, the saves that
// create the file, and failures that must leave the file (or its absence) as
// it was.
#include <windows.h>

#include <functional>

#include "dcx/DcxTestFiles.h"
#include "encode/EncodeTestSupport.h"

namespace {

using namespace kypcx_test;

// `before` with `item` appended and listed in entry k, the list ended behind it.
Bytes WithItemAdded(Bytes before, const Bytes& item, uint32_t k) {
    const uint32_t start = static_cast<uint32_t>(before.size());
    Append(before, item);
    SetDcxEntry(before, k, start);
    if (k < kDcxUsableEntries) SetDcxEntry(before, k + 1, 0);
    return before;
}

std::vector<Bytes> TinyItems(uint32_t count) {
    std::vector<Bytes> items;
    for (uint32_t i = 0; i < count; ++i) items.push_back(TinyItem(static_cast<uint8_t>(i)));
    return items;
}

BOOL CALLBACK RefuseDibLine(BYTE*, LONG, LONG, BITMAPINFOHEADER*) { return FALSE; }
BOOL CALLBACK RefuseBand(BYTE*, INT_PTR, INT_PTR, HBITMAP, HDC, void*) { return FALSE; }

class DcxAdd : public ::testing::Test {
protected:
    std::wstring Dcx() const { return dir.Path(L"pages.dcx"); }
    // The PCX file the library writes for the image alone: what the added
    // item must hold.
    Bytes PcxOfDib(HGLOBAL dib) {
        const std::wstring path = dir.Path(L"alone.pcx");
        PcxErrorCode code = 0;
        EXPECT_TRUE(KYPCX_EXPORT(SaveDIBInPCXFormatW)(path.c_str(), dib, &code));
        const Bytes bytes = ReadFileBytes(path);
        DeleteFileW(path.c_str());
        return bytes;
    }
    Bytes PcxOfBitmap(HBITMAP bitmap) {
        const std::wstring path = dir.Path(L"alone.pcx");
        PcxErrorCode code = 0;
        EXPECT_TRUE(KYPCX_EXPORT(SaveBitmapInPCXFormatW)(path.c_str(), bitmap, &code));
        const Bytes bytes = ReadFileBytes(path);
        DeleteFileW(path.c_str());
        return bytes;
    }
    // Only the DCX file (when it should exist) in the folder afterwards.
    void ExpectOnlyDcx(bool exists, const char* name) {
        EXPECT_EQ(exists ? std::vector<std::wstring>{L"pages.dcx"} : std::vector<std::wstring>{},
                  FileNames(dir.dir()))
            << name;
    }
    ScratchDir dir;
};

struct StateCase {
    const char* name;
    Bytes before;
    PcxErrorCode expected;
};

std::vector<StateCase> StateCases() {
    const std::vector<Bytes> three = ThreeItems();
    const Bytes& a = three[0];
    const uint32_t end = static_cast<uint32_t>(DcxBytes(three).size());
    Bytes magicOnly(4 + 100, 0);
    SetDcxEntry(magicOnly, 0, kDcxMagic);
    return {
        {"empty directory", DcxBytes({}), PCX_OK},
        {"three items", DcxBytes(three), PCX_OK},
        {"a gap before the first item and bytes behind the last", DcxSpecBytes({{a}, 4, Bytes(9, 0x33), {}}),
         PCX_OK},
        {"a stale entry behind the list is cleared", DcxSpecBytes({three, {}, {}, {{5, 4242}}}), PCX_OK},
        {"into the last usable entry", DcxBytes(TinyItems(kDcxUsableEntries - 1)), PCX_OK},
        {"equal offsets", DcxSpecBytes({three, {}, {}, {{2, kDcxDirectorySize}}}), PCX_ERR_ITEM_OFFSET},
        {"full directory", DcxBytes(TinyItems(kDcxUsableEntries)), PCX_ERR_NO_EMPTY_ENTRY},
        {"wrong magic", DcxSpecBytes({three, {}, {}, {{0, 1}}}), PCX_ERR_DCX_ID},
        {"first item inside the directory", DcxSpecBytes({{a}, {}, {}, {{1, 2048}}}), PCX_ERR_ITEM_OFFSET},
        {"offsets running backwards", DcxSpecBytes({three, {}, {}, {{3, kDcxDirectorySize + 1}}}), PCX_ERR_ITEM_OFFSET},
        {"offset past the end", DcxSpecBytes({three, {}, {}, {{3, end + 1}}}), PCX_ERR_ITEM_OFFSET},
        {"shorter than a directory", magicOnly, PCX_ERR_FILE_IO},
        {"cut after the first entry", Bytes{0xB1, 0x68, 0xDE, 0x3A, 0, 0x10, 0, 0}, PCX_ERR_FILE_IO},
        {"an empty file", Bytes{}, PCX_ERR_FILE_IO},
        {"entry 2 inside the directory words", DcxSpecBytes({three, {}, {}, {{2, 5}}}), PCX_ERR_ITEM_OFFSET},
    };
}

TEST_F(DcxAdd, DibIntoEachDirectoryState) {
    ScopedDib dib(DibBytes(PatternDib(8, 13, 5)));
    const Bytes item = PcxOfDib(dib.get());
    for (const StateCase& c : StateCases()) {
        WriteFileBytes(Dcx(), c.before);
        PcxErrorCode code = 0;
        const BOOL added = KYPCX_EXPORT(AddDIBToDCXFileW)(dib.get(), Dcx().c_str(), &code, nullptr);
        EXPECT_EQ(c.expected, code) << c.name;
        EXPECT_EQ(c.expected == PCX_OK, added != FALSE) << c.name;
        const Bytes after = ReadFileBytes(Dcx());
        if (c.expected != PCX_OK) {
            EXPECT_EQ(c.before, after) << c.name << ": a refused add leaves the file as it was";
            continue;
        }
        uint32_t k = 1;
        while (k <= kDcxUsableEntries && DcxEntry(c.before, k) != 0) ++k;
        EXPECT_EQ(WithItemAdded(c.before, item, k), after) << c.name;
        EXPECT_EQ(0u, DcxEntry(after, 1023)) << c.name;
        // The page added is listed, so it reads: the one in entry 1022 too.
        ULONGLONG start = 0, end = 0;
        EXPECT_TRUE(KYPCX_EXPORT(DCXItemExtentW)(Dcx().c_str(), k - 1, &start, &end, &code)) << c.name;
        EXPECT_EQ(PCX_OK, code) << c.name;
        EXPECT_EQ(c.before.size(), start) << c.name;
        EXPECT_EQ(after.size(), end) << c.name;
        ExpectOnlyDcx(true, c.name);
    }
}

// The same directory states, a PCX file added through a copy of the DCX
// file: the same new file, and the same refusals, except that this route
// reports every directory it finds no empty entry in, or cannot read whole,
// as 21.
TEST_F(DcxAdd, PcxFileIntoEachDirectoryState) {
    const Bytes item = ThreeItems()[1];
    const std::wstring pcx = dir.Path(L"page.pcx");
    for (const StateCase& c : StateCases()) {
        const bool noEntryFound = c.expected == PCX_ERR_DCX_ID || c.expected == PCX_ERR_NO_EMPTY_ENTRY ||
                                  c.expected == PCX_ERR_FILE_IO;
        const PcxErrorCode expected = noEntryFound ? PcxErrorCode{PCX_ERR_NO_ITEM} : c.expected;
        WriteFileBytes(Dcx(), c.before);
        WriteFileBytes(pcx, item);
        PcxErrorCode code = 0;
        const BOOL added = KYPCX_EXPORT(AddPCXFileToDCXFileW)(pcx.c_str(), Dcx().c_str(), &code);
        EXPECT_EQ(expected, code) << c.name;
        EXPECT_EQ(expected == PCX_OK, added != FALSE) << c.name;
        const Bytes after = ReadFileBytes(Dcx());
        DeleteFileW(pcx.c_str());
        ExpectOnlyDcx(true, c.name);
        if (expected != PCX_OK) {
            EXPECT_EQ(c.before, after) << c.name << ": a refused add leaves the file as it was";
            continue;
        }
        uint32_t k = 1;
        while (k <= kDcxUsableEntries && DcxEntry(c.before, k) != 0) ++k;
        EXPECT_EQ(WithItemAdded(c.before, item, k), after) << c.name;
    }
}

// Every way of handing over an image writes the item the PCX save of the same
// image writes.
TEST_F(DcxAdd, EachFormWritesThePcxImage) {
    const Bytes first = ThreeItems()[1];
    ScopedDib dib(DibBytes(PatternDib(24, 7, 3)));
    DibModel nonRgbModel = PatternDib(8, 6, 2);
    nonRgbModel.compression = 12;
    ScopedDib nonRgb(DibBytes(nonRgbModel));
    HBITMAP bitmap = MakeDeviceBitmap(19, 4, 1, PatternBits(19, 4, 1));
    const Bytes dibItem = PcxOfDib(dib.get());
    const Bytes bitmapItem = PcxOfBitmap(bitmap);
    Bytes nonRgbItem;
    {
        PcxErrorCode code = 0;
        ASSERT_TRUE(KYPCX_EXPORT(SaveNonRGBDIBInPCXFormatW)(dir.Path(L"alone.pcx").c_str(), nonRgb.get(), &code));
        nonRgbItem = ReadFileBytes(dir.Path(L"alone.pcx"));
        DeleteFileW(dir.Path(L"alone.pcx").c_str());
    }
    const std::string pathA = dir.PathA("pages.dcx");
    struct Form {
        const char* name;
        std::function<BOOL(PcxErrorCode*)> add;
        const Bytes* item;
    };
    const Form forms[] = {
        {"AddDIBToDCXFileA", [&](PcxErrorCode* c) { return KYPCX_EXPORT(AddDIBToDCXFileA)(dib.get(), pathA.c_str(), c, nullptr); }, &dibItem},
        {"AddBitmapToDCXFileW", [&](PcxErrorCode* c) { return KYPCX_EXPORT(AddBitmapToDCXFileW)(bitmap, Dcx().c_str(), c, nullptr); }, &bitmapItem},
        {"AddBitmapToDCXFileA", [&](PcxErrorCode* c) { return KYPCX_EXPORT(AddBitmapToDCXFileA)(bitmap, pathA.c_str(), c, nullptr); }, &bitmapItem},
        {"AddClipboardToDCXFileW", [&](PcxErrorCode* c) {
             HBITMAP copy = MakeDeviceBitmap(19, 4, 1, PatternBits(19, 4, 1));
             if (!OpenClipboard(nullptr)) return FALSE;
             EmptyClipboard();
             SetClipboardData(CF_BITMAP, copy);
             CloseClipboard();
             return KYPCX_EXPORT(AddClipboardToDCXFileW)(Dcx().c_str(), c);
         }, &bitmapItem},
        {"SaveDIBInDCXFormatA", [&](PcxErrorCode* c) { return KYPCX_EXPORT(SaveDIBInDCXFormatA)(pathA.c_str(), dib.get(), c); }, &dibItem},
        {"SaveBitmapInDCXFormatW", [&](PcxErrorCode* c) { return KYPCX_EXPORT(SaveBitmapInDCXFormatW)(Dcx().c_str(), bitmap, c); }, &bitmapItem},
        {"SaveBitmapInDCXFormatA", [&](PcxErrorCode* c) { return KYPCX_EXPORT(SaveBitmapInDCXFormatA)(pathA.c_str(), bitmap, c); }, &bitmapItem},
        {"SaveNonRGBDIBInDCXFormatW", [&](PcxErrorCode* c) { return KYPCX_EXPORT(SaveNonRGBDIBInDCXFormatW)(Dcx().c_str(), nonRgb.get(), c); }, &nonRgbItem},
        {"SaveNonRGBDIBInDCXFormatA", [&](PcxErrorCode* c) { return KYPCX_EXPORT(SaveNonRGBDIBInDCXFormatA)(pathA.c_str(), nonRgb.get(), c); }, &nonRgbItem},
    };
    for (const Form& form : forms) {
        WriteFileBytes(Dcx(), DcxBytes({first}));
        PcxErrorCode code = 0;
        EXPECT_TRUE(form.add(&code)) << form.name;
        EXPECT_EQ(PCX_OK, code) << form.name;
        EXPECT_EQ(DcxBytes({first, *form.item}), ReadFileBytes(Dcx())) << form.name;
    }
    DeleteObject(bitmap);
}

// A save to a new path makes a DCX file of one item at 4096, whatever the
// caller's code variable held; a second save appends.
TEST_F(DcxAdd, SaveCreatesThenAppends) {
    ScopedDib dib(DibBytes(PatternDib(4, 9, 3)));
    ScopedDib other(DibBytes(PatternDib(1, 30, 2)));
    const Bytes first = PcxOfDib(dib.get());
    const Bytes second = PcxOfDib(other.get());
    for (PcxErrorCode held : {0, 1, 7, -1}) {
        DeleteFileW(Dcx().c_str());
        PcxErrorCode code = held;
        EXPECT_TRUE(KYPCX_EXPORT(SaveDIBInDCXFormatW)(Dcx().c_str(), dib.get(), &code)) << held;
        EXPECT_EQ(PCX_OK, code);
        EXPECT_EQ(DcxBytes({first}), ReadFileBytes(Dcx())) << "code held " << held;
        code = held;
        EXPECT_TRUE(KYPCX_EXPORT(SaveDIBInDCXFormatW)(Dcx().c_str(), other.get(), &code)) << held;
        EXPECT_EQ(DcxBytes({first, second}), ReadFileBytes(Dcx())) << "code held " << held;
    }
}

// Saves that fail leave no file behind where there was none, and an existing
// file as it was.
TEST_F(DcxAdd, FailedSavesLeaveNoTrace) {
    ScopedDib good(DibBytes(PatternDib(8, 5, 5)));
    ScopedDib truncated(Bytes(20, 0));
    HBITMAP bitmap = MakeDeviceBitmap(8, 8, 1, PatternBits(8, 8, 1));
    HBRUSH brush = CreateSolidBrush(0);
    struct Case {
        const char* name;
        std::function<BOOL(LPCWSTR, PcxErrorCode*)> save;
        PcxErrorCode expected;
    };
    const Case cases[] = {
        // An image the encoder cannot write is, as every failed encoding of
        // an item, reported as 18.
        {"DIB block too small", [&](LPCWSTR p, PcxErrorCode* c) { return KYPCX_EXPORT(SaveDIBInDCXFormatW)(p, truncated.get(), c); }, PCX_ERR_FILE_IO},
        {"null DIB", [&](LPCWSTR p, PcxErrorCode* c) { return KYPCX_EXPORT(SaveDIBInDCXFormatW)(p, nullptr, c); }, PCX_ERR_FILE_IO},
        {"not a bitmap", [&](LPCWSTR p, PcxErrorCode* c) { return KYPCX_EXPORT(SaveBitmapInDCXFormatW)(p, reinterpret_cast<HBITMAP>(brush), c); }, PCX_ERR_FILE_IO},
        {"RGB DIB as non-RGB", [&](LPCWSTR p, PcxErrorCode* c) { return KYPCX_EXPORT(SaveNonRGBDIBInDCXFormatW)(p, good.get(), c); }, PCX_ERR_COLOR_SPACE},
    };
    const Bytes existing = DcxBytes(ThreeItems());
    for (const Case& c : cases) {
        DeleteFileW(Dcx().c_str());
        PcxErrorCode code = 0;
        EXPECT_FALSE(c.save(Dcx().c_str(), &code)) << c.name;
        EXPECT_EQ(c.expected, code) << c.name;
        ExpectOnlyDcx(false, c.name);

        WriteFileBytes(Dcx(), existing);
        code = 0;
        EXPECT_FALSE(c.save(Dcx().c_str(), &code)) << c.name;
        EXPECT_EQ(c.expected, code) << c.name;
        EXPECT_EQ(existing, ReadFileBytes(Dcx())) << c.name;
    }
    // An existing file that is not a DCX file is refused and kept.
    const Bytes pcx = ThreeItems()[0];
    WriteFileBytes(Dcx(), pcx);
    PcxErrorCode code = 0;
    EXPECT_FALSE(KYPCX_EXPORT(SaveDIBInDCXFormatW)(Dcx().c_str(), good.get(), &code));
    EXPECT_EQ(PCX_ERR_DCX_ID, code);
    EXPECT_EQ(pcx, ReadFileBytes(Dcx()));
    DeleteObject(bitmap);
    DeleteObject(brush);
}

// A line function that stops the add, and a write that fails half-way: code
// 18, and the file is cut back to what it was.
TEST_F(DcxAdd, FailedAddCutsTheFileBack) {
    const Bytes before = DcxBytes(ThreeItems());
    ScopedDib dib(DibBytes(PatternDib(8, 40, 30)));
    HBITMAP bitmap = MakeDeviceBitmap(40, 30, 8, PatternBits(40, 30, 8));
    PcxErrorCode code = 0;
    WriteFileBytes(Dcx(), before);
    EXPECT_FALSE(KYPCX_EXPORT(AddDIBToDCXFileW)(dib.get(), Dcx().c_str(), &code, RefuseDibLine));
    EXPECT_EQ(PCX_ERR_FILE_IO, code);
    EXPECT_EQ(before, ReadFileBytes(Dcx())) << "DIB add stopped by its line function";

    code = 0;
    EXPECT_FALSE(KYPCX_EXPORT(AddBitmapToDCXFileW)(bitmap, Dcx().c_str(), &code, RefuseBand));
    EXPECT_EQ(PCX_ERR_FILE_IO, code);
    EXPECT_EQ(before, ReadFileBytes(Dcx())) << "bitmap add stopped by its line function";

    EncodeProbe probe;
    ASSERT_TRUE(probe.loaded());
    auto probeAdd = probe.Get<decltype(&AddDIBToDCXFileW)>("AddDIBToDCXFileW");
    // The first write is the encoded image, the next two the entry that
    // ends the list and the item's own entry.
    WriteFileBytes(Dcx(), DcxSpecBytes({ThreeItems(), {}, {}, {{5, 999}}}));
    const Bytes stale = ReadFileBytes(Dcx());
    const PcxErrorCode expectedCodes[] = {PCX_ERR_FILE_IO, PCX_ERR_WRITE, PCX_ERR_WRITE};
    for (LONG failAt : {1, 2, 3}) {
        ASSERT_TRUE(probe.WatchWrites(failAt));
        code = 0;
        const BOOL added = probeAdd(dib.get(), Dcx().c_str(), &code, nullptr);
        probe.StopWatchingWrites();
        EXPECT_FALSE(added) << "write " << failAt << " fails";
        EXPECT_EQ(expectedCodes[failAt - 1], code) << "write " << failAt << " fails";
        EXPECT_EQ(stale, ReadFileBytes(Dcx())) << "write " << failAt << " fails";
    }
    DeleteObject(bitmap);
}

// Adds to a path that does not exist create nothing; the clipboard without a
// bitmap says so.
TEST_F(DcxAdd, MissingFileAndEmptyClipboard) {
    ScopedDib dib(DibBytes(PatternDib(8, 5, 5)));
    HBITMAP bitmap = MakeDeviceBitmap(8, 8, 1, PatternBits(8, 8, 1));
    PcxErrorCode code = 0;
    EXPECT_FALSE(KYPCX_EXPORT(AddDIBToDCXFileW)(dib.get(), Dcx().c_str(), &code, nullptr));
    EXPECT_EQ(PCX_ERR_OPEN_FILE, code);
    code = 0;
    EXPECT_FALSE(KYPCX_EXPORT(AddBitmapToDCXFileW)(bitmap, Dcx().c_str(), &code, nullptr));
    EXPECT_EQ(PCX_ERR_OPEN_FILE, code);
    ExpectOnlyDcx(false, "missing file");

    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    CloseClipboard();
    WriteFileBytes(Dcx(), DcxBytes({}));
    code = 0;
    EXPECT_FALSE(KYPCX_EXPORT(AddClipboardToDCXFileW)(Dcx().c_str(), &code));
    EXPECT_EQ(0, code) << "no bitmap on the clipboard: result 0, the code untouched";
    EXPECT_EQ(DcxBytes({}), ReadFileBytes(Dcx()));
    DeleteObject(bitmap);
}

}  // namespace
