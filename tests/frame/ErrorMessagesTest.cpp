// GetPCXErrorString: the message table, copied into a buffer or shown in a box.
#include <windows.h>

#include <cstring>
#include <string>

#include "support/KyPcxTestSupport.h"

namespace {

const char* const kExpected[30] = {
    "",
    "Don't worry, be happy!",
    "Unable to allocate buffers.",
    "Uninterpreatable version.",
    "Possibly PCX, but doesn't use ZSoft encoding.",
    "Unable to open file.",
    "Unable to create bitmap.",
    "Unable to open clipboard.",
    "Unable to create compatible DC.",
    "Too hardware dependent bitmap.",
    "Error in reading palette info.",
    "Global or local lock error.",
    "Global or local alloc error.",
    "Userfunction return with FALSE.",
    "PCX file and bitmap is not same type.",
    "Error in GetClipboardData function.",
    "Error in _lread.",
    "Error in _lwrite.",
    "File I/O error.",
    "",
    "",
    "Reference to non-exist item number.",
    "Bad DCX file identifier.",
    "Bad item offset in DCX header.",
    "Not enough disk space for file operation.",
    "No empty entry in DCX header.",
    "Unable to delete file.",
    "Unable to rename file.",
    "DCX file doesn't contain any PCX image.",
    "",
};

TEST(GetPCXErrorString, CopiesEveryMessageWithItsTerminator) {
    auto errorString = KYPCX_EXPORT(GetPCXErrorString);
    for (PcxErrorCode code = 0; code < 30; ++code) {
        char buffer[64];
        std::memset(buffer, 'x', sizeof buffer);
        PcxErrorCode c = code;
        EXPECT_EQ(buffer, errorString(buffer, &c)) << "code " << code;
        EXPECT_STREQ(kExpected[code], buffer) << "code " << code;
        // Nothing written past the terminator.
        EXPECT_EQ('x', buffer[std::strlen(kExpected[code]) + 1]) << "code " << code;
        EXPECT_EQ(code, c);
    }
}

TEST(GetPCXErrorString, LongestMessageFitsFortySixBytes) {
    char buffer[46];
    PcxErrorCode c = 4;
    KYPCX_EXPORT(GetPCXErrorString)(buffer, &c);
    EXPECT_EQ(45u, std::strlen(buffer));
}

TEST(GetPCXErrorString, CodesOutsideTheTableGiveTheEmptyMessage) {
    auto errorString = KYPCX_EXPORT(GetPCXErrorString);
    for (PcxErrorCode code : {-1, 30, 31, 1000, INT32_MIN, INT32_MAX}) {
        char buffer[8] = "zzzzzz";
        PcxErrorCode c = code;
        EXPECT_EQ(buffer, errorString(buffer, &c));
        EXPECT_STREQ("", buffer) << "code " << code;
    }
    char buffer[8] = "zzzzzz";
    EXPECT_EQ(buffer, errorString(buffer, nullptr));
    EXPECT_STREQ("", buffer);
}

// Shows the box on a second thread, finds it from this one, reads it, closes it.
struct BoxSeen {
    bool found = false;
    std::wstring caption;
    std::wstring text;
    LONG style = 0;
};

struct BoxCall {
    PcxErrorCode code;
    char* result = reinterpret_cast<char*>(1);
};

DWORD WINAPI ShowBox(void* param) {
    BoxCall* call = static_cast<BoxCall*>(param);
    call->result = KYPCX_EXPORT(GetPCXErrorString)(nullptr, &call->code);
    return 0;
}

BOOL CALLBACK FindBoxOfThread(HWND hwnd, LPARAM param) {
    auto* box = reinterpret_cast<std::pair<HWND, DWORD>*>(param);
    if (GetWindowThreadProcessId(hwnd, nullptr) == box->second && IsWindowVisible(hwnd)) {
        box->first = hwnd;
        return FALSE;
    }
    return TRUE;
}

BoxSeen ShowAndClose(PcxErrorCode code, BoxCall* call) {
    BoxSeen seen;
    call->code = code;
    DWORD threadId = 0;
    HANDLE thread = CreateThread(nullptr, 0, ShowBox, call, 0, &threadId);
    std::pair<HWND, DWORD> box{nullptr, threadId};
    for (int tries = 0; tries < 200 && box.first == nullptr; ++tries) {
        Sleep(50);
        EnumWindows(FindBoxOfThread, reinterpret_cast<LPARAM>(&box));
    }
    if (box.first != nullptr) {
        seen.found = true;
        wchar_t text[512] = {};
        GetWindowTextW(box.first, text, 512);
        seen.caption = text;
        text[0] = 0;
        GetDlgItemTextW(box.first, 0xFFFF, text, 512);  // the message box's text control
        seen.text = text;
        seen.style = GetWindowLongW(GetDlgItem(box.first, 0xFFFF), GWL_STYLE);
        PostMessageW(box.first, WM_COMMAND, IDOK, 0);
    }
    WaitForSingleObject(thread, 10000);
    CloseHandle(thread);
    return seen;
}

TEST(GetPCXErrorString, NullBufferShowsTheMessageInAPcxErrorBox) {
    BoxCall call;
    const BoxSeen seen = ShowAndClose(5, &call);
    ASSERT_TRUE(seen.found) << "no message box appeared";
    EXPECT_EQ(L"PCX error", seen.caption);
    EXPECT_EQ(L"Unable to open file.", seen.text);
    EXPECT_EQ(nullptr, call.result);
}

TEST(GetPCXErrorString, NullBufferWithAnEmptyMessageShowsAnEmptyBox) {
    BoxCall call;
    const BoxSeen seen = ShowAndClose(19, &call);
    ASSERT_TRUE(seen.found) << "no message box appeared";
    EXPECT_EQ(L"PCX error", seen.caption);
    EXPECT_EQ(L"", seen.text);
    EXPECT_EQ(nullptr, call.result);
}

}  // namespace
