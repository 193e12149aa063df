// The one PCX reader. Every reader of the library is an adapter over it:
// KyPCX.dll's file, memory, DCX page, painter, header and layout readers, and
// the imaging-component codec's frames. It takes an image's bytes from a read
// function or a span of memory, plans once, then hands out rows:
//
//   PcxImagePlan plan;
//   Status status = PlanPcxImage(source, rules, &plan);   // header, layout,
//                                                          // limits, colours, data
//   PcxRowReader rows(source, plan, rules.rows, memory);
//   status = rows.Start();                                 // buffers, read-ahead
//   status = rows.ReadRows(plan.layout.height, [&](const PcxRow& row) {
//       AssemblePcxRow(plan.layout, row.planes, dibRowFor(row.y));
//       return true;                                       // false stops the rows
//   });
//
// What the readers do differently is said by their rules (PcxReaderRules, and
// the named rule sets below): which headers they take, how they read colours,
// which size limits they keep, and how their rows end. Failures are Status
// values; each adapter turns them into its own codes at its edge.
// Portable: no Windows headers, and nothing here throws or allocates except
// through the caller's allocator.
#pragma once

#include <cstddef>
#include <cstdint>

#include "KyPcxTypes.h"
#include "kypcx/pcx_decode.h"
#include "kypcx/pcx_format.h"
#include "kypcx/pcx_paint.h"
#include "kypcx/pcx_palette.h"
#include "kypcx/status.h"

