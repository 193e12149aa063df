// SelectPCXDlgProc: the dialog procedure of CHOOSE_PCX. The edit field takes
// a 1-based item number; OK accepts 1..N and ends the dialog with 1, anything
// else is answered with a message box and the dialog stays open. The dialog's
// texts are formatted in a small block kept in the calling thread's state.
#include <windows.h>

#include <cwchar>

#include "KyPCX.h"
#include "dcx/ItemDialog.h"
#include "frame/HandleGuards.h"
#include "frame/PcxThreadState.h"

namespace {

constexpr SIZE_T kDialogTextChars = 80;

DcxChooserParams* ParamsOf(HWND window) {
    return reinterpret_cast<DcxChooserParams*>(GetWindowLongPtrW(window, DWLP_USER));
}

// Allocates and locks the thread's text block; FALSE when either fails.
BOOL TakeDialogText(PcxThreadState* state) {
    void* text = nullptr;
    state->dialogTextHandle = AllocLockedGlobal(GMEM_MOVEABLE | GMEM_ZEROINIT, kDialogTextChars * sizeof(WCHAR), &text);
    state->dialogText = static_cast<WCHAR*>(text);
    return state->dialogTextHandle != nullptr;
}

void ReleaseDialogText(PcxThreadState* state) {
    FreeLockedGlobal(state->dialogTextHandle);
    state->dialogTextHandle = nullptr;
    state->dialogText = nullptr;
}

// Shows a refusal over the dialog and puts the user back in the edit field.
void Refuse(HWND window, const WCHAR* text) {
    MessageBoxW(window, text, nullptr, MB_OK);
    SetFocus(GetDlgItem(window, kItemNumberEditId));
}

BOOL OnInitDialog(HWND window, DcxChooserParams* params) {
    SetWindowLongPtrW(window, DWLP_USER, reinterpret_cast<LONG_PTR>(params));
    PcxThreadState* state = GetPcxThreadState();
    if (!TakeDialogText(state)) return FALSE;
    SendDlgItemMessageW(window, kItemNumberEditId, EM_LIMITTEXT, kItemNumberMaxDigits, 0);
    std::swprintf(state->dialogText, kDialogTextChars, L"%u):", static_cast<unsigned>(params->itemCount));
    SetDlgItemTextW(window, kItemNumberEditId, L"1");
    SetDlgItemTextW(window, kItemCountStaticId, state->dialogText);
    // TRUE: the system gives the focus to the first tab stop, the edit field.
    return TRUE;
}

void OnOk(HWND window) {
    DcxChooserParams* params = ParamsOf(window);
    PcxThreadState* state = GetPcxThreadState();
    BOOL translated = FALSE;
    const UINT number = GetDlgItemInt(window, kItemNumberEditId, &translated, FALSE);
    if (number == 0 && !translated) {
        Refuse(window, L"You must type in a number !");
        return;
    }
    if (number >= 1 && number <= params->itemCount) {
        ReleaseDialogText(state);
        params->itemCount = number;
        EndDialog(window, 1);
        return;
    }
    WCHAR fallback[kDialogTextChars];
    WCHAR* text = state->dialogText != nullptr ? state->dialogText : fallback;
    std::swprintf(text, kDialogTextChars, L"DCX file contains %u PCX images!",
                  static_cast<unsigned>(params->itemCount));
    Refuse(window, text);
}

}  // namespace

extern "C" INT_PTR CALLBACK SelectPCXDlgProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog(window, reinterpret_cast<DcxChooserParams*>(lParam));
    case WM_COMMAND:
        if (ParamsOf(window) == nullptr) return FALSE;
        if (LOWORD(wParam) == IDOK) {
            OnOk(window);
            return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL) {
            ReleaseDialogText(GetPcxThreadState());
            EndDialog(window, 0);
            return TRUE;
        }
        return FALSE;
    case WM_DESTROY:
        // A dialog ended some other way (its owner destroyed) still gives
        // its text block back.
        ReleaseDialogText(GetPcxThreadState());
        return FALSE;
    default:
        return FALSE;
    }
}
