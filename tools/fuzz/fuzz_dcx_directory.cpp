// fuzz_dcx_directory: the fuzz target for the portable core's DCX directory
// rules. The input is a whole DCX file (its first 4096 bytes the directory,
// zero-filled when the input is shorter, as after a short read). Built with
// libFuzzer (KYPCX_FUZZ) or, with fuzz_replay_main.cpp, as a runner that
// replays files. Any sanitizer report or failed check here is a core bug.
//
// Beyond memory safety the target checks the directory's promises:
//  - an item's extent lies inside the file, behind the directory words in
//    use, holds at least a header, and contains no other listed item's start;
//  - an item behind the end of the list is reported as not listed, and
//    every refusal leaves no extent behind;
//  - when a delete is planned, the file it describes (built here from the
//    input) lists one item fewer, passes the writers' layout check, and
//    every remaining item has exactly its old bytes;
//  - when an add is planned, the file it describes lists one item more, the
//    new one with exactly the added bytes, passes the writers' layout check,
//    and every old item has exactly its old bytes.
// Every status a routine returns is one it documents.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <vector>

#include "kypcx/dcx_directory.h"

namespace {

using kypcx::Status;

void Require(bool condition, const char* what) {
    if (condition) return;
    std::fprintf(stderr, "fuzz_dcx_directory: check failed: %s\n", what);
    std::abort();
}

bool IsOneOf(Status status, std::initializer_list<Status> documented) {
    for (Status s : documented)
        if (status == s) return true;
    return false;
}

// Checks every item's extent.
void CheckExtents(const kypcx::DcxDirectory& directory, uint32_t fileLength) {
    const uint32_t count = kypcx::CountDcxItems(directory);
    for (uint32_t index = 0; index <= count && index < kypcx::kDcxMaxItems + 1; ++index) {
        kypcx::DcxItemExtent extent;
        const Status status = kypcx::FindDcxItemExtent(directory, index, fileLength, &extent);
        Require(IsOneOf(status, {Status::Ok, Status::NoSuchItem, Status::ItemNotListed, Status::ItemOverlapsDirectory,
                                 Status::ItemOffsetsOutOfOrder, Status::ItemPastFileEnd, Status::ItemShorterThanHeader}),
                "an extent's status is one it documents");
        if (status != Status::Ok) {
            Require(extent.start == 0 && extent.end == 0, "a refused item leaves no extent");
            continue;
        }
        Require(extent.start < extent.end && extent.end <= fileLength, "extent inside the file");
        Require(extent.end - extent.start >= 128, "extent holds a header");
        Require(extent.start >= 8, "extent behind the magic and its entry");
        for (uint32_t n = 1; n <= count; ++n) {
            const uint32_t other = directory.words[n];
            Require(!(other > extent.start && other < extent.end), "no other item starts inside an extent");
        }
    }
    kypcx::DcxItemExtent behind;
    if (count < kypcx::kDcxMaxItems) {
        const Status status = kypcx::FindDcxItemExtent(directory, count, fileLength, &behind);
        Require(status == Status::ItemNotListed || status == Status::NoSuchItem,
                "the index after the list is not listed, or beyond the bound");
    }
}

// Plans deleting `index`, builds the file the plan describes and compares.
void CheckDelete(const uint8_t* data, uint32_t fileLength, const kypcx::DcxDirectory& directory, uint32_t index) {
    kypcx::DcxDeletePlan plan;
    const Status status = kypcx::PlanDcxItemDelete(directory, fileLength, index, &plan);
    Require(IsOneOf(status, {Status::Ok, Status::NotDcx, Status::DirectoryCutShort, Status::NoSuchItem,
                             Status::ItemNotListed, Status::DcxTooLong, Status::ItemOverlapsDirectory,
                             Status::ItemOffsetsOutOfOrder}),
            "a delete plan's status is one it documents");
    if (status != Status::Ok) return;
    Require(plan.start >= kypcx::kDcxDirectorySize && plan.start < plan.end && plan.end <= fileLength,
            "deleted item inside the file");
    Require(plan.newLength == fileLength - plan.removed, "new length");

    std::vector<uint8_t> rebuilt(plan.newLength);
    kypcx::StoreDcxDirectory(plan.directory, rebuilt.data());
    std::memcpy(rebuilt.data() + kypcx::kDcxDirectorySize, data + kypcx::kDcxDirectorySize,
                plan.start - kypcx::kDcxDirectorySize);
    std::memcpy(rebuilt.data() + plan.start, data + plan.end, fileLength - plan.end);

    kypcx::DcxDirectory after;
    kypcx::LoadDcxDirectory(rebuilt.data(), rebuilt.size(), &after);
    const uint32_t countBefore = kypcx::CountDcxItems(directory);
    Require(kypcx::CountDcxItems(after) == countBefore - 1, "one item fewer");
    Require(kypcx::CheckDcxLayoutForWriting(after, plan.newLength) == Status::Ok, "the new layout is writable");
    Require(after.words[kypcx::kDcxDirectoryWords - 1] == 0, "entry 1023 stays 0");
    for (uint32_t old = 0; old < countBefore; ++old) {
        if (old == index) continue;
        kypcx::DcxItemExtent before, moved;
        const Status beforeStatus = kypcx::FindDcxItemExtent(directory, old, fileLength, &before);
        const uint32_t newIndex = old < index ? old : old - 1;
        const Status movedStatus = kypcx::FindDcxItemExtent(after, newIndex, plan.newLength, &moved);
        // Every item that read before reads after, the one from entry 1022
        // (which ended at the file's length) included.
        if (beforeStatus != Status::Ok) continue;
        Require(movedStatus == Status::Ok, "a remaining item still reads");
        Require(moved.end - moved.start == before.end - before.start, "a remaining item keeps its size");
        Require(std::memcmp(rebuilt.data() + moved.start, data + before.start, before.end - before.start) == 0,
                "a remaining item keeps its bytes");
    }
}

// Plans adding an item of `itemLength` bytes (taken from the input itself),
// builds the file the plan describes and compares.
void CheckAdd(const uint8_t* data, uint32_t fileLength, const kypcx::DcxDirectory& directory, uint32_t itemLength) {
    kypcx::DcxAddPlan plan;
    const Status status = kypcx::PlanDcxItemAdd(directory, fileLength, &plan);
    Require(IsOneOf(status, {Status::Ok, Status::NotDcx, Status::DirectoryCutShort, Status::DcxTooLong,
                             Status::ItemOverlapsDirectory, Status::ItemOffsetsOutOfOrder, Status::DirectoryFull}),
            "an add plan's status is one it documents");
    if (status != Status::Ok) return;
    Require(plan.start == fileLength, "the item goes behind the old end");
    Require(plan.entry >= 1 && plan.entry <= kypcx::kDcxLastUsableEntry, "a usable entry");
    if (itemLength < 128) itemLength = 128;
    if (itemLength > plan.room || itemLength > fileLength) return;

    std::vector<uint8_t> rebuilt(data, data + fileLength);
    rebuilt.insert(rebuilt.end(), data, data + itemLength);
    if (plan.endsList) kypcx::WriteLe32(rebuilt.data() + 4 * (plan.entry + 1), 0);
    kypcx::WriteLe32(rebuilt.data() + 4 * plan.entry, plan.start);
    const uint32_t newLength = static_cast<uint32_t>(rebuilt.size());

    kypcx::DcxDirectory after;
    kypcx::LoadDcxDirectory(rebuilt.data(), rebuilt.size(), &after);
    const uint32_t countBefore = kypcx::CountDcxItems(directory);
    Require(kypcx::CountDcxItems(after) == countBefore + 1, "one item more");
    Require(kypcx::CheckDcxLayoutForWriting(after, newLength) == Status::Ok, "the new layout is writable");
    Require(after.words[kypcx::kDcxDirectoryWords - 1] == directory.words[kypcx::kDcxDirectoryWords - 1],
            "entry 1023 is never written");
    // Read as the readers of pages read them, end lookup and all: an item
    // added into entry 1022 reads too.
    kypcx::DcxItemExtent added;
    const Status addedStatus = kypcx::FindDcxItemExtent(after, countBefore, newLength, &added);
    Require(addedStatus == Status::Ok && added.start == fileLength && added.end == newLength,
            "the new item reads as the added bytes");
    for (uint32_t old = 0; old < countBefore; ++old) {
        kypcx::DcxItemExtent before, kept;
        if (kypcx::FindDcxItemExtent(directory, old, fileLength, &before) != Status::Ok) continue;
        const Status keptStatus = kypcx::FindDcxItemExtent(after, old, newLength, &kept);
        Require(keptStatus == Status::Ok, "an old item still reads");
        Require(kept.start == before.start && kept.end - kept.start == before.end - before.start,
                "an old item keeps its place and size");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 0xFFFFFFF0u) return 0;
    const uint32_t fileLength = static_cast<uint32_t>(size);
    kypcx::DcxDirectory directory;
    kypcx::LoadDcxDirectory(data, size, &directory);

    (void)kypcx::HasDcxMagic(directory);
    const uint32_t empty = kypcx::FindFirstEmptyDcxEntry(directory);
    Require(empty == 0 || (empty <= kypcx::DcxScanLimit(directory) && directory.words[empty] == 0),
            "the empty entry found is empty and within the scan limit");
    CheckExtents(directory, fileLength);

    if (kypcx::HasDcxMagic(directory) && size >= kypcx::kDcxDirectorySize) {
        const uint32_t count = kypcx::CountDcxItems(directory);
        // The first, the last and one chosen by the input.
        CheckDelete(data, fileLength, directory, 0);
        if (count > 0) CheckDelete(data, fileLength, directory, count - 1);
        if (count > 0) CheckDelete(data, fileLength, directory, data[size - 1] % count);
        CheckDelete(data, fileLength, directory, count);  // behind the list: must be refused
        CheckAdd(data, fileLength, directory, fileLength - kypcx::kDcxDirectorySize);
    }
    return 0;
}
