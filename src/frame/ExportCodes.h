// The exports' side of the vocabulary of failures: the code a caller is
// shown for a status. One table for every export; a group of exports that
// reports an event with another code than the rest has its own column, so
// the difference is written once, here, and nowhere else.
#pragma once

#include "KyPcxTypes.h"
#include "kypcx/status.h"

// Groups of exports whose codes differ from the common ones.
enum class ExportGroup {
    Common,
    // Adding a PCX file through a copy of the DCX file: every directory it
    // cannot add to is "no such item to be made" (21).
    DcxAddThroughCopy,
    // The DIB decoders (LoadPCXIntoDIBW, LoadPCXImageW and their kin): a
    // fresh DIB block that cannot be locked is memory that cannot be had (12).
    DibDecode,
    // LoadPCXIntoBitmapFromMemory: a line function that answers FALSE leaves
    // a bitmap that could not be made whole (6), not a stop by the user.
    MemoryBitmapDecode,
};

// The code for `status` in exports of `group`; PCX_OK for Status::Ok.
PcxErrorCode ExportCodeOf(kypcx::Status status, ExportGroup group = ExportGroup::Common);