namespace kypcx {

// ---------------------------------------------------------------------------
// Where the bytes are.

// Reads up to `length` bytes at `offset` into `buffer` and sets *got to the
// bytes read: fewer than asked only where the bytes end. False when they
// cannot be read; a caller that wants to know why keeps it in its context.
using PcxReadFunction = bool (*)(void* context, uint64_t offset, uint8_t* buffer, size_t length, size_t* got);

// One image's bytes, from `start` (its 128-byte header) to `end` (one past
// its last byte, where a 256-colour trailer ends): through `read` when it is
// set, else in `memory`, where offset o is memory[o].
struct PcxByteSource {
    PcxReadFunction read = nullptr;
    void* context = nullptr;
    const uint8_t* memory = nullptr;
    uint64_t start = 0;
    uint64_t end = 0;
};

// A span of memory holding a whole image: `length` bytes, the header first.
// A null span holds no bytes.
PcxByteSource PcxBytesInMemory(const uint8_t* bytes, size_t length);

// An image whose bytes [start, end) `read` gives.
PcxByteSource PcxBytesThrough(PcxReadFunction read, void* context, uint64_t start, uint64_t end);

// ---------------------------------------------------------------------------
// Working memory: the reader's scan-line and read-ahead buffers come from the
// adapter's allocator, so KyPCX.dll keeps its global memory and the codec its
// heap. `allocate` returns a zero-filled block or null; left unset, the C
// library's calloc and free serve.
struct PcxAllocator {
    void* (*allocate)(void* context, size_t bytes) = nullptr;
    void (*release)(void* context, void* block) = nullptr;
    void* context = nullptr;
};

// ---------------------------------------------------------------------------
// Rules.

// How a reader takes an image's colours.
struct PcxColorRules {
    PcxLayoutSet layouts = PcxLayoutSet::Classic;  // which layouts give header colours
    PcxCgaReading cga = PcxCgaReading::ByRule;
    // The in-memory bitmap decoder's two differences: 1-bit images are
    // always black and white, and a 256-colour image whose bytes end in no
    // 0x0C-marked trailer has no colours (TrailerUnreadable, none given).
    // Elsewhere the two-colour rule holds, a trailer that cannot be read
    // gives the default palette with TrailerUnreadable, and one without its
    // marker a grey ramp.
    bool inMemoryBitmap = false;
};

// Which sizes a reader refuses (ImageTooLarge) before it decodes.
enum class PcxSizeLimit : uint8_t {
    None,          // the header's sizes as they are (info and the painter)
    DecodedImage,  // more than kMaxDecodedImageBytes of rows, or more than the data could fill
    DibBlock,      // those, and a DIB block beyond the limit (FitsDibBlock)
};

// How a reader's rows are read and where they end.
struct PcxRowRules {
    PcxRunPolicy runs = PcxRunPolicy::CutAtLineEnd;
    // A line the data cuts short is handed out (its rest zero) as the last
    // row from the data, or dropped.
    bool keepCutLine = true;
    // An image with no coded byte at all is data that cannot be read
    // (DataUnreadable when the rows start), or simply one without rows.
    bool noDataUnreadable = true;
    // Rows behind the end of the data are handed out blank (planes null),
    // so that every row of the image is handed out; otherwise the rows stop
    // where the data ends.
    bool blankRowsAfterData = false;
};

struct PcxReaderRules {
    PcxHeaderRules header;
    PcxColorRules colors;
    bool readColors = true;  // false: the plan has no colours (info, the painter)
    PcxSizeLimit limit = PcxSizeLimit::DibBlock;
    PcxRowRules rows;
};

// The rule sets of the library's readers, named by who reads with them.
// The classic DIB decoders (LoadPCXIntoDIBW, a DCX page into a DIB); with
// `checkEncoding` false, the non-RGB forms, whose encoding byte holds a
// colour space.
PcxReaderRules ClassicDibReaderRules(bool checkEncoding);
// The classic bitmap decoders (LoadPCXIntoBitmapW, a DCX page, the clipboard).
PcxReaderRules ClassicBitmapReaderRules();
// LoadPCXIntoBitmapFromMemory: the classic layouts, runs that cross a line's
// end refused, the in-memory colour rules, no rows but no failure for an
// image without data.
PcxReaderRules MemoryBitmapReaderRules();
// The layout readers (LoadPCXImageW and its kin) as their flags choose:
// every layout (or the classic ones), stored lines with them, colour-space
// codes when asked, the CGA reading asked for. The codec reads with the
// rules of no flags (LayoutReaderRules(false, false, ByRule)), and hands out
// every row.
PcxReaderRules LayoutReaderRules(bool classicOnly, bool colorSpaceCodes, PcxCgaReading cga);
PcxReaderRules CodecReaderRules();
// LoadPCXW, the painter: any number of planes (PainterHeaderRules), no
// colours, no size limits, a cut line not painted.
PcxReaderRules PainterReaderRules();

// ---------------------------------------------------------------------------
// The header: read 128 bytes, load, check.

// Reads the header at the source's start and checks it by `rules`. Ok;
// HeaderCutShort when its 128 bytes are not all there or cannot be read;
// else the check's status (UnknownVersion, UnacceptedEncoding,
// UndecodableLayout). *header is filled whenever its bytes were read, also
// when the check refuses it.
Status ReadHeader(const PcxByteSource& source, const PcxHeaderRules& rules, PcxHeader* header);

// ---------------------------------------------------------------------------
// Colours.

struct PcxColors {
    uint8_t triples[3 * kPaletteTrailerColors] = {};  // red, green, blue; the rest zero
    uint32_t count = 0;         // entries filled: 2, 4, 8, 16 or 256; 0 none
    bool trailerFound = false;  // a 0x0C-marked trailer was read: its bytes are no image data
    // Ok; TrailerUnreadable (the default palette stands in, or, by the
    // in-memory rules, no colours); NoColorsForLayout (a layout that has no
    // palette; by the in-memory rules no status).
    Status status = Status::Ok;
};

// The colours of the image whose header is `header` and whose bytes `source`
// holds, by `rules`: the header's (kypcx/pcx_palette.h), or the 256-colour
// trailer, looked for only where the trailer rule allows (FindPaletteTrailerSlot).
void ReadPcxColors(const PcxByteSource& source, const PcxHeader& header, const PcxColorRules& rules,
                   PcxColors* colors);

// ---------------------------------------------------------------------------
// The plan.

// The size of the DIB block the DLL's DIB decoders allocate for an image:
// whole 32-pixel groups for every bit of a pixel, rows x height. Computed in
// 64 bits.
uint64_t DibBlockBytes(int32_t width, int32_t height, int32_t bitCount);
// Whether that block stays within kMaxDecodedImageBytes.
bool FitsDibBlock(const PcxDecodeLayout& layout);

struct PcxImagePlan {
    PcxHeader header = {};
    PcxDecodeLayout layout;
    PcxColors colors;          // count 0 and status Ok where no colours were read
    uint64_t dataStart = 0;    // the coded lines: dataBytes bytes from here
    uint64_t dataBytes = 0;    // up to the trailer, where one was found, else to the end

