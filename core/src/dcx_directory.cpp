// The DCX directory's rules: entries, bound B, the list, item extents and
// the layout a delete leaves.
#include "kypcx/dcx_directory.h"

#include <cstring>

#include "kypcx/pcx_format.h"

namespace kypcx {

uint32_t ReadLe32(const uint8_t* bytes) {
    return uint32_t{bytes[0]} | uint32_t{bytes[1]} << 8 | uint32_t{bytes[2]} << 16 | uint32_t{bytes[3]} << 24;
}

void WriteLe32(uint8_t* bytes, uint32_t value) {
    bytes[0] = static_cast<uint8_t>(value);
    bytes[1] = static_cast<uint8_t>(value >> 8);
    bytes[2] = static_cast<uint8_t>(value >> 16);
    bytes[3] = static_cast<uint8_t>(value >> 24);
}

void LoadDcxDirectory(const uint8_t* bytes, size_t size, DcxDirectory* directory) {
    uint8_t block[kDcxDirectorySize] = {};
    if (size > kDcxDirectorySize) size = kDcxDirectorySize;
    if (size > 0) std::memcpy(block, bytes, size);
    for (uint32_t n = 0; n < kDcxDirectoryWords; ++n) directory->words[n] = ReadLe32(block + 4 * n);
}

void StoreDcxDirectory(const DcxDirectory& directory, uint8_t* bytes) {
    for (uint32_t n = 0; n < kDcxDirectoryWords; ++n) WriteLe32(bytes + 4 * n, directory.words[n]);
}

void MakeEmptyDcxDirectory(DcxDirectory* directory) {
    std::memset(directory->words, 0, sizeof directory->words);
    directory->words[0] = kDcxMagic;
}

bool HasDcxMagic(const DcxDirectory& directory) { return directory.words[0] == kDcxMagic; }

bool GetDcxBound(const DcxDirectory& directory, int32_t* bound) {
    const uint32_t entry2 = directory.words[2];
    if (entry2 == 0) return false;
    *bound = static_cast<int32_t>(entry2) / 4 - 1;
    return true;
}

Status CheckDcxEntryNumber(const DcxDirectory& directory, uint32_t n) {
    if (n == 0 || n > kDcxLastUsableEntry) return Status::NoSuchItem;
    int32_t bound = 0;
    if (GetDcxBound(directory, &bound) && n > static_cast<uint32_t>(bound)) return Status::NoSuchItem;
    return Status::Ok;
}

uint32_t DcxScanLimit(const DcxDirectory& directory) {
    int32_t bound = 0;
    if (GetDcxBound(directory, &bound) && bound >= 0 && bound < static_cast<int32_t>(kDcxLastUsableEntry)) {
        return static_cast<uint32_t>(bound);
    }
    return kDcxLastUsableEntry;
}

uint32_t FindFirstEmptyDcxEntry(const DcxDirectory& directory) {
    const uint32_t limit = DcxScanLimit(directory);
    for (uint32_t n = 1; n <= limit; ++n) {
        if (directory.words[n] == 0) return n;
    }
    return 0;
}

uint32_t ListedDcxEntry(const DcxDirectory& directory, uint32_t n) {
    if (n == 0 || n >= kDcxDirectoryWords) return 0;
    for (uint32_t j = 1; j <= n; ++j) {
        if (directory.words[j] == 0) return 0;
    }
    return directory.words[n];
}

uint32_t CountDcxItems(const DcxDirectory& directory) {
    const uint32_t empty = FindFirstEmptyDcxEntry(directory);
    return empty != 0 ? empty - 1 : DcxScanLimit(directory);
}

namespace {

// Entries 1..count are the list (at most the 1022 usable entries).
uint32_t ListLength(const DcxDirectory& directory) {
    uint32_t count = 0;
    while (count < kDcxLastUsableEntry && directory.words[count + 1] != 0) ++count;
    return count;
}

// One past the directory words in use: the magic, the listed entries and
// the zero entry that ends the list.
uint32_t DirectoryWordsEnd(uint32_t listLength) {
    const uint32_t words = listLength + 2;
    return words >= kDcxDirectoryWords ? kDcxDirectorySize : 4 * words;
}

}  // namespace

Status FindDcxItemExtent(const DcxDirectory& directory, uint32_t index, uint64_t fileLength, DcxItemExtent* extent,
                         bool headerOnly) {
    *extent = DcxItemExtent();
    if (index >= kDcxLastUsableEntry) return Status::NoSuchItem;
    const uint32_t entry = index + 1;
    Status status = CheckDcxEntryNumber(directory, entry);
    if (status != Status::Ok) return status;
    const uint32_t start = ListedDcxEntry(directory, entry);
    if (start == 0) return Status::ItemNotListed;
    // The item in entry 1022 has no entry behind it to look up: it is the
    // last item there can be and ends where the last item ends.
    const bool lastUsable = entry == kDcxLastUsableEntry;
    if (!headerOnly && !lastUsable) {
        status = CheckDcxEntryNumber(directory, entry + 1);
        if (status != Status::Ok) return status;
    }
    const uint32_t next = lastUsable ? 0 : ListedDcxEntry(directory, entry + 1);

    const uint32_t listLength = ListLength(directory);
    if (start < DirectoryWordsEnd(listLength)) return Status::ItemOverlapsDirectory;
    if (next == start) return Status::ItemOffsetsOutOfOrder;
    // The nearest listed offset above the start ends the item: the next
    // entry in a well-formed file, the right one whatever the order. Entry
    // 1023 is never listed, so it ends no item, whatever another writer put
    // there: the item in entry 1022 ends at the file's length like any last
    // item, and the bytes behind the last listed item are its own here as
    // in every other file. Taking entry 1023 as an end would give that item
    // bytes that depend on a word the library never lists and clears on
    // every delete, so deleting an earlier item would change the bytes of
    // this one; ignoring it keeps every item's bytes the same across a
    // delete, and no listed item's bytes ever fall inside another's.
    uint64_t end = fileLength;
    bool endFromEntry = false;
    for (uint32_t n = 1; n <= listLength; ++n) {
        const uint32_t offset = directory.words[n];
        if (offset > start && (!endFromEntry || offset < end)) {
            end = offset;
            endFromEntry = true;
        }
    }
    if (start >= fileLength || end > fileLength) return Status::ItemPastFileEnd;
    if (end - start < kPcxHeaderSize) return Status::ItemShorterThanHeader;
    extent->start = start;
    extent->end = end;
    return Status::Ok;
}

Status CheckDcxLayoutForWriting(const DcxDirectory& directory, uint64_t fileLength) {
    if (fileLength < kDcxDirectorySize) return Status::DirectoryCutShort;
    if (fileLength > kDcxMaxFileLength) return Status::DcxTooLong;
    const uint32_t listLength = ListLength(directory);
    uint32_t previous = kDcxDirectorySize - 1;
    for (uint32_t n = 1; n <= listLength; ++n) {
        const uint32_t offset = directory.words[n];
        if (offset < kDcxDirectorySize) return Status::ItemOverlapsDirectory;
        if (offset <= previous || offset >= fileLength) return Status::ItemOffsetsOutOfOrder;
        previous = offset;
    }
    return Status::Ok;
}

Status PlanDcxItemAdd(const DcxDirectory& directory, uint64_t fileLength, DcxAddPlan* plan) {
    *plan = DcxAddPlan();
    if (!HasDcxMagic(directory)) return Status::NotDcx;
    if (fileLength < kDcxDirectorySize) return Status::DirectoryCutShort;
    const Status layout = CheckDcxLayoutForWriting(directory, fileLength);
    if (layout != Status::Ok) return layout;
    // An item needs at least its header behind the old end.
    if (fileLength > kDcxMaxFileLength - kPcxHeaderSize) return Status::DcxTooLong;
    // The layout check leaves the list unbroken and ascending, so the first
    // empty entry is the one behind the list.
    const uint32_t entry = FindFirstEmptyDcxEntry(directory);
    if (entry == 0) return Status::DirectoryFull;
    plan->entry = entry;
    plan->start = static_cast<uint32_t>(fileLength);
    plan->endsList = entry < kDcxLastUsableEntry;
    plan->room = static_cast<uint32_t>(kDcxMaxFileLength - fileLength);
    return Status::Ok;
}

Status PlanDcxItemDelete(const DcxDirectory& directory, uint64_t fileLength, uint32_t index, DcxDeletePlan* plan) {
    if (!HasDcxMagic(directory)) return Status::NotDcx;
    if (fileLength < kDcxDirectorySize) return Status::DirectoryCutShort;
    if (index >= kDcxLastUsableEntry) return Status::NoSuchItem;
    const uint32_t entry = index + 1;
    const uint32_t start = ListedDcxEntry(directory, entry);
    if (start == 0) return Status::ItemNotListed;
    // The item's end is looked up in entry + 1, which must be a usable entry
    // within B; the item in entry 1022 has none behind it and ends at the
    // file's length (entry 1023 is never an item, nor any item's end), but
    // its own entry must lie within B.
    const bool lastUsable = entry == kDcxLastUsableEntry;
    Status status = CheckDcxEntryNumber(directory, lastUsable ? entry : entry + 1);
    if (status != Status::Ok) return status;
    status = CheckDcxLayoutForWriting(directory, fileLength);
    if (status != Status::Ok) return status;
    const uint32_t next = lastUsable ? 0 : ListedDcxEntry(directory, entry + 1);
    const uint32_t end = next != 0 ? next : static_cast<uint32_t>(fileLength);
    // Excluded by the layout check; kept as the guard.
    if (end <= start) return Status::ItemOffsetsOutOfOrder;

    plan->entry = entry;
    plan->start = start;
    plan->end = end;
    plan->removed = end - start;
    plan->newLength = static_cast<uint32_t>(fileLength) - plan->removed;
    DcxDirectory& moved = plan->directory;
    moved = directory;
    // Later entries move one slot down. Entry 1023 is never an item, so
    // nothing moves into entry 1022 from it: both end as 0.
    for (uint32_t n = entry; n < kDcxLastUsableEntry; ++n) moved.words[n] = directory.words[n + 1];
    moved.words[kDcxLastUsableEntry] = 0;
    moved.words[kDcxDirectoryWords - 1] = 0;
    // The items behind the deleted one move down by its size.
    for (uint32_t n = entry; n < kDcxLastUsableEntry && moved.words[n] != 0; ++n) moved.words[n] -= plan->removed;
    return Status::Ok;
}

}  // namespace kypcx
