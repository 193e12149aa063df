// DCX and PCX files of 4 GiB and more, and DCX files near that size (sparse
// files: they take no disk space). Their listed pages are read, an 8-bit
// page's colours from the file's true end; nothing is added to a DCX file
// that 32-bit offsets cannot describe whole, nothing deleted from it, no such
// call leaves a byte changed, and none waits on a message box for it.
#include <windows.h>

#include <functional>

#include "dcx/DcxTestFiles.h"
#include "encode/EncodeTestSupport.h"
#include "support/PcxFixtures.h"

namespace {

using namespace kypcx_test;

constexpr ULONGLONG kPast4GiB = 0x110000000ull;  // 4.25 GiB
constexpr ULONGLONG kLargestDcx = 0xFFFFFFFFull;

BOOL CALLBACK CloseWindowFound(HWND window, LPARAM found) {
    *reinterpret_cast<bool*>(found) = true;
    PostMessageW(window, WM_CLOSE, 0, 0);
    return TRUE;
}

DWORD WINAPI RunCall(void* call) {
    (*static_cast<const std::function<void()>*>(call))();
    return 0;
}

// Runs `call` on a thread of its own; true when it returned without showing
// a window. A window it shows (a message box) is closed, so the test fails
// instead of waiting for ever.
bool ReturnsWithoutAWindow(const std::function<void()>& call) {
    DWORD id = 0;
    HANDLE thread = CreateThread(nullptr, 0, RunCall, const_cast<std::function<void()>*>(&call), 0, &id);
    if (thread == nullptr) return false;
    bool shown = false;
    while (WaitForSingleObject(thread, 50) == WAIT_TIMEOUT)
        EnumThreadWindows(id, CloseWindowFound, reinterpret_cast<LPARAM>(&shown));
    CloseHandle(thread);
    return !shown;
}

// A 256-colour page whose trailer holds other colours: lying as the last
// page of a large file, with this trailer at the file's very end, it must
// decode to these colours and not to those behind its lines.
Bytes WithOtherTrailer(Bytes page) {
    for (size_t i = page.size() - 768; i < page.size(); ++i) page[i] = static_cast<uint8_t>(page[i] ^ 0x5A);
    return page;
}

Bytes TrailerOf(const Bytes& page) { return Bytes(page.end() - 769, page.end()); }

class LargeFile : public ::testing::Test {
protected:
    std::wstring Dcx() const { return dir.Path(L"pages.dcx"); }

    // The DIB the library makes of `pcx` as a file of its own.
    Bytes DibOf(const Bytes& pcx) {
        const std::wstring path = dir.Path(L"alone.pcx");
        WriteFileBytes(path, pcx);
        PcxErrorCode code = 0;
        ScopedDib dib(KYPCX_EXPORT(LoadPCXIntoDIBW)(path.c_str(), &code));
        DeleteFileW(path.c_str());
        EXPECT_NE(nullptr, dib.get()) << "code " << code;
        return dib.Bytes();
    }

    // `dcx` with its last page stretched to a file of `length` bytes, whose
    // last 769 bytes are `tail`.
    void WriteStretched(const Bytes& dcx, ULONGLONG length, const Bytes& tail) {
        WriteFileBytes(Dcx(), dcx);
        ASSERT_TRUE(SetFileLength(Dcx(), length));
        ASSERT_TRUE(WriteFileBytesAt(Dcx(), length - tail.size(), tail));
    }

    // What a refused call must leave: the length, the directory and the
    // pages' first bytes, and the file's last bytes.
    struct Snapshot {
        ULONGLONG length;
        Bytes front;
        Bytes back;
        bool operator==(const Snapshot& o) const { return length == o.length && front == o.front && back == o.back; }
    };
    Snapshot Take() {
        const ULONGLONG length = FileLength(Dcx());
        return {length, ReadFileBytesAt(Dcx(), 0, 8192), ReadFileBytesAt(Dcx(), length - 1024, 1024)};
    }

