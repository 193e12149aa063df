// The DCX container's directory, portably: the magic, the 1023 entries, the
// bound B, the list of items, where an item's bytes lie, and the layout of a
// file after one item is deleted. The Win32 side reads the first 4096 bytes
// of a file into a DcxDirectory and asks these routines; they never touch a
// file themselves, so they are tested and fuzzed natively.
//
// File layout (all integers little-endian):
//   bytes 0..3       the magic 987654321
//   bytes 4n..4n+3   entry n (n = 1..1023): the absolute offset of item n, 0 = empty
//   4096..           the items, each a whole PCX image, back to back
// The list of items is the unbroken run of non-zero entries from entry 1.
// At the exported interface item index i lives in entry i + 1.
#pragma once

#include <cstddef>
#include <cstdint>

#include "kypcx/status.h"

namespace kypcx {

constexpr uint32_t kDcxMagic = 987654321;          // 0x3ADE68B1: file bytes B1 68 DE 3A
constexpr uint32_t kDcxDirectorySize = 4096;       // the magic and entries 1..1023
constexpr uint32_t kDcxDirectoryWords = kDcxDirectorySize / 4;
constexpr uint32_t kDcxLastUsableEntry = 1022;     // entry 1023 is never written: always 0
constexpr uint32_t kDcxMaxItems = kDcxLastUsableEntry;
// The longest file whose every byte a 32-bit directory entry can reach. A
// longer file can list nothing behind this, so items are never added to it
// or deleted from it; its listed items are still read.
constexpr uint64_t kDcxMaxFileLength = 0xFFFFFFFFu;

uint32_t ReadLe32(const uint8_t* bytes);
void WriteLe32(uint8_t* bytes, uint32_t value);

// A directory in memory: words[0] is the magic, words[n] entry n.
struct DcxDirectory {
    uint32_t words[kDcxDirectoryWords];
};

// Fills `directory` from the first `size` bytes of a file (at most 4096 are
// used); words the bytes do not reach are zero, as after a short read.
void LoadDcxDirectory(const uint8_t* bytes, size_t size, DcxDirectory* directory);
// Writes the 4096 file bytes of a directory.
void StoreDcxDirectory(const DcxDirectory& directory, uint8_t* bytes);
// The directory of a new DCX file: the magic and 1023 empty entries.
void MakeEmptyDcxDirectory(DcxDirectory* directory);

bool HasDcxMagic(const DcxDirectory& directory);

// Bound B: entry 2 taken as a signed 32-bit number, divided by 4 (toward
// zero), minus 1. Exists only while entry 2 is non-zero; returns false then.
// In files laid out as the library writes them entry 2 is 0 or at least
// 4096, so B is at least 1023 and only the limit 1022 acts.
bool GetDcxBound(const DcxDirectory& directory, int32_t* bound);

// Whether entry n may be read or written: n in 1..1022 and, while B exists,
// n not above B compared as unsigned numbers (a negative B rejects nothing).
// Ok or NoSuchItem.
Status CheckDcxEntryNumber(const DcxDirectory& directory, uint32_t n);

// The scan limit of the search for an empty entry: 1022, or B when
// 0 <= B < 1022 (so B = 0 scans nothing).
uint32_t DcxScanLimit(const DcxDirectory& directory);

// The number (1..limit) of the first empty entry within the scan limit, or
// 0 when entries 1..limit are all in use.
uint32_t FindFirstEmptyDcxEntry(const DcxDirectory& directory);

// Entry n (1..1023) when entries 1..n are all non-zero, that is when entry n
// is in the list; otherwise 0. Does not apply the range check.
uint32_t ListedDcxEntry(const DcxDirectory& directory, uint32_t n);

// How many items the directory lists: the first empty entry minus 1, or the
// whole scan limit when every entry within it is in use (1022 for a full
// table).
uint32_t CountDcxItems(const DcxDirectory& directory);

// Where item `index` lies: its header at `start`, its last byte at end - 1.
struct DcxItemExtent {
    uint32_t start = 0;
    uint64_t end = 0;     // the last item of a file past 4 GiB ends past 4 GiB
};

// The extent of item `index` in a file of `fileLength` bytes, as every
// reader of items finds it. Well-formed files give the start from entry
// index + 1 and the end from entry index + 2, or the file's length for the
// last item (so for the item in entry 1022 of a full table, which has no
// entry behind it). Directories of other writers, or damaged ones, are read
// so that an item never yields bytes of another listed item:
//   - the end is the nearest listed offset above the start (the file's
//     length when none), so offsets out of order still give each item its
//     own bytes; entry 1023 is never listed and so never an end, even where
//     another writer filled it;
//   - ItemOverlapsDirectory: an item that begins inside the directory words
//     in use; ItemOffsetsOutOfOrder: its next entry holds its own start (an
//     item of no bytes);
//   - ItemPastFileEnd: an item that begins past the end of the file or
//     whose end lies past it; ItemShorterThanHeader: one that cannot hold
//     its 128-byte header;
//   - NoSuchItem: index 1022 or above, or an entry beyond B, for the item or
//     for its end lookup. The item in entry 1022 (index 1021) makes no end
//     lookup. With `headerOnly` the end lookup's entry number is not
//     checked: a reader of the header alone asks for no further entry.
// The magic is not looked at here. ItemNotListed, with nothing else
// checked, when the item is behind the end of the list; the extent is
// filled only with Ok.
Status FindDcxItemExtent(const DcxDirectory& directory, uint32_t index, uint64_t fileLength, DcxItemExtent* extent,
                         bool headerOnly = false);

// Whether a file with this directory may have items added or deleted: it is
// at least 4096 bytes long (else DirectoryCutShort), no longer than
// kDcxMaxFileLength (else DcxTooLong), and its listed offsets begin at 4096
// or later (else ItemOverlapsDirectory), ascend strictly and lie inside the
// file (else ItemOffsetsOutOfOrder). A directory that fails would have its
// entries written into a page's bytes, move bytes that belong to no page, or
// lose what lies past 4 GiB, so writers refuse it and leave the file alone.
Status CheckDcxLayoutForWriting(const DcxDirectory& directory, uint64_t fileLength);

// Adding one item at the end of a file: where it goes and what is written.
struct DcxAddPlan {
    uint32_t entry = 0;     // k, the first empty entry: it will hold `start`
    uint32_t start = 0;     // the old file length, where the new item begins
    bool endsList = false;  // entry k + 1 is set to 0 (not for k = 1022:
                            // entry 1023 is never written)
    uint32_t room = 0;      // the most bytes the new item may take, so that
                            // the new file stays within kDcxMaxFileLength
};

// Plans adding an item to a file of `fileLength` bytes whose directory is
// `directory` (read once, and every decision taken from this copy). In
// order: NotDcx (a wrong magic), DirectoryCutShort (a file shorter than the
// directory), the statuses of CheckDcxLayoutForWriting, DcxTooLong (a file
// so long that not even a header fits behind it), DirectoryFull (no empty
// entry within the scan limit); Ok with `plan` filled otherwise. Which code
// each adding export shows for these is the exports' business.
Status PlanDcxItemAdd(const DcxDirectory& directory, uint64_t fileLength, DcxAddPlan* plan);

// The file that deleting one item leaves, described from the old one:
//   bytes 0..4095          `directory`: entries before `entry` unchanged, the
//                          later ones one slot lower and lowered by
//                          `removed` up to the end of the list, entry 1023 = 0
//   4096..start-1          the old bytes 4096..start-1 (items before it)
//   start..newLength-1     the old bytes end..oldLength-1 (items after it)
struct DcxDeletePlan {
    uint32_t entry = 0;    // index + 1
    uint32_t start = 0;    // the deleted item's bytes in the old file
    uint32_t end = 0;
    uint32_t removed = 0;  // end - start
    uint32_t newLength = 0;
    DcxDirectory directory;
};

// Plans deleting item `index` from a file of `fileLength` bytes whose
// directory is `directory`. The item ends where FindDcxItemExtent ends it in
// a well-formed file: at the next entry's offset, or at the file's length for
// the last item (the item in entry 1022 of a full table included). In order:
// the ways the item cannot be found (NotDcx, DirectoryCutShort, NoSuchItem
// for an index above 1021, ItemNotListed, NoSuchItem for its entry or its
// end lookup's entry beyond B); then the statuses of
// CheckDcxLayoutForWriting; Ok with `plan` filled otherwise.
Status PlanDcxItemDelete(const DcxDirectory& directory, uint64_t fileLength, uint32_t index, DcxDeletePlan* plan);

}  // namespace kypcx