    // Whether a reader that must refuse an image before any row (the codec)
    // refuses this one: the colours' status, then DataUnreadable for an
    // image without coded data where the rules say so.
    Status Verdict(const PcxRowRules& rows) const;
};

// Plans the image `source` holds by `rules`, in this order: the header
// (ReadHeader), the layout (PlanPcxDecode), the size limits
// (ImageTooLarge), the colours (unless rules.readColors is false, or the
// image has alpha and so no colours), and where its coded lines lie. Returns
// the first failure; the colours' own status stays in plan->colors.status,
// for each reader to act on where it always has. plan->header is filled
// whenever its bytes were read.
Status PlanPcxImage(const PcxByteSource& source, const PcxReaderRules& rules, PcxImagePlan* plan);

// ---------------------------------------------------------------------------
// Rows.

// One row handed out: row y from the top of the image (0 is the top).
struct PcxRow {
    int32_t y = 0;
    int32_t fromData = 0;             // rows from the data so far, this one included
    const uint8_t* planes = nullptr;  // the decoded scan line, plane k at k x bytesPerLine;
                                      // null for a blank row behind the data
};

// The read-ahead kept for a read function: a block of kPcxReadAheadBlock
// bytes, or of one line's reserve where that is more, never more than the
// image's data.
constexpr size_t kPcxReadAheadBlock = 64 * 1024;
uint64_t PcxReadAheadSize(const PcxDecodeLayout& layout, uint64_t dataBytes);

// The rows of one planned image, from the top down. Lines come from the
// source's coded bytes, run-length decoded (or copied where stored) into a
// scan-line buffer; a read function is read ahead a block at a time.
//
// The one refill rule: the data ends where the read function gives fewer
// bytes than asked, or where the image's last coded byte has been read; a
// line the data ends inside is cut there (its rest zero), and lines behind
// it are not in the data. A read function that fails, or an image whose
// data gives no byte at all, is DataUnreadable.
class PcxRowReader {
public:
    // `source` and `plan` must outlive the reader.
    PcxRowReader(const PcxByteSource& source, const PcxImagePlan& plan, const PcxRowRules& rules,
                 const PcxAllocator& memory = PcxAllocator());
    ~PcxRowReader();
    PcxRowReader(const PcxRowReader&) = delete;
    PcxRowReader& operator=(const PcxRowReader&) = delete;

    // Starts (or starts again) at the image's first line. The scan-line
    // buffer is `planes` when given (encodedLineSize + kPlaneSlack bytes),
    // else one of the reader's own; a read function's read-ahead is
    // `readAhead` (`readAheadSize` bytes, at least 2) when given, else one
    // of the reader's own. Ok; DataUnreadable (no coded data, where the
    // rules say so); NoImageMemory (scan-line buffer); NoWorkingMemory
    // (read-ahead). The caller's buffers outlive the reader's use.
    Status Start(uint8_t* planes = nullptr, uint8_t* readAhead = nullptr, size_t readAheadSize = 0);

    // Hands the next `count` rows (no more than the image has left) to
    // sink(const PcxRow&), which returns false to stop (StoppedByLineFunction).
    // Ok when they were handed out, or when the data ended first and the
    // rules hand out no blank rows; DataUnreadable when the source failed
    // (the rows must then be started again); RunCrossesLineEnd where the
    // rules refuse such a run.
    template <typename Sink>
    Status ReadRows(int32_t count, Sink&& sink);

    bool started() const { return started_; }
    int32_t nextRow() const { return nextRow_; }  // the next row from the top to be handed out
    bool dataEnded() const { return dataEnded_; }
    const PcxImagePlan& plan() const { return plan_; }

    // Gives back the reader's buffers; Start makes them again.
    void Release();

private:
    enum class LineEnd { Complete, Cut, Empty, Unreadable, Corrupt };

    // The next row: *have false when there is none to hand out.
    Status NextRow(PcxRow* row, bool* have);
    LineEnd DecodeLine();
    bool Refill();
    uint8_t* Allocate(size_t bytes);

    const PcxByteSource& source_;
    const PcxImagePlan& plan_;
    PcxRowRules rules_;
    PcxAllocator memory_;

    uint8_t* planes_ = nullptr;
    bool ownPlanes_ = false;
    uint8_t* buffer_ = nullptr;  // the read-ahead
    size_t capacity_ = 0;
    bool ownBuffer_ = false;

    // The coded bytes held: data_[position_, size_) not yet decoded.
    const uint8_t* data_ = nullptr;
    size_t size_ = 0;
    size_t position_ = 0;
    bool exhausted_ = true;     // no more bytes can be brought
    uint64_t next_ = 0;         // where the next block is read
    uint64_t bytesLeft_ = 0;    // of the image's data, not yet read
    uint64_t totalRead_ = 0;

    bool started_ = false;
    bool dataEnded_ = false;
    int32_t nextRow_ = 0;
    int32_t fromData_ = 0;
};

template <typename Sink>
Status PcxRowReader::ReadRows(int32_t count, Sink&& sink) {
    for (int32_t i = 0; i < count; ++i) {
        PcxRow row;
        bool have = false;
        const Status status = NextRow(&row, &have);
        if (status != Status::Ok) return status;
        if (!have) break;
        if (!sink(static_cast<const PcxRow&>(row))) return Status::StoppedByLineFunction;
    }
    return Status::Ok;
}

}  // namespace kypcx
