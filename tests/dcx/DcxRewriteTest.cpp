// Adding a PCX file to a DCX file, and what every rewrite through a
// temporary file must keep: the file whole under its name whatever fails, no
// temporary file left behind, the current directory untouched, any path
// Windows accepts, and two rewrites at once.
#include <windows.h>

#include <functional>

#include "dcx/DcxTestFiles.h"
#include "encode/EncodeTestSupport.h"
#include "support/PcxFixtures.h"
#include "support/TestThread.h"

namespace {

using namespace kypcx_test;

class DcxRewrite : public ::testing::Test {
protected:
    std::wstring Dcx() const { return dir.Path(L"pages.dcx"); }
    std::wstring Pcx() const { return dir.Path(L"page.pcx"); }
    PcxErrorCode AddPcx(const std::wstring& pcx, const std::wstring& dcx) {
        PcxErrorCode code = 0;
        const BOOL added = KYPCX_EXPORT(AddPCXFileToDCXFileW)(pcx.c_str(), dcx.c_str(), &code);
        EXPECT_EQ(code == PCX_OK, added != FALSE);
        return code;
    }
    ScratchDir dir;
};

std::vector<Bytes> TinyItems(uint32_t count) {
    std::vector<Bytes> items;
    for (uint32_t i = 0; i < count; ++i) items.push_back(TinyItem(static_cast<uint8_t>(i)));
    return items;
}

// A page larger than one copy block, with a pattern that shows any
// misplaced byte, arrives whole behind the old items.
TEST_F(DcxRewrite, AddPcxFileCopiesAPageOfManyBlocks) {
    Bytes page = fixtures::TwoFiftySix().Bytes();
    const size_t header = page.size();
    page.resize(3 * 1024 * 1024 + 123);
    for (size_t i = header; i < page.size(); ++i) page[i] = static_cast<uint8_t>(i * 7 + i / 251);
    WriteFileBytes(Pcx(), page);
    const std::vector<Bytes> three = ThreeItems();
    WriteFileBytes(Dcx(), DcxBytes(three));
    EXPECT_EQ(PCX_OK, AddPcx(Pcx(), Dcx()));
    EXPECT_TRUE(DcxBytes({three[0], three[1], three[2], page}) == ReadFileBytes(Dcx()));
}

TEST_F(DcxRewrite, AddPcxFileForEachDirectoryState) {
    const std::vector<Bytes> three = ThreeItems();
    const Bytes page = fixtures::SixteenColors().Bytes();
    std::vector<Bytes> full = TinyItems(kDcxUsableEntries - 1);
    struct Case {
        const char* name;
        DcxSpec before;
        PcxErrorCode expected;
        DcxSpec after;
    };
    const Case cases[] = {
        {"empty directory", {{}, {}, {}, {}}, PCX_OK, {{page}, {}, {}, {}}},
        {"three items", {three, {}, {}, {}}, PCX_OK, {{three[0], three[1], three[2], page}, {}, {}, {}}},
        {"a stale entry behind the list is cleared", {three, {}, {}, {{5, 777}}}, PCX_OK,
         {{three[0], three[1], three[2], page}, {}, {}, {}}},
        {"a gap before the first item stays", {{three[0]}, 4, {}, {}}, PCX_OK,
         {{three[0], page}, 4, {}, {}}},
        {"into the last usable entry", {full, {}, {}, {}}, PCX_OK, {{}, {}, {}, {}}},
        {"full directory", {TinyItems(kDcxUsableEntries), {}, {}, {}}, PCX_ERR_NO_ITEM, {}},
        // A directory with no empty entry to be found, whatever the reason.
        {"wrong magic", {three, {}, {}, {{0, 7}}}, PCX_ERR_NO_ITEM, {}},
        {"first item inside the directory", {{three[0]}, {}, {}, {{1, 4000}}}, PCX_ERR_ITEM_OFFSET, {}},
        {"offsets running backwards", {three, {}, {}, {{2, 4000000}}}, PCX_ERR_ITEM_OFFSET, {}},
    };
    WriteFileBytes(Pcx(), page);
    for (const Case& c : cases) {
        const Bytes before = DcxSpecBytes(c.before);
        WriteFileBytes(Dcx(), before);
        const std::wstring cwd = CurrentDirectory();
        EXPECT_EQ(c.expected, AddPcx(Pcx(), Dcx())) << c.name;
        EXPECT_EQ(cwd, CurrentDirectory()) << c.name;
        EXPECT_EQ((std::vector<std::wstring>{L"page.pcx", L"pages.dcx"}), FileNames(dir.dir())) << c.name;
        const Bytes after = ReadFileBytes(Dcx());
        if (c.expected != PCX_OK) {
            EXPECT_EQ(before, after) << c.name;
            continue;
        }
        Bytes expected = DcxSpecBytes(c.after);
        if (c.before.items.size() == kDcxUsableEntries - 1) {
            expected = before;
            SetDcxEntry(expected, kDcxUsableEntries, static_cast<uint32_t>(before.size()));
            Append(expected, page);
        }
        EXPECT_EQ(expected, after) << c.name;
    }
    EXPECT_EQ(page, ReadFileBytes(Pcx())) << "the PCX file is only read";

    // Directories cut short, down to nothing, have no empty entry either.
    for (size_t length : {size_t{100}, size_t{8}, size_t{0}}) {
        Bytes cut = DcxBytes(three);
        cut.resize(length);
        WriteFileBytes(Dcx(), cut);
        EXPECT_EQ(PCX_ERR_NO_ITEM, AddPcx(Pcx(), Dcx())) << "cut to " << length << " bytes";
        EXPECT_EQ(cut, ReadFileBytes(Dcx())) << "cut to " << length << " bytes";
    }
}

// The PCX file's header is checked before anything is written; non-RGB
// files, whose encoding byte holds a colour-space code, are PCX files too.
TEST_F(DcxRewrite, AddPcxFileChecksTheHeaderFirst) {
    const Bytes before = DcxBytes(ThreeItems());
    PcxFixture nonRgb = fixtures::TwoFiftySix();
    nonRgb.header.encoding = 13;
    PcxFixture badVersion = fixtures::TwoFiftySix();
    badVersion.header.version = 1;
    PcxFixture badEncoding = fixtures::TwoFiftySix();
    badEncoding.header.encoding = 0;
    PcxFixture badLayout = fixtures::TwoFiftySix();
    badLayout.header.planes = 2;
    const Bytes shortFile(60, 0x0A);
    struct Case {
        const char* name;
        Bytes pcx;
        PcxErrorCode expected;
    };
    const Case cases[] = {
        {"non-RGB file", nonRgb.Bytes(), PCX_OK},
        {"version 1", badVersion.Bytes(), PCX_ERR_VERSION},
        {"encoding 0", badEncoding.Bytes(), PCX_ERR_ENCODING},
        {"two planes", badLayout.Bytes(), PCX_ERR_HARDWARE_DEPENDENT},
        {"shorter than a header", shortFile, PCX_ERR_FILE_IO},
        {"empty file", {}, PCX_ERR_FILE_IO},
    };
    for (const Case& c : cases) {
        WriteFileBytes(Dcx(), before);
        WriteFileBytes(Pcx(), c.pcx);
        EXPECT_EQ(c.expected, AddPcx(Pcx(), Dcx())) << c.name;
        const std::vector<Bytes> three = ThreeItems();
        EXPECT_EQ(c.expected == PCX_OK ? DcxBytes({three[0], three[1], three[2], c.pcx}) : before,
                  ReadFileBytes(Dcx()))
            << c.name;
        EXPECT_EQ((std::vector<std::wstring>{L"page.pcx", L"pages.dcx"}), FileNames(dir.dir())) << c.name;
    }
    WriteFileBytes(Pcx(), nonRgb.Bytes());
    EXPECT_EQ(PCX_ERR_OPEN_FILE, AddPcx(dir.Path(L"missing.pcx"), Dcx()));
    EXPECT_EQ(PCX_ERR_OPEN_FILE, AddPcx(Pcx(), dir.Path(L"missing.dcx")));
    EXPECT_EQ((std::vector<std::wstring>{L"page.pcx", L"pages.dcx"}), FileNames(dir.dir()));

    // Both paths of the ANSI form are converted.
    WriteFileBytes(Dcx(), before);
    WriteFileBytes(Pcx(), nonRgb.Bytes());
    PcxErrorCode code = 0;
    EXPECT_TRUE(KYPCX_EXPORT(AddPCXFileToDCXFileA)(dir.PathA("page.pcx").c_str(), dir.PathA("pages.dcx").c_str(), &code));
    EXPECT_EQ(PCX_OK, code);
    EXPECT_EQ(DcxEntry(ReadFileBytes(Dcx()), 4), before.size());
}

// A DCX file another program holds open is refused by every writing
// operation with code 5 and stays as it was.
TEST_F(DcxRewrite, FileHeldElsewhere) {
    const Bytes before = DcxBytes(ThreeItems());
    WriteFileBytes(Dcx(), before);
    WriteFileBytes(Pcx(), fixtures::MonoGreys().Bytes());
    ScopedDib dib(DibBytes(PatternDib(8, 5, 5)));
    HBITMAP bitmap = MakeDeviceBitmap(8, 8, 1, PatternBits(8, 8, 1));
    const std::wstring path = Dcx();
    const std::function<BOOL(PcxErrorCode*)> writers[] = {
        [&](PcxErrorCode* c) { return KYPCX_EXPORT(AddPCXFileToDCXFileW)(Pcx().c_str(), path.c_str(), c); },
        [&](PcxErrorCode* c) { return KYPCX_EXPORT(DelItemFromDCXFileW)(path.c_str(), 0, c); },
        [&](PcxErrorCode* c) { return KYPCX_EXPORT(AddDIBToDCXFileW)(dib.get(), path.c_str(), c, nullptr); },
        [&](PcxErrorCode* c) { return KYPCX_EXPORT(AddBitmapToDCXFileW)(bitmap, path.c_str(), c, nullptr); },
        [&](PcxErrorCode* c) { return KYPCX_EXPORT(SaveDIBInDCXFormatW)(path.c_str(), dib.get(), c); },
        [&](PcxErrorCode* c) { return KYPCX_EXPORT(SaveBitmapInDCXFormatW)(path.c_str(), bitmap, c); },
    };
    {
        HeldFile held(path);
        ASSERT_TRUE(held.held());
        for (size_t i = 0; i < std::size(writers); ++i) {
            PcxErrorCode code = 0;
            EXPECT_FALSE(writers[i](&code)) << "writer " << i;
            EXPECT_EQ(PCX_ERR_OPEN_FILE, code) << "writer " << i;
            EXPECT_EQ((std::vector<std::wstring>{L"page.pcx", L"pages.dcx"}), FileNames(dir.dir())) << "writer " << i;
        }
    }
    DeleteObject(bitmap);
    EXPECT_EQ(before, ReadFileBytes(path));
}

// A write that fails anywhere in a rewrite, or the rename at its end: the old
// file stays whole under its name and the temporary file is gone.
TEST_F(DcxRewrite, FailedWritesLeaveTheOldFile) {
    const Bytes before = DcxBytes(ThreeItems());
    WriteFileBytes(Pcx(), fixtures::TrueColor().Bytes());
    EncodeProbe probe;
    ASSERT_TRUE(probe.loaded());
    auto addPcx = probe.Get<decltype(&AddPCXFileToDCXFileW)>("AddPCXFileToDCXFileW");
    auto deleteItem = probe.Get<decltype(&DelItemFromDCXFileW)>("DelItemFromDCXFileW");
    for (int operation = 0; operation < 2; ++operation) {
        bool completed = false;
        for (LONG failAt = 1; !completed && failAt < 200; ++failAt) {
            for (BOOL shortWrite : {FALSE, TRUE}) {
                WriteFileBytes(Dcx(), before);
                ASSERT_TRUE(probe.WatchWrites(failAt, shortWrite));
                PcxErrorCode code = 0;
                const BOOL done = operation == 0 ? addPcx(Pcx().c_str(), Dcx().c_str(), &code)
                                                 : deleteItem(Dcx().c_str(), 1, &code);
                probe.StopWatchingWrites();
                EXPECT_EQ((std::vector<std::wstring>{L"page.pcx", L"pages.dcx"}), FileNames(dir.dir()))
                    << "operation " << operation << ", write " << failAt;
                if (done) {
                    EXPECT_GT(failAt, 1) << "operation " << operation << ": the first write must fail";
                    completed = true;
                    break;
                }
                EXPECT_NE(PCX_OK, code);
                EXPECT_EQ(before, ReadFileBytes(Dcx())) << "operation " << operation << ", write " << failAt;
            }
        }
        EXPECT_TRUE(completed) << "operation " << operation;
    }

    // The rename that ends the rewrite is refused: code 27, the old file
    // whole, the new one gone.
    ASSERT_TRUE(probe.Get<BOOL(WINAPI*)(BOOL)>("KyPcxProbeRefuseMoves")(TRUE));
    for (int operation = 0; operation < 2; ++operation) {
        WriteFileBytes(Dcx(), before);
        PcxErrorCode code = 0;
        EXPECT_FALSE(operation == 0 ? addPcx(Pcx().c_str(), Dcx().c_str(), &code)
                                    : deleteItem(Dcx().c_str(), 1, &code));
        EXPECT_EQ(PCX_ERR_RENAME_FILE, code) << "operation " << operation;
        EXPECT_EQ(before, ReadFileBytes(Dcx())) << "operation " << operation;
        EXPECT_EQ((std::vector<std::wstring>{L"page.pcx", L"pages.dcx"}), FileNames(dir.dir())) << operation;
    }
    EXPECT_TRUE(probe.Get<BOOL(WINAPI*)(BOOL)>("KyPcxProbeRefuseMoves")(FALSE));
}

// The current directory is neither used nor moved: a relative path is taken
// against it, and it is the same afterwards.
TEST_F(DcxRewrite, RelativePathAndCurrentDirectory) {
    const std::wstring cwd = CurrentDirectory();
    ASSERT_TRUE(SetCurrentDirectoryW(dir.dir().c_str()));
    const std::vector<Bytes> three = ThreeItems();
    WriteFileBytes(Dcx(), DcxBytes(three));
    WriteFileBytes(Pcx(), three[1]);
    PcxErrorCode code = 0;
    EXPECT_TRUE(KYPCX_EXPORT(DelItemFromDCXFileW)(L"pages.dcx", 0, &code));
    EXPECT_TRUE(KYPCX_EXPORT(AddPCXFileToDCXFileW)(L"page.pcx", L"pages.dcx", &code));
    EXPECT_EQ(dir.dir(), CurrentDirectory());
    SetCurrentDirectoryW(cwd.c_str());
    EXPECT_EQ(DcxBytes({three[1], three[2], three[1]}), ReadFileBytes(Dcx()));
    EXPECT_EQ((std::vector<std::wstring>{L"page.pcx", L"pages.dcx"}), FileNames(dir.dir()));
}

// A folder path well beyond 260 characters, written as Windows accepts it
// (the \\?\ form): make, add in place, add a PCX file and delete all work.
TEST_F(DcxRewrite, LongPath) {
    std::wstring folder = L"\\\\?\\" + dir.dir();
    std::vector<std::wstring> made;
    for (int level = 0; level < 3; ++level) {
        folder += L"\\" + std::wstring(100, static_cast<wchar_t>(L'a' + level));
        ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr)) << GetLastError();
        made.push_back(folder);
    }
    const std::wstring dcx = folder + L"\\pages.dcx";
    const std::wstring pcx = folder + L"\\page.pcx";
    ASSERT_GT(dcx.size(), 330u);
    const std::vector<Bytes> three = ThreeItems();
    WriteFileBytes(pcx, three[2]);
    ScopedDib dib(DibBytes(PatternDib(8, 5, 5)));
    PcxErrorCode code = 0;
    EXPECT_TRUE(KYPCX_EXPORT(MakeDCXFileW)(dcx.c_str(), &code));
    EXPECT_TRUE(KYPCX_EXPORT(AddPCXFileToDCXFileW)(pcx.c_str(), dcx.c_str(), &code)) << code;
    EXPECT_TRUE(KYPCX_EXPORT(AddDIBToDCXFileW)(dib.get(), dcx.c_str(), &code, nullptr)) << code;
    EXPECT_TRUE(KYPCX_EXPORT(AddPCXFileToDCXFileW)(pcx.c_str(), dcx.c_str(), &code)) << code;
    EXPECT_TRUE(KYPCX_EXPORT(DelItemFromDCXFileW)(dcx.c_str(), 1, &code)) << code;
    EXPECT_EQ(DcxBytes({three[2], three[2]}), ReadFileBytes(dcx));
    EXPECT_EQ((std::vector<std::wstring>{L"page.pcx", L"pages.dcx"}), FileNames(folder));
    DeleteFileW(dcx.c_str());
    DeleteFileW(pcx.c_str());
    for (auto it = made.rbegin(); it != made.rend(); ++it) RemoveDirectoryW(it->c_str());
}

