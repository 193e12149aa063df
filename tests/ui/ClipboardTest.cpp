// PutPCXToClipboardW: the decoded image as the clipboard's only bitmap, and
// the clipboard untouched when anything fails.
#include <windows.h>

#include <cstring>

#include "support/KyPcxTestSupport.h"
#include "support/PcxFixtures.h"

namespace {

using kypcx_test::ScratchDir;
using namespace kypcx_test::fixtures;

void PutText(const wchar_t* text) {
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    const size_t bytes = (std::wcslen(text) + 1) * sizeof(wchar_t);
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes);
    std::memcpy(GlobalLock(block), text, bytes);
    GlobalUnlock(block);
    SetClipboardData(CF_UNICODETEXT, block);
    CloseClipboard();
}

TEST(PutPCXToClipboard, LeavesOnlyTheDecodedBitmap) {
    ScratchDir dir;
    const std::wstring path = dir.Path(L"clip.pcx");
    kypcx_test::WriteFileBytes(path, TwoFiftySix().Bytes());
    PutText(L"earlier text");
    PcxErrorCode code = 0;
    EXPECT_EQ(1, KYPCX_EXPORT(PutPCXToClipboardW)(path.c_str(), &code));
    EXPECT_EQ(PCX_OK, code);
    EXPECT_TRUE(IsClipboardFormatAvailable(CF_BITMAP));
    EXPECT_FALSE(IsClipboardFormatAvailable(CF_UNICODETEXT)) << "earlier formats are gone";
    EXPECT_FALSE(IsClipboardFormatAvailable(CF_PALETTE)) << "no palette travels with the bitmap";
    ASSERT_TRUE(OpenClipboard(nullptr));
    HBITMAP bitmap = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP));
    ASSERT_NE(nullptr, bitmap);
    BITMAP bm;
    ASSERT_EQ(int(sizeof bm), GetObjectW(bitmap, sizeof bm, &bm));
    EXPECT_EQ(5, bm.bmWidth);
    EXPECT_EQ(3, bm.bmHeight);
    CloseClipboard();

    code = 0;
    EXPECT_EQ(1, KYPCX_EXPORT(PutPCXToClipboardA)(dir.PathA("clip.pcx").c_str(), &code));
}

TEST(PutPCXToClipboard, FailedDecodeKeepsTheClipboard) {
    ScratchDir dir;
    kypcx_test::PcxFixture bad = TrueColor();
    bad.header.version = 1;
    const std::wstring path = dir.Path(L"bad.pcx");
    kypcx_test::WriteFileBytes(path, bad.Bytes());
    PutText(L"keep me");
    PcxErrorCode code = 0;
    EXPECT_EQ(0, KYPCX_EXPORT(PutPCXToClipboardW)(path.c_str(), &code));
    EXPECT_EQ(PCX_ERR_VERSION, code);
    EXPECT_TRUE(IsClipboardFormatAvailable(CF_UNICODETEXT));
    EXPECT_FALSE(IsClipboardFormatAvailable(CF_BITMAP));

    EXPECT_EQ(0, KYPCX_EXPORT(PutPCXToClipboardW)(dir.Path(L"missing.pcx").c_str(), &code));
    EXPECT_EQ(PCX_ERR_OPEN_FILE, code);
    EXPECT_TRUE(IsClipboardFormatAvailable(CF_UNICODETEXT));
}

struct Holder {
    HANDLE opened = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
};

DWORD WINAPI HoldClipboard(void* param) {
    auto* h = static_cast<Holder*>(param);
    HWND window = CreateWindowExW(0, L"STATIC", L"holder", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    OpenClipboard(window);
    SetEvent(h->opened);
    WaitForSingleObject(h->release, 10000);
    CloseClipboard();
    DestroyWindow(window);
    return 0;
}

TEST(PutPCXToClipboard, ClipboardHeldElsewhereGivesCodeSeven) {
    ScratchDir dir;
    const std::wstring path = dir.Path(L"held.pcx");
    kypcx_test::WriteFileBytes(path, TrueColor().Bytes());
    PutText(L"still here");
    Holder holder;
    HANDLE thread = CreateThread(nullptr, 0, HoldClipboard, &holder, 0, nullptr);
    WaitForSingleObject(holder.opened, 10000);
    PcxErrorCode code = 0;
    EXPECT_EQ(0, KYPCX_EXPORT(PutPCXToClipboardW)(path.c_str(), &code));
    EXPECT_EQ(PCX_ERR_OPEN_CLIPBOARD, code);
    SetEvent(holder.release);
    WaitForSingleObject(thread, 10000);
    CloseHandle(thread);
    CloseHandle(holder.opened);
    CloseHandle(holder.release);
    EXPECT_TRUE(IsClipboardFormatAvailable(CF_UNICODETEXT));
}

}  // namespace
