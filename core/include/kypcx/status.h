// What happened, in the library's own words. Every internal routine of the
// core, of KyPCX.dll and of the codec reports one of these; each name says
// what went wrong, never which number a caller is shown for it. The numbers
// are chosen at the edges, by two tables: the exports' codes (by group of
// exports, where groups report one event differently) and the codec's
// HRESULTs. Portable: no Windows headers.
#pragma once

#include <cstdint>

namespace kypcx {

enum class Status : uint8_t {
    Ok = 0,

    // A header the reader cannot take.
    HeaderCutShort,         // fewer than 128 bytes where the header lies, or they could not be read
    UnknownVersion,         // version byte not 0, 2, 3, 4 or 5
    UnacceptedEncoding,     // encoding byte not one the reader's rules take
    UndecodableLayout,      // planes x bits no reader takes, or sizes the header cannot mean
    ImageTooLarge,          // more than a decoded image may take, or than its data could fill

    // An image's data and colours.
    RunCrossesLineEnd,      // a run that crosses a scan line's end, where the rules refuse it
    DataUnreadable,         // the image's bytes could not be read, or none were there
    TrailerUnreadable,      // the 256-colour trailer could not be read
    NoColorsForLayout,      // colours asked of a layout that has none
    StoppedByLineFunction,  // the caller's line function answered FALSE
    NoAnswerBlock,          // the caller handed no block (or too small a one) to take the answer

    // Files.
    FileNotOpened,          // the file could not be opened or created
    PositionUnreachable,    // a file position could not be set
    ReadShort,              // a read gave fewer bytes than asked
    WriteShort,             // a write failed or wrote fewer bytes than asked
    LineNotWritten,         // a block holding scan-line codes could not be written
    EndLimitPassed,         // what is written could end past where a DCX offset reaches
    NoDiskSpace,            // the volume has too little room for the rewrite
    DeleteFailed,           // a file could not be deleted
    RenameFailed,           // a file could not be moved to its name

    // Memory and system objects.
    NoImageMemory,          // no memory for a decoded image or a line of it
    NoWorkingMemory,        // no memory for a working block (read-ahead, directory, copy)
    NoPaletteMemory,        // no memory for a logical palette's block
    LockFailed,             // a memory block could not be locked
    NoDeviceContext,        // no display or memory device context
    NoBitmap,               // not a bitmap or DIB, or one could not be created
    PaletteNotCreated,      // a GDI palette could not be made
    LineUnavailable,        // GDI did not give a bitmap's line whole
    ClipboardNotOpened,     // the clipboard could not be opened
    NoClipboardBitmap,      // the clipboard holds no bitmap, or would not give it
    ClipboardRefused,       // the clipboard would not take the bitmap handed to it
    BitmapLayoutMismatch,   // the bitmap does not continue the image (width or layout)
    BadColorSpace,          // a non-RGB DIB whose colour-space code is not 10..17
    PictureDoesNotFit,      // the layout asked for cannot hold the picture's colours
    UnwritableDibFormat,    // a DIB whose bit count, compression or masks the writer does not lay out
    TooManyRows,            // rows pushed beyond an image's last line

    // The DCX container.
    NotDcx,                 // the magic number is wrong
    DirectoryUnreadable,    // not one byte of the directory could be read
    DirectoryCutShort,      // the file is shorter than its 4096-byte directory
    NoSuchItem,             // an entry number outside 1..1022, or beyond the bound entry 2 sets
    ItemNotListed,          // an index behind the end of the list: no item is there
    DirectoryFull,          // no empty entry is left for a new item
    ItemOverlapsDirectory,  // an item that begins inside the directory
    ItemOffsetsOutOfOrder,  // listed offsets that do not ascend strictly (an item of no bytes
                            // included) or, where a writer checks them, reach the file's end
    ItemPastFileEnd,        // an item that begins or ends past the file's end
    ItemShorterThanHeader,  // an item with too few bytes for its 128-byte header
    DcxTooLong,             // a file too long for its 32-bit offsets to list
    NoItems,                // the file lists no item to choose from
};

// The name of a status, for messages and test output: "RunCrossesLineEnd".
const char* StatusName(Status status);

}  // namespace kypcx
