// SelectDCXItemW/A, LoadDCXImageW/A and DelDCXImageW/A: let the user pick a
// page of a DCX file in the CHOOSE_PCX dialog, then load or delete it. The
// dialog alone numbers pages from 1; the item operations get number - 1.
#include <windows.h>

#include "KyPCX.h"
#include "dcx/DcxDirectory.h"
#include "dcx/ItemDialog.h"
#include "frame/AnsiEntry.h"
#include "frame/ErrorSlot.h"
#include "frame/ExportCodes.h"
#include "frame/PcxThreadState.h"
#include "win/HandleGuards.h"

namespace {

// The modal dialog, owned by the calling thread's active window; its result
// (1 after OK, 0 after Cancel, -1 when it cannot be shown).
INT_PTR ShowItemDialog(LPCWSTR templateName, DLGPROC procedure, LPARAM parameter) {
    return DialogBoxParamW(GetKyPcxInstance(), templateName, GetActiveWindow(), procedure, parameter);
}

// The message of a failure code, in the library's message box.
void ShowCodeMessage(PcxErrorCode* code) { GetPCXErrorString(nullptr, code); }

// How ChooseDcxItem ended.
enum class ItemChoice { Chosen, Cancelled, Failed };

// Counts the items, shows the dialog and returns the 1-based number chosen
// with OK in *number (0 otherwise). Failed: no items, an unreadable file or
// one whose first item cannot be read (NoItems), or the parameter block
// could not be had (NoWorkingMemory, LockFailed); the code is set.
// Cancelled: the user cancelled (or the dialog could not be shown); the code
// is untouched.
ItemChoice ChooseDcxItem(LPCWSTR path, PcxErrorCode* code, DWORD* number) {
    *number = 0;
    const auto fail = [code](kypcx::Status status) {
        *code = ExportCodeOf(status);
        return ItemChoice::Failed;
    };
    const DWORD count = GetDCXInfoW(path, code);
    // A missing or foreign file reports this too: there is nothing to pick.
    // So does a file cut short before its first page, whose directory still
    // lists pages that are not there. What the first page holds is not
    // looked at: a non-RGB page has its colour-space code where other pages
    // have their encoding, and a page the user deletes need not be one this
    // library decodes.
    ImageLocation firstPage;
    if (count == 0 || LocateDcxItem(path, 0, &firstPage, true) != kypcx::Status::Ok)
        return fail(kypcx::Status::NoItems);
    ScopedGlobal block(GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DcxChooserParams)));
    if (!block) return fail(kypcx::Status::NoWorkingMemory);
    ScopedGlobalLock lock(block.get());
    auto* params = lock.as<DcxChooserParams>();
    if (params == nullptr) return fail(kypcx::Status::LockFailed);
    params->path = path;
    params->itemCount = count;
    const INT_PTR result = ShowItemDialog(L"CHOOSE_PCX", SelectPCXDlgProc, reinterpret_cast<LPARAM>(params));
    if (result != 1) return ItemChoice::Cancelled;
    *number = params->itemCount;
    return ItemChoice::Chosen;
}

// The chooser for the operations that act on the chosen item: true with the
// 1-based number when the user chose one; false after a cancel, or after a
// failure, which is shown to the user in the library's message box.
bool PickDcxItem(LPCWSTR path, PcxErrorCode* code, DWORD* number) {
    switch (ChooseDcxItem(path, code, number)) {
    case ItemChoice::Failed:
        ShowCodeMessage(code);
        return false;
    case ItemChoice::Cancelled:
        // The user chose not to go on: nothing to report.
        return false;
    case ItemChoice::Chosen:
        break;
    }
    return true;
}

}  // namespace

extern "C" UINT WINAPI SelectDCXItemW(LPCWSTR path, PcxErrorCode* error) {
    ErrorSlot slot(error);
    PcxErrorCode* code = slot.get();
    DWORD number;
    ChooseDcxItem(path, code, &number);
    return number;
}

extern "C" UINT WINAPI SelectDCXItemA(LPCSTR path, PcxErrorCode* code) {
    return CallWithWidePath(SelectDCXItemW, path, code);
}

extern "C" HBITMAP WINAPI LoadDCXImageW(LPCWSTR path, PcxErrorCode* error) {
    ErrorSlot slot(error);
    PcxErrorCode* code = slot.get();
    DWORD number;
    if (!PickDcxItem(path, code, &number)) return nullptr;
    return LoadDCXItemToBitmapW(path, number - 1, code, nullptr);
}

extern "C" HBITMAP WINAPI LoadDCXImageA(LPCSTR path, PcxErrorCode* code) {
    return CallWithWidePath(LoadDCXImageW, path, code);
}

extern "C" int WINAPI DelDCXImageW(LPCWSTR path, PcxErrorCode* error) {
    ErrorSlot slot(error);
    PcxErrorCode* code = slot.get();
    DWORD number;
    if (!PickDcxItem(path, code, &number)) return 0;
    // The deletion follows the OK at once, as the user asked.
    return DelItemFromDCXFileW(path, number - 1, code) ? 1 : 0;
}

extern "C" int WINAPI DelDCXImageA(LPCSTR path, PcxErrorCode* code) {
    return CallWithWidePath(DelDCXImageW, path, code);
}
