// The page picker as a user meets it: the CHOOSE_PCX dialog's layout, its
// texts, the two refusals, the four-digit limit, OK and Cancel; the page
// that LoadDCXImageW loads and DelDCXImageW deletes is the one chosen; two
// dialogs on two threads, and two on one thread one over the other, keep
// their own page counts and texts; a first page whose encoding byte holds a
// colour-space code is a page; files without pages get code 28 and no
// dialog.
#include <windows.h>

#include <cstddef>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "dialog/DialogDriver.h"
#include "frame/PcxThreadState.h"
#include "support/DcxFixtures.h"
#include "support/KyPcxTestSupport.h"
#include "support/ProbeLibrary.h"
#include "support/PcxFixtures.h"
#include "support/TestThread.h"

namespace {

using kypcx_test::DialogDriver;
using kypcx_test::PcxFixture;
using kypcx_test::RunOf;
using kypcx_test::TestThread;
using kypcx_test::RunWithDialogScript;
using kypcx_test::ScratchDir;
using Bytes = std::vector<uint8_t>;

constexpr int kEdit = 101;
constexpr int kCount = 100;
constexpr PcxErrorCode kCallersCode = 77;  // a value no operation writes

struct Color {
    uint8_t r, g, b;
};
Color PageColor(int page) { return {uint8_t(40 * page), uint8_t(250 - 30 * page), uint8_t(17 * page + 3)}; }

// Page `page` (1-based): a 24-bit 5 x (page + 1) picture of one colour.
Bytes PageBytes(int page) {
    PcxFixture f;
    f.header.bitsPerPixel = 8;
    f.header.planes = 3;
    f.header.xMax = 4;
    f.header.yMax = int16_t(page);
    f.header.bytesPerLine = 5;
    const Color c = PageColor(page);
    for (int y = 0; y <= page; ++y) {
        kypcx_test::Append(f.data, RunOf(5, c.r));
        kypcx_test::Append(f.data, RunOf(5, c.g));
        kypcx_test::Append(f.data, RunOf(5, c.b));
    }
    return f.Bytes();
}

void PutLe32(Bytes& bytes, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = uint8_t(value >> (8 * i));
}

// A DCX file of the given pages: the magic 987654321, one entry per page,
// then the pages back to back.
Bytes DcxOf(const std::vector<Bytes>& pages) {
    Bytes file(4096, 0);
    PutLe32(file, 0, 987654321u);
    for (size_t i = 0; i < pages.size(); ++i) {
        PutLe32(file, 4 * (i + 1), uint32_t(file.size()));
        kypcx_test::Append(file, pages[i]);
    }
    return file;
}

Bytes DcxOfPages(int count) {
    std::vector<Bytes> pages;
    for (int p = 1; p <= count; ++p) pages.push_back(PageBytes(p));
    return DcxOf(pages);
}

std::string Report(const std::vector<std::string>& failures) {
    std::string all;
    for (const std::string& f : failures) all += f + "\n";
    return all;
}

// Checks a condition inside a script, where gtest's assertions cannot run.
#define SCRIPT_EXPECT(driver, condition) \
    do {                                 \
        if (!(condition)) (driver).Fail("expected: " #condition); \
    } while (0)

class ItemDialog : public ::testing::Test {
protected:
    std::wstring Write(const std::wstring& name, const Bytes& bytes) {
        const std::wstring path = dir_.Path(name);
        kypcx_test::WriteFileBytes(path, bytes);
        return path;
    }
    ScratchDir dir_;
};

TEST_F(ItemDialog, TemplateIsLaidOutAsDesigned) {
    HRSRC found = FindResourceExW(kypcx_test::Library(), RT_DIALOG, L"CHOOSE_PCX",
                                  MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
    ASSERT_NE(nullptr, found) << "CHOOSE_PCX in language 1033";
    const auto* bytes = static_cast<const BYTE*>(LockResource(LoadResource(kypcx_test::Library(), found)));
    ASSERT_NE(nullptr, bytes);
    const auto* words = reinterpret_cast<const WORD*>(bytes);
    const auto* dialog = reinterpret_cast<const DLGTEMPLATE*>(bytes);
    EXPECT_EQ(0x80C800C0u, dialog->style);
    EXPECT_EQ(0u, dialog->dwExtendedStyle);
    ASSERT_EQ(5, dialog->cdit);
    EXPECT_EQ(89, dialog->x);
    EXPECT_EQ(60, dialog->y);
    EXPECT_EQ(144, dialog->cx);
    EXPECT_EQ(42, dialog->cy);
    size_t w = sizeof(DLGTEMPLATE) / 2;
    EXPECT_EQ(0, words[w++]) << "no menu";
    EXPECT_EQ(0, words[w++]) << "default class";
    EXPECT_EQ(0, words[w++]) << "empty title";
    EXPECT_EQ(8, words[w++]) << "point size";
    EXPECT_EQ(std::wstring(L"Helv"), reinterpret_cast<const wchar_t*>(words + w));
    w += 5;
    struct Item {
        DWORD style;
        short x, y, cx, cy;
        WORD id, classAtom;
        const wchar_t* text;
    } expected[] = {
        {0x50020000, 4, 10, 91, 8, 0xFFFF, 0x0082, L"Number of PCX image (1 -"},
        {0x50810080, 121, 8, 21, 12, 101, 0x0081, L""},  // scrolls sideways: four digits fit
        {0x50010001, 20, 27, 40, 12, IDOK, 0x0080, L"OK"},
        {0x50010000, 84, 27, 40, 12, IDCANCEL, 0x0080, L"CANCEL"},
        {0x50020000, 95, 10, 25, 8, 100, 0x0082, L""},
    };
    for (const Item& e : expected) {
        SCOPED_TRACE(kypcx_test::Narrow(e.text));
        w = (w + 1) & ~size_t{1};  // items start on 4-byte boundaries
        const auto* item = reinterpret_cast<const DLGITEMTEMPLATE*>(words + w);
        EXPECT_EQ(e.style, item->style);
        EXPECT_EQ(e.x, item->x);
        EXPECT_EQ(e.y, item->y);
        EXPECT_EQ(e.cx, item->cx);
        EXPECT_EQ(e.cy, item->cy);
        EXPECT_EQ(e.id, item->id);
        w += sizeof(DLGITEMTEMPLATE) / 2;
        EXPECT_EQ(0xFFFF, words[w]) << "a predefined class";
        EXPECT_EQ(e.classAtom, words[w + 1]);
        w += 2;
        const std::wstring text = reinterpret_cast<const wchar_t*>(words + w);
        EXPECT_EQ(std::wstring(e.text), text);
        w += text.size() + 1;
        EXPECT_EQ(0, words[w++]) << "no creation data";
    }
}

TEST_F(ItemDialog, ShowsTheCountAndReturnsTheNumberChosen) {
    const std::wstring path = Write(L"three.dcx", DcxOfPages(3));
    PcxErrorCode code = kCallersCode;
    UINT chosen = 99;
    auto failures = RunWithDialogScript([&] { chosen = KYPCX_EXPORT(SelectDCXItemW)(path.c_str(), &code); },
                                        [](DialogDriver& d) {
                                            HWND picker = d.WaitForPicker();
                                            if (picker == nullptr) return;
                                            SCRIPT_EXPECT(d, DialogDriver::Text(picker) == L"");
                                            SCRIPT_EXPECT(d, DialogDriver::Text(GetWindow(picker, GW_CHILD)) == L"Number of PCX image (1 -");
                                            SCRIPT_EXPECT(d, DialogDriver::ItemText(picker, kCount) == L"3):");
                                            SCRIPT_EXPECT(d, DialogDriver::ItemText(picker, kEdit) == L"1");
                                            SCRIPT_EXPECT(d, DialogDriver::ItemText(picker, IDOK) == L"OK");
                                            SCRIPT_EXPECT(d, DialogDriver::ItemText(picker, IDCANCEL) == L"CANCEL");
                                            SCRIPT_EXPECT(d, d.WaitForFocus(GetDlgItem(picker, kEdit)));
                                            d.Type(picker, kEdit, L"3");
                                            d.Press(picker, IDOK);
                                            SCRIPT_EXPECT(d, d.WaitGone(picker));
                                        });
    EXPECT_TRUE(failures.empty()) << Report(failures);
    EXPECT_EQ(3u, chosen);
    EXPECT_EQ(kCallersCode, code) << "choosing writes no code";
}

TEST_F(ItemDialog, RefusesWhatIsNotAPageNumberAndStaysOpen) {
    const std::wstring path = Write(L"three.dcx", DcxOfPages(3));
    PcxErrorCode code = kCallersCode;
    UINT chosen = 99;
    auto failures = RunWithDialogScript(
        [&] { chosen = KYPCX_EXPORT(SelectDCXItemA)(dir_.PathA("three.dcx").c_str(), &code); },
        [](DialogDriver& d) {
            HWND picker = d.WaitForPicker();
            if (picker == nullptr) return;
            struct Entry {
                const wchar_t* typed;
                const wchar_t* answer;
            } entries[] = {
                {L"4", L"DCX file contains 3 PCX images!"},
                {L"0", L"DCX file contains 3 PCX images!"},
                {L"999", L"DCX file contains 3 PCX images!"},
                {L"", L"You must type in a number !"},
                {L"a", L"You must type in a number !"},
            };
            for (const Entry& e : entries) {
                d.Type(picker, kEdit, e.typed);
                d.Press(picker, IDOK);
                const std::wstring answer = d.DismissMessageBox(picker);
                if (answer != e.answer) d.Fail("typed '" + kypcx_test::Narrow(e.typed) + "', answered '" +
                                                kypcx_test::Narrow(answer) + "'");
                SCRIPT_EXPECT(d, IsWindowVisible(picker));
                SCRIPT_EXPECT(d, d.WaitForFocus(GetDlgItem(picker, kEdit)));
            }
            // Four characters and no more, whatever the font.
            DWORD_PTR limit = 0;
            SendMessageTimeoutW(GetDlgItem(picker, kEdit), EM_GETLIMITTEXT, 0, 0, SMTO_ABORTIFHUNG, 5000, &limit);
            SCRIPT_EXPECT(d, limit == 4);
            d.Type(picker, kEdit, L"12345");
            const std::wstring kept = DialogDriver::ItemText(picker, kEdit);
            if (kept != L"1234") d.Fail("typed 12345, the field holds '" + kypcx_test::Narrow(kept) + "'");
            d.Press(picker, IDCANCEL);
            SCRIPT_EXPECT(d, d.WaitGone(picker));
        });
    EXPECT_TRUE(failures.empty()) << Report(failures);
    EXPECT_EQ(0u, chosen);
    EXPECT_EQ(kCallersCode, code) << "Cancel writes no code";
}

// The colour of pixel (x, y) of a bitmap, through a 32-bit DIB copy.
COLORREF PixelOf(HBITMAP bitmap, int x, int y, int* width = nullptr, int* height = nullptr) {
    BITMAP bm = {};
    GetObjectW(bitmap, sizeof bm, &bm);
    if (width) *width = bm.bmWidth;
    if (height) *height = bm.bmHeight;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = bm.bmWidth;
    info.bmiHeader.biHeight = -bm.bmHeight;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    std::vector<DWORD> pixels(size_t(bm.bmWidth) * bm.bmHeight);
    HDC screen = GetDC(nullptr);
    GetDIBits(screen, bitmap, 0, bm.bmHeight, pixels.data(), &info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    const DWORD p = pixels[size_t(y) * bm.bmWidth + x];
    return RGB(p >> 16, (p >> 8) & 0xFF, p & 0xFF);
}

TEST_F(ItemDialog, LoadsThePageChosen) {
    const std::wstring path = Write(L"four.dcx", DcxOfPages(4));
    for (int page : {2, 4}) {
        SCOPED_TRACE(page);
        PcxErrorCode code = kCallersCode;
        HBITMAP bitmap = nullptr;
        auto failures = RunWithDialogScript(
            [&] {
                bitmap = page == 2 ? KYPCX_EXPORT(LoadDCXImageW)(path.c_str(), &code)
                                   : KYPCX_EXPORT(LoadDCXImageA)(dir_.PathA("four.dcx").c_str(), &code);
            },
            [page](DialogDriver& d) {
                HWND picker = d.WaitForPicker();
                if (picker == nullptr) return;
                d.Type(picker, kEdit, std::to_wstring(page));
                d.Press(picker, IDOK);
                SCRIPT_EXPECT(d, d.WaitGone(picker));
            });
        EXPECT_TRUE(failures.empty()) << Report(failures);
        ASSERT_NE(nullptr, bitmap) << "code " << code;
        EXPECT_EQ(PCX_OK, code);
        int width = 0, height = 0;
        const Color c = PageColor(page);
        EXPECT_EQ(RGB(c.r, c.g, c.b), PixelOf(bitmap, 4, page, &width, &height));
        EXPECT_EQ(5, width);
        EXPECT_EQ(page + 1, height) << "the page's own height";
        DeleteObject(bitmap);
    }
}

TEST_F(ItemDialog, DeletesThePageChosen) {
    const std::wstring path = Write(L"three.dcx", DcxOfPages(3));
    PcxErrorCode code = kCallersCode;
    int deleted = -1;
    auto failures = RunWithDialogScript([&] { deleted = KYPCX_EXPORT(DelDCXImageW)(path.c_str(), &code); },
                                        [](DialogDriver& d) {
                                            HWND picker = d.WaitForPicker();
                                            if (picker == nullptr) return;
                                            d.Type(picker, kEdit, L"2");
                                            d.Press(picker, IDOK);
                                            SCRIPT_EXPECT(d, d.WaitGone(picker));
                                        });
    EXPECT_TRUE(failures.empty()) << Report(failures);
    EXPECT_EQ(1, deleted) << "code " << code;
    EXPECT_EQ(PCX_OK, code);
    EXPECT_EQ(DcxOf({PageBytes(1), PageBytes(3)}), kypcx_test::ReadFileBytes(path))
        << "pages 1 and 3 remain, in order, behind a directory that lists them";
}

TEST_F(ItemDialog, CancelShowsNothingAndLeavesTheCodeAndFile) {
    const Bytes original = DcxOfPages(3);
    const std::wstring path = Write(L"three.dcx", original);
    PcxErrorCode loadCode = kCallersCode, deleteCode = kCallersCode;
    HBITMAP bitmap = reinterpret_cast<HBITMAP>(1);
    int deleted = -1;
    auto cancel = [](DialogDriver& d) {
        HWND picker = d.WaitForPicker();
        if (picker == nullptr) return;
        d.Press(picker, IDCANCEL);
        SCRIPT_EXPECT(d, d.WaitGone(picker));
        // Nothing may follow the cancelled dialog.
        HWND box = d.WaitForAnyDialog(1500);
        if (box != nullptr) {
            d.Fail("a message box followed Cancel: " + kypcx_test::Narrow(DialogDriver::MessageBoxText(box)));
            d.Press(box, IDOK);
        }
    };
    auto f1 = RunWithDialogScript([&] { bitmap = KYPCX_EXPORT(LoadDCXImageW)(path.c_str(), &loadCode); }, cancel);
    auto f2 = RunWithDialogScript([&] { deleted = KYPCX_EXPORT(DelDCXImageW)(path.c_str(), &deleteCode); }, cancel);
    PcxErrorCode ansiCode = kCallersCode;
    int deletedAnsi = -1;
    auto f3 = RunWithDialogScript(
        [&] { deletedAnsi = KYPCX_EXPORT(DelDCXImageA)(dir_.PathA("three.dcx").c_str(), &ansiCode); }, cancel);
    EXPECT_TRUE(f1.empty()) << Report(f1);
    EXPECT_TRUE(f2.empty()) << Report(f2);
    EXPECT_TRUE(f3.empty()) << Report(f3);
    EXPECT_EQ(nullptr, bitmap);
    EXPECT_EQ(0, deleted);
    EXPECT_EQ(0, deletedAnsi);
    EXPECT_EQ(kCallersCode, loadCode);
    EXPECT_EQ(kCallersCode, deleteCode);
    EXPECT_EQ(kCallersCode, ansiCode);
    EXPECT_EQ(original, kypcx_test::ReadFileBytes(path));
}

TEST_F(ItemDialog, TwoDialogsOnTwoThreadsKeepTheirOwnCounts) {
    KYPCX_SKIP_UNDER_I386_EMULATION();
    const std::wstring two = Write(L"two.dcx", DcxOfPages(2));
    const std::wstring five = Write(L"five.dcx", DcxOfPages(5));
    // Both dialogs are open at once, but they are opened one after the other
    // and answered in turn: Wine 8.0 (Debian 8.0~repack-4) itself crashes
    // inside gdi32 when two threads draw dialog texts at the same moment
    // (seen: a read fault in ucrtbase under GDI32.dll, reached from user32's
    // SetDlgItemTextW in WM_INITDIALOG on both threads at once).
    HANDLE firstUp = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE secondUp = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE firstDone = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    struct Outcome {
        UINT chosen = 99;
        std::vector<std::string> failures;
    } a, b;
    auto wait = [](DialogDriver& d, HANDLE event, const char* what) {
        if (WaitForSingleObject(event, 30000) != WAIT_OBJECT_0) d.Fail(what);
    };
    TestThread first([&] {
        PcxErrorCode code = kCallersCode;
        a.failures = RunWithDialogScript([&] { a.chosen = KYPCX_EXPORT(SelectDCXItemW)(two.c_str(), &code); },
                                         [&](DialogDriver& d) {
                                             HWND picker = d.WaitForPicker();
                                             SetEvent(firstUp);
                                             if (picker == nullptr) {
                                                 SetEvent(firstDone);
                                                 return;
                                             }
                                             wait(d, secondUp, "the second dialog never opened");
                                             SCRIPT_EXPECT(d, DialogDriver::ItemText(picker, kCount) == L"2):");
                                             // 5 is a page of the other file only.
                                             d.Type(picker, kEdit, L"5");
                                             d.Press(picker, IDOK);
                                             SCRIPT_EXPECT(d, d.DismissMessageBox(picker) ==
                                                                  L"DCX file contains 2 PCX images!");
                                             d.Type(picker, kEdit, L"2");
                                             d.Press(picker, IDOK);
                                             SCRIPT_EXPECT(d, d.WaitGone(picker));
                                             SetEvent(firstDone);
                                         });
    });
    TestThread second([&] {
        WaitForSingleObject(firstUp, 30000);
        PcxErrorCode code = kCallersCode;
        b.failures = RunWithDialogScript([&] { b.chosen = KYPCX_EXPORT(SelectDCXItemW)(five.c_str(), &code); },
                                         [&](DialogDriver& d) {
                                             HWND picker = d.WaitForPicker();
                                             SetEvent(secondUp);
                                             if (picker == nullptr) return;
                                             wait(d, firstDone, "the first dialog never ended");
                                             SCRIPT_EXPECT(d, DialogDriver::ItemText(picker, kCount) == L"5):");
                                             d.Type(picker, kEdit, L"5");
                                             d.Press(picker, IDOK);
                                             SCRIPT_EXPECT(d, d.WaitGone(picker));
                                         });
    });
    first.join();
    second.join();
    for (HANDLE event : {firstUp, secondUp, firstDone}) CloseHandle(event);
    EXPECT_TRUE(a.failures.empty()) << Report(a.failures);
    EXPECT_TRUE(b.failures.empty()) << Report(b.failures);
    EXPECT_EQ(2u, a.chosen);
    EXPECT_EQ(5u, b.chosen);
}

// A script that finds the picker, checks that it shows `count` pages,
// chooses `page` and sees the picker go.
std::function<void(DialogDriver&)> ChoosePage(std::wstring count, std::wstring page) {
    return [count, page](DialogDriver& d) {
        HWND picker = d.WaitForPicker();
        if (picker == nullptr) return;
        SCRIPT_EXPECT(d, DialogDriver::ItemText(picker, kCount) == count + L"):");
        d.Type(picker, kEdit, page);
        d.Press(picker, IDOK);
        SCRIPT_EXPECT(d, d.WaitGone(picker));
    };
}

// A first page saved from a non-RGB DIB holds its colour-space code in the
// encoding byte: still a page, so the picker opens and the page chosen goes.
TEST_F(ItemDialog, FirstPageWithAColorSpaceCode) {
    Bytes nonRgb = PageBytes(1);
    nonRgb[2] = 12;
    const std::wstring path = Write(L"three.dcx", DcxOf({nonRgb, PageBytes(2), PageBytes(3)}));
    PcxErrorCode code = kCallersCode;
    int deleted = -1;
    auto failures = RunWithDialogScript([&] { deleted = KYPCX_EXPORT(DelDCXImageW)(path.c_str(), &code); },
                                        ChoosePage(L"3", L"2"));
    EXPECT_TRUE(failures.empty()) << Report(failures);
    EXPECT_EQ(1, deleted) << "code " << code;
    EXPECT_EQ(DcxOf({nonRgb, PageBytes(3)}), kypcx_test::ReadFileBytes(path));
}

// All 1022 entries in use: the picker offers page 1022, the one in entry
// 1022; it loads as the same bytes do as a PCX file, and it can be deleted.
TEST_F(ItemDialog, TheLastPageOfAFullTable) {
    const std::vector<Bytes> pages = kypcx_test::FullTablePages();
    const std::wstring path = Write(L"full.dcx", kypcx_test::AssembleDcx(pages));
    const std::wstring alone = Write(L"last.pcx", pages.back());
    PcxErrorCode code = kCallersCode;
    HBITMAP expected = KYPCX_EXPORT(LoadPCXIntoBitmapW)(alone.c_str(), &code);
    ASSERT_NE(nullptr, expected);
    // The user types all four digits: the field scrolls to take them.
    auto chooseLast = [](DialogDriver& d) {
        HWND picker = d.WaitForPicker();
        if (picker == nullptr) return;
        SCRIPT_EXPECT(d, DialogDriver::ItemText(picker, kCount) == L"1022):");
        d.Type(picker, kEdit, L"1022");
        SCRIPT_EXPECT(d, DialogDriver::ItemText(picker, kEdit) == L"1022");
        d.Press(picker, IDOK);
        SCRIPT_EXPECT(d, d.WaitGone(picker));
    };
    HBITMAP bitmap = nullptr;
    code = kCallersCode;
    auto failures =
        RunWithDialogScript([&] { bitmap = KYPCX_EXPORT(LoadDCXImageW)(path.c_str(), &code); }, chooseLast);
    EXPECT_TRUE(failures.empty()) << Report(failures);
    ASSERT_NE(nullptr, bitmap) << "code " << code;
    EXPECT_EQ(PCX_OK, code);
    int width = 0, height = 0, expectedWidth = 0, expectedHeight = 0;
    PixelOf(bitmap, 0, 0, &width, &height);
    PixelOf(expected, 0, 0, &expectedWidth, &expectedHeight);
    EXPECT_EQ(expectedWidth, width);
    EXPECT_EQ(expectedHeight, height);
    for (int y = 0; y < height && y < expectedHeight; ++y)
        for (int x = 0; x < width && x < expectedWidth; ++x)
            EXPECT_EQ(PixelOf(expected, x, y), PixelOf(bitmap, x, y)) << x << ", " << y;
    DeleteObject(bitmap);
    DeleteObject(expected);

    code = kCallersCode;
    int deleted = -1;
    failures = RunWithDialogScript([&] { deleted = KYPCX_EXPORT(DelDCXImageW)(path.c_str(), &code); }, chooseLast);
    EXPECT_TRUE(failures.empty()) << Report(failures);
    EXPECT_EQ(1, deleted) << "code " << code;
    EXPECT_EQ(kypcx_test::AssembleDcx(std::vector<Bytes>(pages.begin(), pages.end() - 1)),
              kypcx_test::ReadFileBytes(path));
}

// A window of the test thread that opens a second picker when asked, from
// inside the first picker's message loop, as an owner window may.
struct NestedPick {
    const kypcx_test::ProbeLibrary* probe;
    std::wstring path;
    UINT chosen = 99;
    HGLOBAL outerBlock = nullptr;     // the thread's block before the second picker
    HGLOBAL blockAfterInner = nullptr;  // and after it
};
NestedPick* g_nested = nullptr;
LRESULT CALLBACK OpenNestedPicker(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_APP && g_nested != nullptr) {
        const kypcx_test::ProbeLibrary& probe = *g_nested->probe;
        g_nested->outerBlock = probe.ThreadState()->dialogTextHandle;
        PcxErrorCode code = kCallersCode;
        g_nested->chosen = probe.Get<decltype(&SelectDCXItemW)>("SelectDCXItemW")(g_nested->path.c_str(), &code);
        g_nested->blockAfterInner = probe.ThreadState()->dialogTextHandle;
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

struct PickerSearch {
    std::wstring count;
    HWND found;
};
BOOL CALLBACK MatchPickerCount(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<PickerSearch*>(data);
    if (GetDlgItem(window, kEdit) == nullptr || !IsWindowVisible(window)) return TRUE;
    if (DialogDriver::ItemText(window, kCount) != search->count) return TRUE;
    search->found = window;
    return FALSE;
}

// The picker of the thread whose count reads `count`, or null after a while.
HWND WaitForPickerOf(DWORD thread, const std::wstring& count) {
    PickerSearch search{count + L"):", nullptr};
    for (int i = 0; i < 1000 && search.found == nullptr; ++i) {
        EnumThreadWindows(thread, MatchPickerCount, reinterpret_cast<LPARAM>(&search));
        if (search.found == nullptr) Sleep(20);
    }
    return search.found;
}

TEST_F(ItemDialog, APickerOpenedOverAnotherKeepsItsOwnText) {
    kypcx_test::ProbeLibrary probe;
    ASSERT_TRUE(probe.loaded());
    auto select = probe.Get<decltype(&SelectDCXItemW)>("SelectDCXItemW");
    const std::wstring outerPath = Write(L"three.dcx", DcxOfPages(3));
    NestedPick nested{&probe, Write(L"five.dcx", DcxOfPages(5))};
    ASSERT_TRUE(probe.WatchFrees(TRUE));
    g_nested = &nested;
    WNDCLASSW wc = {};
    wc.lpfnWndProc = OpenNestedPicker;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"KyPcxNestedPickerTest";
    RegisterClassW(&wc);
    HWND opener = CreateWindowW(wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    ASSERT_NE(nullptr, opener);
    const DWORD thread = GetCurrentThreadId();
    PcxErrorCode code = kCallersCode;
    UINT outerChosen = 99;
    auto failures = RunWithDialogScript(
        [&] { outerChosen = select(outerPath.c_str(), &code); },
        [&](DialogDriver& d) {
            HWND outer = WaitForPickerOf(thread, L"3");
            if (outer == nullptr) return d.Fail("the first picker did not appear");
            PostMessageW(opener, WM_APP, 0, 0);
            HWND inner = WaitForPickerOf(thread, L"5");
            if (inner == nullptr) return d.Fail("the second picker did not appear");
            d.Type(inner, kEdit, L"9");
            d.Press(inner, IDOK);
            SCRIPT_EXPECT(d, d.DismissMessageBox(inner) == L"DCX file contains 5 PCX images!");
            d.Type(inner, kEdit, L"4");
            d.Press(inner, IDOK);
            SCRIPT_EXPECT(d, d.WaitGone(inner));
            // The first dialog's block outlived the second one's.
            d.Type(outer, kEdit, L"9");
            d.Press(outer, IDOK);
            SCRIPT_EXPECT(d, d.DismissMessageBox(outer) == L"DCX file contains 3 PCX images!");
            d.Type(outer, kEdit, L"2");
            d.Press(outer, IDOK);
            SCRIPT_EXPECT(d, d.WaitGone(outer));
        });
    DestroyWindow(opener);
    UnregisterClassW(wc.lpszClassName, wc.hInstance);
    g_nested = nullptr;
    EXPECT_TRUE(failures.empty()) << Report(failures);
    EXPECT_EQ(4u, nested.chosen);
    EXPECT_EQ(2u, outerChosen);
    EXPECT_EQ(kCallersCode, code);
    ASSERT_NE(nullptr, nested.outerBlock);
    EXPECT_EQ(nested.outerBlock, nested.blockAfterInner) << "the thread points at the first dialog's block again";
    EXPECT_TRUE(probe.WasFreed(nested.outerBlock)) << "the first dialog's block was given back";
    EXPECT_EQ(nullptr, probe.ThreadState()->dialogTextHandle);
    probe.WatchFrees(FALSE);
}

// Callers may run the dialog themselves with the block the header declares.
TEST_F(ItemDialog, CallersRunTheDialogWithTheDeclaredBlock) {
    EXPECT_EQ(2 * sizeof(void*), sizeof(DcxChooserParams)) << "the pointer, then the count, padded";
    EXPECT_EQ(sizeof(void*), offsetof(DcxChooserParams, itemCount));
    const std::wstring path = Write(L"four.dcx", DcxOfPages(4));
    DcxChooserParams params{path.c_str(), 4};
    INT_PTR result = -1;
    auto failures = RunWithDialogScript(
        [&] {
            result = DialogBoxParamW(kypcx_test::Library(), L"CHOOSE_PCX", nullptr, KYPCX_EXPORT(SelectPCXDlgProc),
                                     reinterpret_cast<LPARAM>(&params));
        },
        ChoosePage(L"4", L"3"));
    EXPECT_TRUE(failures.empty()) << Report(failures);
    EXPECT_EQ(1, result);
    EXPECT_EQ(3u, params.itemCount);
    EXPECT_EQ(path.c_str(), params.path);
}

// Dialog-class windows created on this thread, seen by a CBT hook.
int g_dialogsCreated = 0;
HHOOK g_dialogHook = nullptr;
LRESULT CALLBACK CountDialogs(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND) {
        auto* create = reinterpret_cast<CBT_CREATEWNDW*>(lParam);
        if (create->lpcs->lpszClass == MAKEINTATOM(32770) ||
            (HIWORD(reinterpret_cast<ULONG_PTR>(create->lpcs->lpszClass)) != 0 &&
             lstrcmpW(create->lpcs->lpszClass, L"#32770") == 0))
            ++g_dialogsCreated;
        (void)wParam;
    }
    return CallNextHookEx(g_dialogHook, code, wParam, lParam);
}

TEST_F(ItemDialog, FilesWithoutPagesGetCode28AndNoDialog) {
    Bytes cutInDirectory = DcxOfPages(2);
    cutInDirectory.resize(2000);
    Bytes cutInFirstHeader = DcxOfPages(2);
    cutInFirstHeader.resize(4096 + 60);
    Bytes noPages = DcxOfPages(0);
    struct Case {
        const char* name;
        bool exists;
        Bytes bytes;
    } cases[] = {
        {"missing", false, {}},
        {"empty", true, {}},
        {"a PCX file", true, PageBytes(1)},
        {"cut inside the directory", true, cutInDirectory},
        {"cut inside the first page's header", true, cutInFirstHeader},
        {"cut inside the magic", true, Bytes{0xB1, 0x68}},
        {"no pages", true, noPages},
    };
    g_dialogHook = SetWindowsHookExW(WH_CBT, CountDialogs, nullptr, GetCurrentThreadId());
    ASSERT_NE(nullptr, g_dialogHook);
    // Nothing may appear; anything that does is reported and dismissed.
    auto noDialog = [](DialogDriver& d) {
        HWND box = d.WaitForAnyDialog(1000);
        if (box == nullptr) return;
        d.Fail("a window appeared: '" + kypcx_test::Narrow(DialogDriver::Text(box)) + "' '" +
               kypcx_test::Narrow(DialogDriver::MessageBoxText(box)) + "'");
        d.Press(box, IDOK);
        d.CancelEverything();
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::wstring path = c.exists ? Write(L"bad.dcx", c.bytes) : dir_.Path(L"missing.dcx");
        g_dialogsCreated = 0;
        PcxErrorCode code = kCallersCode;
        UINT chosen = 99;
        auto failures = RunWithDialogScript([&] { chosen = KYPCX_EXPORT(SelectDCXItemW)(path.c_str(), &code); },
                                            noDialog);
        EXPECT_TRUE(failures.empty()) << Report(failures);
        EXPECT_EQ(0u, chosen);
        EXPECT_EQ(PCX_ERR_EMPTY_DCX, code);
        EXPECT_EQ(0, g_dialogsCreated) << "no dialog";
        if (c.exists) {
            EXPECT_EQ(c.bytes, kypcx_test::ReadFileBytes(path));
        }
    }
    UnhookWindowsHookEx(g_dialogHook);
    g_dialogHook = nullptr;
    PcxErrorCode code = kCallersCode;
    EXPECT_EQ(0u, KYPCX_EXPORT(SelectDCXItemW)(nullptr, &code));
    EXPECT_EQ(PCX_ERR_EMPTY_DCX, code);
    EXPECT_EQ(0u, KYPCX_EXPORT(SelectDCXItemA)(nullptr, nullptr));
}

TEST_F(ItemDialog, LoadAndDeleteShowTheMessageOfCode28) {
    const std::wstring missing = dir_.Path(L"missing.dcx");
    PcxErrorCode loadCode = kCallersCode, deleteCode = kCallersCode;
    HBITMAP bitmap = reinterpret_cast<HBITMAP>(1);
    int deleted = -1;
    auto readBox = [](DialogDriver& d) {
        HWND box = d.WaitForAnyDialog(20000);
        if (box == nullptr) {
            d.Fail("no message box");
            return;
        }
        SCRIPT_EXPECT(d, GetDlgItem(box, kEdit) == nullptr);
        const std::wstring text = DialogDriver::MessageBoxText(box);
        if (text != L"DCX file doesn't contain any PCX image.") d.Fail("message: " + kypcx_test::Narrow(text));
        SCRIPT_EXPECT(d, DialogDriver::Text(box) == L"PCX error");
        d.Press(box, IDOK);
        SCRIPT_EXPECT(d, d.WaitGone(box));
    };
    auto f1 = RunWithDialogScript([&] { bitmap = KYPCX_EXPORT(LoadDCXImageW)(missing.c_str(), &loadCode); }, readBox);
    auto f2 = RunWithDialogScript([&] { deleted = KYPCX_EXPORT(DelDCXImageW)(missing.c_str(), &deleteCode); }, readBox);
    EXPECT_TRUE(f1.empty()) << Report(f1);
    EXPECT_TRUE(f2.empty()) << Report(f2);
    EXPECT_EQ(nullptr, bitmap);
    EXPECT_EQ(0, deleted);
    EXPECT_EQ(PCX_ERR_EMPTY_DCX, loadCode);
    EXPECT_EQ(PCX_ERR_EMPTY_DCX, deleteCode);
}

}  // namespace
