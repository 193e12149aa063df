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
    // Encoding an image as a new item at the end of a DCX file (the adds and
    // the DCX saves): whatever stopped the encoding (a line function, a DIB
    // that is none, the 4 GiB limit, a failed write), the item could not be
    // written, which they report as a file error (18).
    DcxItemEncoding,
    // Appending a bitmap's lines to a PCX file: an 8-bit file too short to
    // hold the 256-colour trailer it should end in is reported as 12.
    AppendToPcxFile,
    // The DIB decoders (LoadPCXIntoDIBW, LoadPCXImageW and their kin): a
    // fresh DIB block that cannot be locked is memory that cannot be had (12).
    DibDecode,
    // LoadPCXIntoBitmapFromMemory: a line function that answers FALSE leaves
    // a bitmap that could not be made whole (6), not a stop by the user.
    MemoryBitmapDecode,
};

// The code for `status` in exports of `group`; PCX_OK for Status::Ok.
PcxErrorCode ExportCodeOf(kypcx::Status status, ExportGroup group = ExportGroup::Common);

// Writes the code for `status` to `code` and answers whether it is Ok: the
// last step of an export that reports a status.
inline bool ReportExportCode(kypcx::Status status, PcxErrorCode* code, ExportGroup group = ExportGroup::Common) {
    *code = ExportCodeOf(status, group);
    return status == kypcx::Status::Ok;
}
