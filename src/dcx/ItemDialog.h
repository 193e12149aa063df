// The page-picker dialog's shared pieces: the parameter block handed to the
// CHOOSE_PCX dialog, its control ids, and the chooser the exports call.
#pragma once

#include <windows.h>

#include "KyPcxTypes.h"

// Handed to the dialog as its creation parameter and kept with the dialog
// window for its whole life, so dialogs on different threads never see each
// other's block. A whole pointer, so that 64-bit builds hold it too.
struct DcxChooserParams {
    LPCWSTR path;     // the DCX file, as the caller gave it
    DWORD itemCount;  // in: N, the number of items; out: the number chosen, 1..N
};

constexpr int kItemNumberEditId = 101;   // where the user types the number
constexpr int kItemCountStaticId = 100;  // shows "N):"
constexpr int kItemNumberMaxDigits = 4;  // a DCX file holds at most 1022 items

// How ChooseDcxItem ended.
enum class ItemChoice { Chosen, Cancelled, Failed };

// Counts the items, shows the dialog and returns the 1-based number chosen
// with OK in *number (0 otherwise). Failed: no items, an unreadable file or
// one whose first item cannot be read (28), or the parameter block could not be had (12, 11); the code is set.
// Cancelled: the user cancelled (or the dialog could not be shown); the code
// is untouched.
ItemChoice ChooseDcxItem(LPCWSTR path, PcxErrorCode* code, DWORD* number);
