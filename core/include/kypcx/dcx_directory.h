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

#include "KyPcxTypes.h"

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
// PCX_OK or PCX_ERR_NO_ITEM (21).
PcxErrorCode CheckDcxEntryNumber(const DcxDirectory& directory, uint32_t n);

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
    bool listed = false;  // false: the index lies behind the end of the list
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
//   - an item that begins inside the directory words in use, or whose next
//     entry holds its own start (an item of no bytes): 23;
//   - an item that begins past the end of the file, whose end lies past it,
//     or that cannot hold its 128-byte header: 18;
//   - index 1022 or above, or an entry beyond B, for the item or for its end
//     lookup: 21. The item in entry 1022 (index 1021) makes no end lookup.
//     With `headerOnly` the end lookup's entry number is not checked: a
//     reader of the header alone asks for no further entry.
// The magic is not looked at here. Returns PCX_OK with extent->listed false,
// and nothing else checked, when the item is behind the end of the list.
PcxErrorCode FindDcxItemExtent(const DcxDirectory& directory, uint32_t index, uint64_t fileLength,
                               DcxItemExtent* extent, bool headerOnly = false);

// Whether a file with this directory may have items added or deleted: it is
// at least 4096 bytes long (else 18), no longer than kDcxMaxFileLength (else
// 18), and its listed offsets begin at 4096 or later, ascend strictly and lie
// inside the file (else 23). A directory that fails would have its entries
// written into a page's bytes, move bytes that belong to no page, or lose
// what lies past 4 GiB, so writers refuse it and leave the file alone.
PcxErrorCode CheckDcxLayoutForWriting(const DcxDirectory& directory, uint64_t fileLength);

// How an item is added, which decides the codes of a refusal.
enum class DcxAddRoute {
    InPlace,      // an image encoded onto the end of the DCX file itself
    ThroughCopy,  // a PCX file copied behind a copy of the DCX file
};

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
// `directory` (read once, and every decision taken from this copy).
//
// The two routes answer a directory they cannot add to differently, as
// callers have always seen them do:
//   - InPlace: 22 wrong magic; 18 a file shorter than the directory; 25 no
//     empty entry within the scan limit (a full table).
//   - ThroughCopy: 21 for all three, "no such item to be made": the copy
//     route reports any directory it cannot find an empty entry in as 21.
// Both: 18 a file longer than kDcxMaxFileLength, or one so long that not even
// a header fits behind it; 23 offsets out of order or outside the file
// (CheckDcxLayoutForWriting). PCX_OK with `plan` filled otherwise.
PcxErrorCode PlanDcxItemAdd(const DcxDirectory& directory, uint64_t fileLength, DcxAddRoute route,
                            DcxAddPlan* plan);

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
// the last item (the item in entry 1022 of a full table included). Codes in
// order: 21 for every way the item cannot be found (a wrong magic, a file
// shorter than the directory, index above 1021, an item behind the end of
// the list, its entry or its end lookup's entry beyond B); then the codes of
// CheckDcxLayoutForWriting (18 a file past kDcxMaxFileLength, 23 offsets out
// of order); PCX_OK with `plan` filled otherwise.
PcxErrorCode PlanDcxItemDelete(const DcxDirectory& directory, uint64_t fileLength, uint32_t index,
                               DcxDeletePlan* plan);

}  // namespace kypcx
