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
    // The classic readers of one DCX page (LoadDCXItemToBitmapW and its kin,
    // PutDCXItemToClipboardW, ReadDCXItemPaletteW, DCXItemInfoW): a page
    // behind the end of the list is reported by their result alone, with the
    // code left at 1.
    DcxPageRead,
    // Adding a PCX file through a copy of the DCX file: every directory it
    // finds no empty entry in, or cannot read whole, is "no such item to be
    // made" (21).
    DcxAddThroughCopy,
    // Deleting an item: every way of not finding it (a directory that cannot
    // be read whole, a wrong magic) is "no such item" (21).
    DcxDelete,
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

// The code for `status` in exports of `group`: PCX_OK for Status::Ok, and
// for the one failure DcxPageRead reports by its result alone.
PcxErrorCode ExportCodeOf(kypcx::Status status, ExportGroup group = ExportGroup::Common);

// Writes the code for `status` to `code` and answers whether it is Ok: the
// last step of an export that reports a status.
inline bool ReportExportCode(kypcx::Status status, PcxErrorCode* code, ExportGroup group = ExportGroup::Common) {
    *code = ExportCodeOf(status, group);
    return status == kypcx::Status::Ok;
}
