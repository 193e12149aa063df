// The dialog driver's window look-ups, keystrokes and clicks, and the watchdog.
#include "dialog/DialogDriver.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

#include "support/TestThread.h"

namespace kypcx_test {

namespace {

constexpr DWORD kPollMs = 20;

bool IsDialogClass(HWND window) {
    wchar_t name[16] = {};
    GetClassNameW(window, name, 16);
    return lstrcmpW(name, L"#32770") == 0;
}

struct Search {
    HWND owner;
    bool picker;
    HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM data) {
    auto* s = reinterpret_cast<Search*>(data);
    if (!IsDialogClass(window) || !IsWindowVisible(window)) return TRUE;
    if (s->picker && GetDlgItem(window, 101) == nullptr) return TRUE;
    if (s->owner != nullptr && GetWindow(window, GW_OWNER) != s->owner) return TRUE;
    s->found = window;
    return FALSE;
}

HWND WaitFor(DWORD thread, HWND owner, bool picker, DWORD timeoutMs) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    do {
        Search s{owner, picker, nullptr};
        EnumThreadWindows(thread, MatchWindow, reinterpret_cast<LPARAM>(&s));
        if (s.found != nullptr) return s.found;
        Sleep(kPollMs);
    } while (GetTickCount64() < end);
    return nullptr;
}

BOOL CALLBACK CancelDialog(HWND window, LPARAM) {
    if (IsDialogClass(window)) PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
    return TRUE;
}

std::string Narrow(const std::wstring& text) {
    std::string out;
    for (wchar_t c : text) out += static_cast<char>(c < 128 ? c : '?');
    return out;
}

}  // namespace

HWND DialogDriver::WaitForPicker(DWORD timeoutMs) {
    HWND picker = WaitFor(thread_, nullptr, true, timeoutMs);
    if (picker == nullptr) Fail("the page picker did not appear");
    return picker;
}

HWND DialogDriver::WaitForMessageBox(HWND owner, DWORD timeoutMs) {
    return WaitFor(thread_, owner, false, timeoutMs);
}

HWND DialogDriver::WaitForAnyDialog(DWORD timeoutMs) { return WaitFor(thread_, nullptr, false, timeoutMs); }

bool DialogDriver::WaitGone(HWND window, DWORD timeoutMs) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    while (IsWindow(window) && IsWindowVisible(window)) {
        if (GetTickCount64() >= end) return false;
        Sleep(kPollMs);
    }
    return true;
}

std::wstring DialogDriver::Text(HWND window) {
    if (window == nullptr) return L"<no such window>";
    wchar_t text[256] = {};
    // WM_GETTEXT is sent to the owning thread, which is inside its modal loop.
    SendMessageTimeoutW(window, WM_GETTEXT, 256, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 5000, nullptr);
    return text;
}

std::wstring DialogDriver::MessageBoxText(HWND box) {
    // A message box's text is its static control 0xFFFF, filled in just after
    // the box appears.
    const ULONGLONG end = GetTickCount64() + 5000;
    std::wstring text;
    do {
        HWND control = GetDlgItem(box, 0xFFFF);
        text = control != nullptr ? Text(control) : L"";
        if (!text.empty()) break;
        Sleep(kPollMs);
    } while (GetTickCount64() < end);
    return text;
}

void DialogDriver::Type(HWND dialog, int editId, const std::wstring& text) {
    HWND edit = GetDlgItem(dialog, editId);
    DWORD_PTR ignored;
    SendMessageTimeoutW(edit, EM_SETSEL, 0, -1, SMTO_ABORTIFHUNG, 5000, &ignored);
    SendMessageTimeoutW(edit, WM_CHAR, VK_BACK, 1, SMTO_ABORTIFHUNG, 5000, &ignored);
    for (wchar_t c : text) SendMessageTimeoutW(edit, WM_CHAR, c, 1, SMTO_ABORTIFHUNG, 5000, &ignored);
}

void DialogDriver::Press(HWND dialog, int buttonId) {
    PostMessageW(GetDlgItem(dialog, buttonId), BM_CLICK, 0, 0);
}

std::wstring DialogDriver::DismissMessageBox(HWND owner) {
    HWND box = WaitForMessageBox(owner);
    if (box == nullptr) {
        Fail("no message box appeared");
        return L"";
    }
    const std::wstring text = MessageBoxText(box);
    Press(box, IDOK);
    if (!WaitGone(box)) Fail("the message box did not close: " + Narrow(text));
    return text;
}

HWND DialogDriver::Focus() const {
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    return GetGUIThreadInfo(thread_, &info) ? info.hwndFocus : nullptr;
}

bool DialogDriver::WaitForFocus(HWND window, DWORD timeoutMs) const {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    while (Focus() != window) {
        if (GetTickCount64() >= end) return false;
        Sleep(kPollMs);
    }
    return true;
}

void DialogDriver::CancelEverything() {
    EnumThreadWindows(thread_, CancelDialog, 0);
}

std::vector<std::string> RunWithDialogScript(const std::function<void()>& call,
                                             const std::function<void(DialogDriver&)>& script) {
    DialogDriver driver(GetCurrentThreadId());
    HANDLE returned = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    TestThread helper([&] {
        script(driver);
        if (!driver.failures().empty()) driver.CancelEverything();
        if (WaitForSingleObject(returned, 30000) == WAIT_OBJECT_0) return;
        driver.Fail("the call did not return after the script ended");
        for (int i = 0; i < 15; ++i) {
            driver.CancelEverything();
            if (WaitForSingleObject(returned, 1000) == WAIT_OBJECT_0) return;
        }
        std::fprintf(stderr, "watchdog: a dialog is stuck; ending the test program\n");
        std::fflush(stderr);
        // Not ExitProcess: nothing of the stuck process may run on the way out.
        TerminateProcess(GetCurrentProcess(), 3);
    });
    call();
    SetEvent(returned);
    helper.join();
    CloseHandle(returned);
    return driver.failures();
}

namespace {

// The last line of defence: whatever hangs, in a dialog or outside one, the
// program ends with exit code 3 after ten minutes instead of hanging the run.
class ProgramWatchdog : public ::testing::Environment {
public:
    void SetUp() override {
        done_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        thread_ = std::make_unique<TestThread>([this] {
            if (WaitForSingleObject(done_, 600000) == WAIT_OBJECT_0) return;
            std::fprintf(stderr, "watchdog: the dialog tests did not finish in ten minutes\n");
            std::fflush(stderr);
            TerminateProcess(GetCurrentProcess(), 3);
        });
    }
    void TearDown() override {
        SetEvent(done_);
        thread_->join();
        CloseHandle(done_);
    }

private:
    HANDLE done_ = nullptr;
    std::unique_ptr<TestThread> thread_;
};

::testing::Environment* const g_programWatchdog = ::testing::AddGlobalTestEnvironment(new ProgramWatchdog);

}  // namespace

}  // namespace kypcx_test