// The new file replaces the old one in one step: a watcher that looks for
// the name all the while rewrites run never misses it.
TEST_F(DcxRewrite, NameNeverMissing) {
    const std::vector<Bytes> items = TinyItems(20);
    WriteFileBytes(Dcx(), DcxBytes(items));
    WriteFileBytes(Pcx(), items[0]);
    volatile LONG done = 0;
    LONG misses = 0, looks = 0;
    kypcx_test::TestThread watcher([&] {
        while (!done) {
            if (GetFileAttributesW(Dcx().c_str()) == INVALID_FILE_ATTRIBUTES) ++misses;
            ++looks;
        }
    });
    int failures = 0;
    for (int round = 0; round < 40; ++round) {
        PcxErrorCode code = 0;
        if (!KYPCX_EXPORT(DelItemFromDCXFileW)(Dcx().c_str(), 0, &code)) ++failures;
        if (!KYPCX_EXPORT(AddPCXFileToDCXFileW)(Pcx().c_str(), Dcx().c_str(), &code)) ++failures;
    }
    done = 1;
    watcher.join();
    EXPECT_EQ(0, failures);
    EXPECT_GT(looks, 0);
    EXPECT_EQ(0, misses) << "of " << looks << " looks";
}

// Two threads rewriting two files in two folders at once both succeed.
TEST_F(DcxRewrite, TwoRewritesAtOnce) {
    KYPCX_SKIP_UNDER_I386_EMULATION();
    const std::vector<Bytes> items = TinyItems(60);
    std::wstring folders[2];
    for (int t = 0; t < 2; ++t) {
        folders[t] = dir.Path(t == 0 ? L"one" : L"two");
        CreateDirectoryW(folders[t].c_str(), nullptr);
        WriteFileBytes(folders[t] + L"\\pages.dcx", DcxBytes(items));
        WriteFileBytes(folders[t] + L"\\page.pcx", items[0]);
    }
    const std::wstring cwd = CurrentDirectory();
    int failures[2] = {0, 0};
    auto work = [&](int t) {
        const std::wstring dcx = folders[t] + L"\\pages.dcx";
        const std::wstring pcx = folders[t] + L"\\page.pcx";
        for (int round = 0; round < 30; ++round) {
            PcxErrorCode code = 0;
            if (!KYPCX_EXPORT(DelItemFromDCXFileW)(dcx.c_str(), 0, &code)) ++failures[t];
            if (!KYPCX_EXPORT(AddPCXFileToDCXFileW)(pcx.c_str(), dcx.c_str(), &code)) ++failures[t];
        }
    };
    kypcx_test::TestThread first([&] { work(0); }), second([&] { work(1); });
    first.join();
    second.join();
    EXPECT_EQ(0, failures[0]);
    EXPECT_EQ(0, failures[1]);
    EXPECT_EQ(cwd, CurrentDirectory());
    std::vector<Bytes> expected(items.begin() + 30, items.end());
    for (int round = 0; round < 30; ++round) expected.push_back(items[0]);
    for (int t = 0; t < 2; ++t) {
        EXPECT_EQ(DcxBytes(expected), ReadFileBytes(folders[t] + L"\\pages.dcx")) << t;
        EXPECT_EQ((std::vector<std::wstring>{L"page.pcx", L"pages.dcx"}), FileNames(folders[t])) << t;
        DeleteFileW((folders[t] + L"\\pages.dcx").c_str());
        DeleteFileW((folders[t] + L"\\page.pcx").c_str());
        RemoveDirectoryW(folders[t].c_str());
    }
}

}  // namespace
