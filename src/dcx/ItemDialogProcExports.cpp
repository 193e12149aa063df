// SelectPCXDlgProc: the dialog procedure of CHOOSE_PCX. The edit field takes
// a 1-based item number; OK accepts 1..N and ends the dialog with 1, anything
// else is answered with a message box and the dialog stays open. Each dialog
// formats its texts in a small block of its own, which the calling thread's
// state points at while the dialog is the thread's newest.
#include <windows.h>

#include <cwchar>

#include "KyPCX.h"
#include "dcx/ItemDialog.h"
#include "frame/PcxThreadState.h"
#include "win/HandleGuards.h"

namespace {

constexpr SIZE_T kDialogTextChars = 80;

DcxChooserParams* ParamsOf(HWND window) {
    return reinterpret_cast<DcxChooserParams*>(GetWindowLongPtrW(window, DWLP_USER));
}

// Each open dialog owns its text block, kept with its window. The thread's
// state points at the block of the dialog opened last on the thread; a
// dialog opened over another (from its owner window) remembers the outer
// one's block and points the thread's state back at it when it ends, so
// neither block is lost or shared.
constexpr wchar_t kTextProperty[] = L"KyPCX.ItemDialogText";

struct DialogText {
    HGLOBAL handle;       // this dialog's block, locked at `text`
    WCHAR* text;
    HGLOBAL outerHandle;  // the thread's block when this dialog opened
    WCHAR* outerText;
};

DialogText* TextOf(HWND window) { return static_cast<DialogText*>(GetPropW(window, kTextProperty)); }

// Allocates and locks the dialog's own text block; FALSE when that fails.
BOOL TakeDialogText(HWND window, PcxThreadState* state) {
    auto* own = static_cast<DialogText*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(DialogText)));
    if (own == nullptr) return FALSE;
    void* text = nullptr;
    own->handle = AllocLockedGlobal(GMEM_MOVEABLE | GMEM_ZEROINIT, kDialogTextChars * sizeof(WCHAR), &text);
    if (own->handle == nullptr || !SetPropW(window, kTextProperty, own)) {
        FreeLockedGlobal(own->handle);
        HeapFree(GetProcessHeap(), 0, own);
        return FALSE;
    }
    own->text = static_cast<WCHAR*>(text);
    own->outerHandle = state->dialogTextHandle;
    own->outerText = state->dialogText;
    state->dialogTextHandle = own->handle;
    state->dialogText = own->text;
    return TRUE;
}

// A dialog still open over the one that ends may remember the ending one's
// block as its outer block: it gets the ending one's outer block instead.
struct OuterBlockPatch {
    const DialogText* ending;
};

BOOL CALLBACK PatchOuterBlock(HWND window, LPARAM context) {
    const DialogText* ending = reinterpret_cast<OuterBlockPatch*>(context)->ending;
    DialogText* text = TextOf(window);
    if (text != nullptr && text != ending && text->outerHandle == ending->handle) {
        text->outerHandle = ending->outerHandle;
        text->outerText = ending->outerText;
    }
    return TRUE;
}

// Gives the dialog's block back (once; later calls find nothing to free).
void ReleaseDialogText(HWND window, PcxThreadState* state) {
    auto* own = static_cast<DialogText*>(RemovePropW(window, kTextProperty));
    if (own == nullptr) return;
    if (state->dialogTextHandle == own->handle) {
        state->dialogTextHandle = own->outerHandle;
        state->dialogText = own->outerText;
    } else {
        OuterBlockPatch patch{own};
        EnumThreadWindows(GetCurrentThreadId(), PatchOuterBlock, reinterpret_cast<LPARAM>(&patch));
    }
    FreeLockedGlobal(own->handle);
    HeapFree(GetProcessHeap(), 0, own);
}

// Shows a refusal over the dialog and puts the user back in the edit field.
void Refuse(HWND window, const WCHAR* text) {
    MessageBoxW(window, text, nullptr, MB_OK);
    SetFocus(GetDlgItem(window, kItemNumberEditId));
}

BOOL OnInitDialog(HWND window, DcxChooserParams* params) {
    SetWindowLongPtrW(window, DWLP_USER, reinterpret_cast<LONG_PTR>(params));
    if (!TakeDialogText(window, GetPcxThreadState())) return FALSE;
    WCHAR* text = TextOf(window)->text;
    SendDlgItemMessageW(window, kItemNumberEditId, EM_LIMITTEXT, kItemNumberMaxDigits, 0);
    std::swprintf(text, kDialogTextChars, L"%u):", static_cast<unsigned>(params->itemCount));
    SetDlgItemTextW(window, kItemNumberEditId, L"1");
    SetDlgItemTextW(window, kItemCountStaticId, text);
    // TRUE: the system gives the focus to the first tab stop, the edit field.
    return TRUE;
}

void OnOk(HWND window) {
    DcxChooserParams* params = ParamsOf(window);
    BOOL translated = FALSE;
    const UINT number = GetDlgItemInt(window, kItemNumberEditId, &translated, FALSE);
    if (number == 0 && !translated) {
        Refuse(window, L"You must type in a number !");
        return;
    }
    if (number >= 1 && number <= params->itemCount) {
        ReleaseDialogText(window, GetPcxThreadState());
        params->itemCount = number;
        EndDialog(window, 1);
        return;
    }
    WCHAR fallback[kDialogTextChars];
    DialogText* own = TextOf(window);
    WCHAR* text = own != nullptr ? own->text : fallback;
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
            ReleaseDialogText(window, GetPcxThreadState());
            EndDialog(window, 0);
            return TRUE;
        }
        return FALSE;
    case WM_DESTROY:
        // A dialog ended some other way (its owner destroyed) still gives
        // its text block back.
        ReleaseDialogText(window, GetPcxThreadState());
        return FALSE;
    default:
        return FALSE;
    }
}
