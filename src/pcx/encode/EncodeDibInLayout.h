// Writing a DIB in a layout of the caller's choice: the one the classic
// saves write, the smallest one that gives the picture back exactly, or one
// named by its planes and bits per pixel; lines run-length coded or stored.
#pragma once

#include <windows.h>

#include "KyPCX.h"
#include "kypcx/pcx_layout_choice.h"
#include "kypcx/status.h"
#include "pcx/encode/WritePcxImage.h"

struct DibSaveChoice {
    enum class Layout { Classic, Smallest, Named };
    Layout layout = Layout::Classic;
    kypcx::PcxLayout named;    // for Named
    bool storedLines = false;  // encoding 0
    bool dcxPage = false;      // a new page of a DCX file, not a PCX file
};

// Reads the flags of SavePCXImageW; UndecodableLayout for a choice that is
// none, a named layout the layout readers do not read, or reserved bits.
kypcx::Status ReadDibSaveFlags(DWORD flags, DibSaveChoice* choice);

// As EncodeDibToPcx, in the chosen layout. Statuses beyond EncodeDibToPcx's:
// PictureDoesNotFit (a named indexed layout with fewer colours than the
// picture), UndecodableLayout, ImageTooLarge.
kypcx::Status EncodeDibInLayout(HGLOBAL dib, HANDLE file, BOOL append, PcxDibLineCallback callback,
                                const DibSaveChoice& choice, ULONGLONG endLimit = kNoImageEndLimit);
