// The page-picker dialog's shared pieces: the parameter block handed to the
// CHOOSE_PCX dialog and its control ids.
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