    ScratchDir dir;
};

// The pages of a DCX file past 4 GiB are read as they are listed: the last
// one ends at the file's true end, where its palette lies. A PCX file past
// 4 GiB likewise takes its palette from its end.
TEST_F(LargeFile, ReadersFindTheTrueEnd) {
    const std::vector<Bytes> three = ThreeItems();
    const Bytes& page = three[1];  // 256 colours with a trailer
    const Bytes moved = WithOtherTrailer(page);
    WriteStretched(DcxBytes({three[0], three[2], page}), kPast4GiB, TrailerOf(moved));

    PcxErrorCode code = 0;
    EXPECT_EQ(3u, KYPCX_EXPORT(GetDCXInfoW)(Dcx().c_str(), &code));
    ScopedDib first(KYPCX_EXPORT(LoadDCXIntoDIBW)(Dcx().c_str(), 0, &code));
    EXPECT_EQ(DibOf(three[0]), first.Bytes());
    ScopedDib last(KYPCX_EXPORT(LoadDCXIntoDIBW)(Dcx().c_str(), 2, &code));
    ASSERT_NE(nullptr, last.get()) << "code " << code;
    EXPECT_EQ(DibOf(moved), last.Bytes()) << "the colours from the file's last 769 bytes";

    ULONGLONG start = 0, end = 0;
    code = 0;
    ASSERT_TRUE(KYPCX_EXPORT(DCXItemExtentW)(Dcx().c_str(), 2, &start, &end, &code));
    EXPECT_EQ(DcxEntry(DcxBytes({three[0], three[2], page}), 3), start);
    EXPECT_EQ(kPast4GiB, end);

    const std::wstring pcx = dir.Path(L"large.pcx");
    WriteFileBytes(pcx, page);
    ASSERT_TRUE(SetFileLength(pcx, kPast4GiB));
    ASSERT_TRUE(WriteFileBytesAt(pcx, kPast4GiB - 769, TrailerOf(moved)));
    ScopedDib whole(KYPCX_EXPORT(LoadPCXIntoDIBW)(pcx.c_str(), &code));
    EXPECT_EQ(DibOf(moved), whole.Bytes());
    DeleteFileW(pcx.c_str());
}

// Every add and delete refuses a DCX file past 4 GiB with code 18, shows no
// box, and leaves the file as it was (and no temporary file beside it).
TEST_F(LargeFile, WritersRefuseAFilePast4GiB) {
    const std::vector<Bytes> three = ThreeItems();
    WriteStretched(DcxBytes(three), kPast4GiB, TrailerOf(three[2]));
    const Snapshot before = Take();
    ScopedDib dib(DibBytes(PatternDib(8, 6, 4)));
    HBITMAP bitmap = MakeDeviceBitmap(16, 4, 1, PatternBits(16, 4, 1));
    const std::wstring pcx = dir.Path(L"page.pcx");
    WriteFileBytes(pcx, three[0]);
    const std::string pathA = dir.PathA("pages.dcx");
    struct Case {
        const char* name;
        std::function<BOOL(PcxErrorCode*)> call;
    };
    const Case cases[] = {
        {"AddDIBToDCXFileW", [&](PcxErrorCode* c) { return KYPCX_EXPORT(AddDIBToDCXFileW)(dib.get(), Dcx().c_str(), c, nullptr); }},
        {"AddBitmapToDCXFileW", [&](PcxErrorCode* c) { return KYPCX_EXPORT(AddBitmapToDCXFileW)(bitmap, Dcx().c_str(), c, nullptr); }},
        {"SaveDIBInDCXFormatA", [&](PcxErrorCode* c) { return KYPCX_EXPORT(SaveDIBInDCXFormatA)(pathA.c_str(), dib.get(), c); }},
        {"AddPCXFileToDCXFileW", [&](PcxErrorCode* c) { return KYPCX_EXPORT(AddPCXFileToDCXFileW)(pcx.c_str(), Dcx().c_str(), c); }},
        {"DelItemFromDCXFileW", [&](PcxErrorCode* c) { return KYPCX_EXPORT(DelItemFromDCXFileW)(Dcx().c_str(), 0, c); }},
    };
    for (const Case& c : cases) {
        PcxErrorCode code = 0;
        BOOL result = TRUE;
        EXPECT_TRUE(ReturnsWithoutAWindow([&] { result = c.call(&code); })) << c.name << " showed a window";
        EXPECT_FALSE(result) << c.name;
        EXPECT_EQ(PCX_ERR_FILE_IO, code) << c.name;
        EXPECT_TRUE(before == Take()) << c.name << " changed the file";
        EXPECT_EQ((std::vector<std::wstring>{L"page.pcx", L"pages.dcx"}), FileNames(dir.dir())) << c.name;
    }
    DeleteObject(bitmap);
}

// Just below 4 GiB: an add in place whose item could end past the last byte
// a 32-bit offset reaches is refused before anything is written; one that
// fits whatever its coding lands, and ends the file within reach. A PCX
// file too long for the room left is refused before it is copied.
TEST_F(LargeFile, AddsNearTheLimit) {
    const std::vector<Bytes> three = ThreeItems();
    const Bytes dcx = DcxBytes(three);
    ScopedDib dib(DibBytes(PatternDib(1, 8, 1)));
    const std::wstring alone = dir.Path(L"alone.pcx");
    PcxErrorCode code = 0;
    ASSERT_TRUE(KYPCX_EXPORT(SaveDIBInPCXFormatW)(alone.c_str(), dib.get(), &code));
    const Bytes item = ReadFileBytes(alone);
    DeleteFileW(alone.c_str());
    // At worst every byte of every line is coded as a count and a value.
    const uint32_t bytesPerLine = item[66] | item[67] << 8;
    const ULONGLONG worst = 128 + 2ull * item[65] * bytesPerLine * 1;

    WriteStretched(dcx, kLargestDcx - worst + 1, TrailerOf(three[2]));
    Snapshot before = Take();
    code = 0;
    EXPECT_FALSE(KYPCX_EXPORT(AddDIBToDCXFileW)(dib.get(), Dcx().c_str(), &code, nullptr));
    EXPECT_EQ(PCX_ERR_FILE_IO, code);
    EXPECT_TRUE(before == Take()) << "one byte short of room";

    const ULONGLONG start = kLargestDcx - worst;
    ASSERT_TRUE(SetFileLength(Dcx(), start));
    ASSERT_TRUE(WriteFileBytesAt(Dcx(), start - 769, TrailerOf(three[2])));
    code = 0;
    EXPECT_TRUE(KYPCX_EXPORT(AddDIBToDCXFileW)(dib.get(), Dcx().c_str(), &code, nullptr)) << code;
    EXPECT_EQ(start + item.size(), FileLength(Dcx()));
    EXPECT_EQ(start, DcxEntry(ReadFileBytesAt(Dcx(), 0, 4096), 4));
    EXPECT_EQ(item, ReadFileBytesAt(Dcx(), start, item.size()));

    // No room for even a header now.
    before = Take();
    code = 0;
    EXPECT_FALSE(KYPCX_EXPORT(AddDIBToDCXFileW)(dib.get(), Dcx().c_str(), &code, nullptr));
    EXPECT_EQ(PCX_ERR_FILE_IO, code);
    EXPECT_TRUE(before == Take());

    const std::wstring pcx = dir.Path(L"page.pcx");
    WriteFileBytes(pcx, three[1]);
    WriteStretched(dcx, kLargestDcx - three[1].size() + 1, TrailerOf(three[2]));
    before = Take();
    code = 0;
    EXPECT_FALSE(KYPCX_EXPORT(AddPCXFileToDCXFileW)(pcx.c_str(), Dcx().c_str(), &code));
    EXPECT_EQ(PCX_ERR_FILE_IO, code);
    EXPECT_TRUE(before == Take());
    EXPECT_EQ((std::vector<std::wstring>{L"page.pcx", L"pages.dcx"}), FileNames(dir.dir()));
}

}  // namespace
