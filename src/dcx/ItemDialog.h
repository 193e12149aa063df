// The page-picker dialog's shared pieces: the parameter block handed to the
// CHOOSE_PCX dialog and its control ids.
#pragma once

#include <windows.h>

#include "KyPCX.h"

// DcxChooserParams, the block handed to the dialog as its creation
// parameter, is declared in KyPCX.h for callers that run the dialog
// themselves; the dialog keeps its address with its window for its whole
// life, so dialogs on different threads never see each other's block.

constexpr int kItemNumberEditId = 101;   // where the user types the number
constexpr int kItemCountStaticId = 100;  // shows "N):"
constexpr int kItemNumberMaxDigits = 4;  // a DCX file holds at most 1022 items
