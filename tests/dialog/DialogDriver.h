// Driving the library's modal dialogs as a user would, from a helper thread
// while the test's thread sits inside the export: find the dialog, read its
// texts, type into its edit field, press its buttons, read and dismiss the
// message boxes over it. A watchdog ends the program if the export never
// returns, so that a stuck dialog fails the run instead of hanging it.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace kypcx_test {

class DialogDriver {
public:
    // The thread whose dialogs are driven.
    explicit DialogDriver(DWORD targetThread) : thread_(targetThread) {}

    // The page picker of the thread (a dialog with the number field), or null
    // after the timeout.
    HWND WaitForPicker(DWORD timeoutMs = 20000);
    // A message box owned by `owner`, or null after the timeout.
    HWND WaitForMessageBox(HWND owner, DWORD timeoutMs = 20000);
    // Any dialog-class window of the thread (null if none appears in time).
    HWND WaitForAnyDialog(DWORD timeoutMs);
    bool WaitGone(HWND window, DWORD timeoutMs = 20000);

    static std::wstring Text(HWND window);
    static std::wstring ItemText(HWND dialog, int id) { return Text(GetDlgItem(dialog, id)); }
    // The text of a message box (waiting briefly for it to be filled in).
    static std::wstring MessageBoxText(HWND box);

    // Selects all of the edit field, deletes it, and types `text` key by key.
    void Type(HWND dialog, int editId, const std::wstring& text);
    // Clicks a button; the click is posted, as a mouse click would be queued.
    void Press(HWND dialog, int buttonId);
    // Waits for a message box over `owner`, returns its text and presses OK.
    std::wstring DismissMessageBox(HWND owner);
    // The window that has the keyboard focus in the target thread.
    HWND Focus() const;
    // Whether `window` has (or within the timeout gets) the keyboard focus.
    bool WaitForFocus(HWND window, DWORD timeoutMs = 5000) const;

    void Fail(const std::string& what) { failures_.push_back(what); }
    const std::vector<std::string>& failures() const { return failures_; }

    // Asks every dialog of the thread to cancel (the rescue after a failure).
    void CancelEverything();

private:
    DWORD thread_;
    std::vector<std::string> failures_;
};

// Runs `call` on the calling thread while `script` drives its dialogs from a
// helper thread. The script's failures come back as the result. If `call`
// has not returned 30 seconds after the script ended, every dialog is asked
// to cancel; after another 15 seconds the program ends with exit code 3.
std::vector<std::string> RunWithDialogScript(const std::function<void()>& call,
                                             const std::function<void(DialogDriver&)>& script);

}  // namespace kypcx_test
