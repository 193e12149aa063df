// The DCX directory rules of the portable core: entries and bound B, the
// list, item extents over good and damaged directories, the layout check of
// the writers and the layout a delete leaves.
#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <vector>

#include "kypcx/dcx_directory.h"

namespace {

using kypcx::DcxDirectory;
using kypcx::DcxItemExtent;
using kypcx::Status;

// A directory with the magic and the given entries from entry 1 on.
DcxDirectory Directory(std::initializer_list<uint32_t> entries) {
    DcxDirectory d;
    kypcx::MakeEmptyDcxDirectory(&d);
    uint32_t n = 1;
    for (uint32_t e : entries) d.words[n++] = e;
    return d;
}

// A full table: entry n holds 4096 + 200 (n - 1).
DcxDirectory FullDirectory() {
    DcxDirectory d = Directory({});
    for (uint32_t n = 1; n <= kypcx::kDcxLastUsableEntry; ++n) d.words[n] = 4096 + 200 * (n - 1);
    return d;
}

// A full table whose entry 1023, never written here, another writer filled.
DcxDirectory FullWithEntry1023(uint32_t value) {
    DcxDirectory d = FullDirectory();
    d.words[1023] = value;
    return d;
}

TEST(DcxDirectoryBytes, LoadsLittleEndianAndZeroFillsAShortRead) {
    const uint8_t bytes[] = {0xB1, 0x68, 0xDE, 0x3A, 0x00, 0x10, 0x00, 0x00, 0x34, 0x12};
    DcxDirectory d;
    std::memset(&d, 0xAB, sizeof d);
    kypcx::LoadDcxDirectory(bytes, sizeof bytes, &d);
    EXPECT_TRUE(kypcx::HasDcxMagic(d));
    EXPECT_EQ(4096u, d.words[1]);
    EXPECT_EQ(0x1234u, d.words[2]) << "a word cut short keeps the bytes that were read";
    for (uint32_t n = 3; n < kypcx::kDcxDirectoryWords; ++n) ASSERT_EQ(0u, d.words[n]) << n;

    std::vector<uint8_t> stored(kypcx::kDcxDirectorySize);
    kypcx::StoreDcxDirectory(Directory({4096, 5000}), stored.data());
    EXPECT_EQ((std::vector<uint8_t>{0xB1, 0x68, 0xDE, 0x3A, 0, 0x10, 0, 0, 0x88, 0x13, 0, 0, 0, 0}),
              std::vector<uint8_t>(stored.begin(), stored.begin() + 14));
}

TEST(DcxDirectoryBound, Entry2DecidesTheRangeOfEntryNumbers) {
    struct Case {
        uint32_t entry2;
        uint32_t scanLimit;
        uint32_t highestAccepted;  // 0: none
    };
    const Case cases[] = {
        {0, 1022, 1022},              // no bound
        {4096, 1022, 1022},           // B = 1023
        {4, 0, 0},                    // B = 0: nothing scanned, every number refused
        {7, 0, 0},
        {8, 1, 1},                    // B = 1
        {400, 99, 99},
        {0x80000000u, 1022, 1022},    // negative B: no limit at all
        {2, 1022, 1022},              // B = -1
    };
    for (const Case& c : cases) {
        DcxDirectory d = Directory({4096});
        d.words[2] = c.entry2;
        EXPECT_EQ(c.scanLimit, kypcx::DcxScanLimit(d)) << c.entry2;
        EXPECT_EQ(Status::NoSuchItem, kypcx::CheckDcxEntryNumber(d, 0));
        EXPECT_EQ(Status::NoSuchItem, kypcx::CheckDcxEntryNumber(d, 1023));
        if (c.highestAccepted > 0) {
            EXPECT_EQ(Status::Ok, kypcx::CheckDcxEntryNumber(d, c.highestAccepted)) << c.entry2;
        }
        if (c.highestAccepted < 1022) {
            EXPECT_EQ(Status::NoSuchItem, kypcx::CheckDcxEntryNumber(d, c.highestAccepted + 1)) << c.entry2;
        }
    }
}

TEST(DcxDirectoryList, EndsAtTheFirstEmptyEntry) {
    DcxDirectory d = Directory({4096, 5000, 0, 7000});
    EXPECT_EQ(3u, kypcx::FindFirstEmptyDcxEntry(d));
    EXPECT_EQ(2u, kypcx::CountDcxItems(d));
    EXPECT_EQ(5000u, kypcx::ListedDcxEntry(d, 2));
    EXPECT_EQ(0u, kypcx::ListedDcxEntry(d, 4)) << "behind the first empty entry: not an item";
    EXPECT_EQ(1u, kypcx::FindFirstEmptyDcxEntry(Directory({})));
    EXPECT_EQ(0u, kypcx::CountDcxItems(Directory({})));

    const DcxDirectory full = FullDirectory();
    EXPECT_EQ(0u, kypcx::FindFirstEmptyDcxEntry(full));
    EXPECT_EQ(1022u, kypcx::CountDcxItems(full)) << "a full table counts all its items";
    DcxDirectory all1023 = full;  // another writer's table with entry 1023 in use too
    all1023.words[1023] = 4096 + 200 * 1022;
    EXPECT_EQ(1022u, kypcx::CountDcxItems(all1023)) << "entry 1023 is never an item";
    DcxDirectory bounded = Directory({4096, 8});  // B = 1: one entry scanned, in use
    EXPECT_EQ(0u, kypcx::FindFirstEmptyDcxEntry(bounded));
    EXPECT_EQ(1u, kypcx::CountDcxItems(bounded));
}

struct ExtentCase {
    const char* name;
    DcxDirectory directory;
    uint32_t index;
    uint32_t fileLength;
    Status status;
    uint32_t start, end;
};

TEST(DcxItemExtent, ReadsEveryDirectoryWithoutLeavingTheItem) {
    const ExtentCase cases[] = {
        {"first of three", Directory({4096, 5000, 6000}), 0, 7000, Status::Ok, 4096, 5000},
        {"middle", Directory({4096, 5000, 6000}), 1, 7000, Status::Ok, 5000, 6000},
        {"last ends at the file's length", Directory({4096, 5000, 6000}), 2, 7000, Status::Ok, 6000, 7000},
        {"index = count: not listed", Directory({4096, 5000}), 2, 7000, Status::ItemNotListed, 0, 0},
        {"behind a zero entry", Directory({4096, 0, 6000}), 2, 7000, Status::ItemNotListed, 0, 0},
        {"index 1022", Directory({4096}), 1022, 7000, Status::NoSuchItem, 0, 0},
        {"index 0xFFFFFFFF", Directory({4096}), 0xFFFFFFFFu, 7000, Status::NoSuchItem, 0, 0},
        {"index 1021 of a full table ends at the file's length", FullDirectory(), 1021, 300000, Status::Ok,
         4096 + 200 * 1021, 300000},
        {"index 1020 of a full table", FullDirectory(), 1020, 300000, Status::Ok, 4096 + 200 * 1020,
         4096 + 200 * 1021},
        {"entry 1023 another writer filled ends nothing", FullWithEntry1023(4096 + 200 * 1022), 1021, 300000,
         Status::Ok, 4096 + 200 * 1021, 300000},
        {"nor when it points below the start", FullWithEntry1023(4096), 1021, 300000, Status::Ok,
         4096 + 200 * 1021, 300000},
        {"index 1021 of a full table cut inside its header", FullDirectory(), 1021, 4096 + 200 * 1021 + 127,
         Status::ItemShorterThanHeader, 0, 0},
        {"index 1021 of a full table starting at the file's end", FullDirectory(), 1021, 4096 + 200 * 1021,
         Status::ItemPastFileEnd, 0, 0},
        {"other writers' 4100-byte directory", Directory({4100, 5000}), 0, 6000, Status::Ok, 4100, 5000},
        {"shorter directory of other writers", Directory({64, 1000}), 0, 2000, Status::Ok, 64, 1000},
        {"into the directory words in use", Directory({4096, 5000, 8}), 2, 7000, Status::ItemOverlapsDirectory, 0,
         0},
        {"entry 2 small enough to make B 1", Directory({4096, 8}), 1, 7000, Status::NoSuchItem, 0, 0},
        {"equal offsets: an item of no bytes", Directory({4096, 4096, 6000}), 0, 7000, Status::ItemOffsetsOutOfOrder,
         0, 0},
        {"backwards: ends at the nearest offset above", Directory({6000, 4096}), 0, 7000, Status::Ok, 6000, 7000},
        {"backwards, the page before it", Directory({6000, 4096}), 1, 7000, Status::Ok, 4096, 6000},
        {"out of order: not into the later page", Directory({4096, 9000, 5000}), 0, 12000, Status::Ok, 4096, 5000},
        {"starts past the end", Directory({4096, 9000}), 1, 8000, Status::ItemPastFileEnd, 0, 0},
        {"ends past the end", Directory({4096, 9000}), 0, 8000, Status::ItemPastFileEnd, 0, 0},
        {"starts at the end", Directory({4096, 8000}), 1, 8000, Status::ItemPastFileEnd, 0, 0},
        {"too short for a header", Directory({4096, 4200}), 0, 8000, Status::ItemShorterThanHeader, 0, 0},
        {"an entry below the start does not end it", Directory({4096, 400, 8000}), 0, 9000, Status::Ok, 4096,
         8000},
    };
    for (const ExtentCase& c : cases) {
        DcxItemExtent extent;
        extent.start = 1;  // a refusal leaves no extent behind
        const Status status = kypcx::FindDcxItemExtent(c.directory, c.index, c.fileLength, &extent);
        EXPECT_EQ(c.status, status) << c.name << ": " << kypcx::StatusName(status);
        EXPECT_EQ(c.start, extent.start) << c.name;
        EXPECT_EQ(c.end, extent.end) << c.name;
    }
    // A reader of the header alone asks for no end entry.
    DcxItemExtent header;
    EXPECT_EQ(Status::Ok, kypcx::FindDcxItemExtent(FullDirectory(), 1021, 300000, &header, true));
    EXPECT_EQ(4096u + 200 * 1021, header.start);
    EXPECT_EQ(300000u, header.end);
    // B = 99 refuses the item in entry 100 and the end lookup of entry 99's
    // item; B = 1021 refuses the item in entry 1022 itself.
    DcxDirectory bounded = FullDirectory();
    bounded.words[2] = 400;
    DcxItemExtent extent;
    EXPECT_EQ(Status::NoSuchItem, kypcx::FindDcxItemExtent(bounded, 99, 300000, &extent));
    EXPECT_EQ(Status::NoSuchItem, kypcx::FindDcxItemExtent(bounded, 98, 300000, &extent));
    bounded.words[2] = 4 * 1022;
    EXPECT_EQ(Status::NoSuchItem, kypcx::FindDcxItemExtent(bounded, 1021, 300000, &extent));
    EXPECT_EQ(Status::NoSuchItem, kypcx::FindDcxItemExtent(bounded, 1021, 300000, &extent, true));
}

TEST(DcxLayoutForWriting, RefusesWhatWouldWriteIntoAPage) {
    struct Case {
        const char* name;
        DcxDirectory directory;
        uint64_t fileLength;
        Status status;
    };
    const Case cases[] = {
        {"empty", Directory({}), 4096, Status::Ok},
        {"three ascending", Directory({4096, 5000, 6000}), 7000, Status::Ok},
        {"full table", FullDirectory(), 4096 + 200 * 1022, Status::Ok},
        {"4100-byte directory", Directory({4100, 5000}), 6000, Status::Ok},
        {"directory cut short", Directory({}), 4000, Status::DirectoryCutShort},
        {"first page before 4096", Directory({4000, 5000}), 6000, Status::ItemOverlapsDirectory},
        {"equal", Directory({4096, 4096}), 6000, Status::ItemOffsetsOutOfOrder},
        {"backwards", Directory({5000, 4096}), 6000, Status::ItemOffsetsOutOfOrder},
        {"past the end", Directory({4096, 7000}), 6000, Status::ItemOffsetsOutOfOrder},
        {"at the end", Directory({4096, 6000}), 6000, Status::ItemOffsetsOutOfOrder},
        {"garbage behind the list is no item", Directory({4096, 0, 1}), 6000, Status::Ok},
        {"the largest length offsets reach", Directory({4096}), 0xFFFFFFFFull, Status::Ok},
        {"4 GiB", Directory({4096}), 0x100000000ull, Status::DcxTooLong},
        {"past 4 GiB", Directory({4096}), 0x110000000ull, Status::DcxTooLong},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.status, kypcx::CheckDcxLayoutForWriting(c.directory, c.fileLength)) << c.name;
}

TEST(DcxAddPlan, ListsTheItemBehindTheLastOne) {
    kypcx::DcxAddPlan plan;
    ASSERT_EQ(Status::Ok, kypcx::PlanDcxItemAdd(Directory({4096, 5000, 0, 77}), 6000, &plan));
    EXPECT_EQ(3u, plan.entry) << "the first empty entry, a stale one behind it notwithstanding";
    EXPECT_EQ(6000u, plan.start);
    EXPECT_TRUE(plan.endsList);
    EXPECT_EQ(0xFFFFFFFFu - 6000, plan.room);

    DcxDirectory almostFull = FullDirectory();
    almostFull.words[1022] = 0;
    const uint32_t length = 4096 + 200 * 1021;
    ASSERT_EQ(Status::Ok, kypcx::PlanDcxItemAdd(almostFull, length, &plan));
    EXPECT_EQ(1022u, plan.entry);
    EXPECT_FALSE(plan.endsList) << "entry 1023 is never written";
}

// Each directory an add cannot go into, refused with what is wrong with it.
// (Which code each adding export shows for these is the DLL's table's, and
// tested there.)
TEST(DcxAddPlan, RefusesWithWhatIsWrong) {
    DcxDirectory wrongMagic = Directory({4096});
    wrongMagic.words[0] = 0x3ADE68B2;
    struct Case {
        const char* name;
        DcxDirectory directory;
        uint64_t fileLength;
        Status status;
    };
    const Case cases[] = {
        {"wrong magic", wrongMagic, 6000, Status::NotDcx},
        {"directory cut short", Directory({}), 100, Status::DirectoryCutShort},
        {"full table", FullDirectory(), 4096 + 200 * 1022, Status::DirectoryFull},
        {"offsets backwards", Directory({5000, 4096}), 6000, Status::ItemOffsetsOutOfOrder},
        {"4 GiB", Directory({4096}), 0x100000000ull, Status::DcxTooLong},
        {"no room for a header", Directory({4096}), 0xFFFFFFFFull - 127, Status::DcxTooLong},
    };
    for (const Case& c : cases) {
        kypcx::DcxAddPlan plan;
        EXPECT_EQ(c.status, kypcx::PlanDcxItemAdd(c.directory, c.fileLength, &plan)) << c.name;
    }
    kypcx::DcxAddPlan plan;
    EXPECT_EQ(Status::Ok, kypcx::PlanDcxItemAdd(Directory({4096}), 0xFFFFFFFFull - 128, &plan));
    EXPECT_EQ(128u, plan.room) << "a header's room is enough to plan";
}

TEST(DcxDeletePlan, MovesLaterEntriesDownAndLowersThem) {
    kypcx::DcxDeletePlan plan;
    ASSERT_EQ(Status::Ok, kypcx::PlanDcxItemDelete(Directory({4096, 5000, 6500, 0, 77}), 8000, 0, &plan));
    EXPECT_EQ(1u, plan.entry);
    EXPECT_EQ(4096u, plan.start);
    EXPECT_EQ(5000u, plan.end);
    EXPECT_EQ(904u, plan.removed);
    EXPECT_EQ(8000u - 904u, plan.newLength);
    const DcxDirectory expected = Directory({4096, 6500 - 904, 0, 77});
    EXPECT_EQ(0, std::memcmp(expected.words, plan.directory.words, sizeof expected.words));

    ASSERT_EQ(Status::Ok, kypcx::PlanDcxItemDelete(Directory({4096, 5000, 6500}), 8000, 2, &plan));
    EXPECT_EQ(6500u, plan.start);
    EXPECT_EQ(8000u, plan.end) << "the last item takes the bytes behind it along";
    EXPECT_EQ(6500u, plan.newLength);
    const DcxDirectory cut = Directory({4096, 5000});
    EXPECT_EQ(0, std::memcmp(cut.words, plan.directory.words, sizeof cut.words));

    ASSERT_EQ(Status::Ok, kypcx::PlanDcxItemDelete(Directory({4096}), 5000, 0, &plan));
    EXPECT_EQ(4096u, plan.newLength);
    const DcxDirectory empty = Directory({});
    EXPECT_EQ(0, std::memcmp(empty.words, plan.directory.words, sizeof empty.words));

}

// A full table: every item can go, the one in entry 1022 with the bytes up
// to the file's end; entry 1023, whatever another writer left there, ends
// as 0 and takes no part.
TEST(DcxDeletePlan, FullTable) {
    const uint32_t fullLength = 4096 + 200 * 1022 + 50;  // 50 bytes behind the last item
    for (const DcxDirectory& full : {FullDirectory(), FullWithEntry1023(4096 + 200 * 1021 + 100)}) {
        kypcx::DcxDeletePlan plan;
        ASSERT_EQ(Status::Ok, kypcx::PlanDcxItemDelete(full, fullLength, 1021, &plan));
        EXPECT_EQ(1022u, plan.entry);
        EXPECT_EQ(4096u + 200 * 1021, plan.start);
        EXPECT_EQ(fullLength, plan.end);
        EXPECT_EQ(250u, plan.removed);
        EXPECT_EQ(plan.start, plan.newLength) << "the file is cut at the item's start";
        DcxDirectory expected = FullDirectory();
        expected.words[1022] = 0;
        EXPECT_EQ(0, std::memcmp(expected.words, plan.directory.words, sizeof expected.words));

        ASSERT_EQ(Status::Ok, kypcx::PlanDcxItemDelete(full, fullLength, 0, &plan));
        EXPECT_EQ(200u, plan.removed);
        for (uint32_t n = 1; n <= 1021; ++n) ASSERT_EQ(4096u + 200 * (n - 1), plan.directory.words[n]) << n;
        EXPECT_EQ(0u, plan.directory.words[1022]);
        EXPECT_EQ(0u, plan.directory.words[1023]);
        DcxItemExtent moved;
        ASSERT_EQ(Status::Ok, kypcx::FindDcxItemExtent(plan.directory, 1020, plan.newLength, &moved));
        EXPECT_EQ(250u, moved.end - moved.start) << "the old last item keeps its bytes in its new entry";
    }
    // An entry 1022 beyond B cannot be deleted.
    DcxDirectory bounded = FullDirectory();
    bounded.words[2] = 4 * 1022;
    kypcx::DcxDeletePlan plan;
    EXPECT_EQ(Status::NoSuchItem, kypcx::PlanDcxItemDelete(bounded, fullLength, 1021, &plan));
}

TEST(DcxDeletePlan, RefusesWithWhatIsWrongInOrder) {
    struct Case {
        const char* name;
        DcxDirectory directory;
        uint64_t fileLength;
        uint32_t index;
        Status status;
    };
    DcxDirectory wrongMagic = Directory({4096});
    wrongMagic.words[0] = 0x3ADE68B2;
    const Case cases[] = {
        {"wrong magic", wrongMagic, 6000, 0, Status::NotDcx},
        {"index 1022", Directory({4096}), 6000, 1022, Status::NoSuchItem},
        {"directory cut short", Directory({4096}), 4000, 0, Status::DirectoryCutShort},
        {"4 GiB", Directory({4096}), 0x100000000ull, 0, Status::DcxTooLong},
        {"equal offsets", Directory({4096, 4096}), 6000, 1, Status::ItemOffsetsOutOfOrder},
        {"first page inside the directory", Directory({2048}), 6000, 0, Status::ItemOverlapsDirectory},
        {"index = count", Directory({4096, 5000}), 6000, 2, Status::ItemNotListed},
        {"empty file", Directory({}), 4096, 0, Status::ItemNotListed},
    };
    for (const Case& c : cases) {
        kypcx::DcxDeletePlan plan;
        EXPECT_EQ(c.status, kypcx::PlanDcxItemDelete(c.directory, c.fileLength, c.index, &plan)) << c.name;
    }
}

}  // namespace
