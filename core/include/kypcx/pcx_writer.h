// The one PCX writer. Every PCX image the library writes goes through it:
// the save exports, the DCX adds and the append write their files with it,
// each from its own rows (a DIB's, a device bitmap's lines), and an encoder
// that is handed rows a few at a time pushes them as they come.
//
// Two stages:
//  - PcxByteWriter gathers bytes in a block the caller owns and hands the
//    sink whole blocks; scan lines are run-length coded straight into the
//    block;
//  - PcxImageWriter writes one image through it: the header, the rows
//    (split into planes as a PcxRowLayout says, then coded) and the
//    256-colour trailer, and says where the image may end.
// Headers come from pcx_encode_header.h, plane splitting from
// pcx_encode_planes.h, the run coder from pcx_rle_encode.h.
//
// The writer allocates nothing: its block and its line buffer come from the
// caller. Failures are Status values. Portable: no Windows headers.
#pragma once

#include <cstddef>
#include <cstdint>

#include "KyPcxTypes.h"
#include "kypcx/pcx_encode_planes.h"
#include "kypcx/status.h"

namespace kypcx {

// Where written bytes go: `write(context, bytes, length)` answers true when
// every byte was written. After a false answer any part of the bytes may be
// there; the writer never offers them again, so none is written twice.
struct PcxSink {
    bool (*write)(void* context, const uint8_t* bytes, size_t length) = nullptr;
    void* context = nullptr;
};

// Bytes gathered into whole blocks. A full block goes to the sink when the
// byte after it arrives, not when it fills, so a sink sees only blocks of
// exactly blockSize bytes until Flush hands it the rest. A block whose
// write failed is dropped all the same (its bytes may be partly written).
// Every routine answers false when a block write failed under it; what it
// was given after the failure is not taken.
class PcxByteWriter {
public:
    // `block` holds `blockSize` bytes, of which the first `held` are already
    // taken and not yet written. A writer with no block (blockSize 0) takes
    // nothing: every routine that is given bytes fails.
    PcxByteWriter(const PcxSink& sink, uint8_t* block, size_t blockSize, size_t held = 0)
        : sink_(sink), block_(block), blockSize_(blockSize), held_(held) {}
    PcxByteWriter(const PcxByteWriter&) = delete;
    PcxByteWriter& operator=(const PcxByteWriter&) = delete;

    // Goes on in another block (or none), whatever the old one held.
    void UseBlock(uint8_t* block, size_t blockSize, size_t held) {
        block_ = block;
        blockSize_ = blockSize;
        held_ = held;
    }

    bool PutBytes(const uint8_t* bytes, size_t length);
    // The codes of one run of `count` (0 to 63) `value` bytes: 1 or 2 bytes,
    // none for a count of 0.
    bool PutRun(uint8_t value, uint32_t count);
    // The run-length codes of `length` bytes, as one stretch: no run is
    // carried into the next call.
    bool PutCodedLine(const uint8_t* line, size_t length);
    // Writes what is held; true when nothing was held.
    bool Flush();

    size_t held() const { return held_; }
    // Bytes taken since the writer was made (held ones included, and those
    // of a dropped block).
    uint64_t taken() const { return taken_; }

private:
    // Makes room for at least one byte: writes the block if it is full.
    bool MakeRoom();

    PcxSink sink_;
    uint8_t* block_;
    size_t blockSize_;
    size_t held_;
    uint64_t taken_ = 0;
};

// The most bytes an image with this header and `lineCount` lines can take
// when written: the header, every line coded at worst (each byte as a count
// and a value), and the 256-colour trailer of an 8-bit single-plane image.
uint64_t MaxEncodedPcxImageSize(const PcxHeader& header, uint32_t lineCount);

// Whether an image that starts at offset `start` of its file ends before
// `endLimit` whatever its lines code to: EndLimitPassed when its largest
// coded size could take it past (a DCX item must end where a 32-bit offset
// reaches), else Ok.
Status CheckPcxImageEnd(const PcxHeader& header, uint32_t lineCount, uint64_t start, uint64_t endLimit);

// Whether an image with this header ends in the 256-colour trailer: one
// plane of 8 bits.
bool HasPaletteTrailer(const PcxHeader& header);

// One image: `lineCount` scan lines of rows.lineSize() bytes under `header`,
// run-length coded, or stored as they are after StoreLines (for a header
// whose encoding byte says so: 0).
// The caller writes the header (or, continuing an image already in the
// file, does not), then rows or ready scan lines top first in as many calls
// as it likes, then ends the lines or the image. `line` (rows.lineSize()
// bytes, the caller's) receives each row's scan line before it is coded.
//
// Statuses: WriteShort where the header, the trailer or the image's end
// could not be written; LineNotWritten where a block holding scan-line codes
// could not be written (the lines before it stay written); TooManyRows for
// rows beyond the last line (none of them is written).
class PcxImageWriter {
public:
    PcxImageWriter(PcxByteWriter& out, const PcxHeader& header, const PcxRowLayout& rows, uint32_t lineCount,
                   uint8_t* line)
        : out_(out), header_(header), rows_(rows), lineCount_(lineCount), line_(line) {}
    PcxImageWriter(const PcxImageWriter&) = delete;
    PcxImageWriter& operator=(const PcxImageWriter&) = delete;

    // Lines go into the file as they are, not run-length coded.
    void StoreLines() { storedLines_ = true; }

    Status WriteHeader();
    // `count` rows, row i at rows + i x stride, each split into the planes of
    // a scan line and coded.
    Status WriteRows(const uint8_t* rows, ptrdiff_t stride, uint32_t count);
    // One scan line already in planes (rows.lineSize() bytes), coded as it is.
    Status WriteLine(const uint8_t* line);
    // Writes what is held of the lines: LineNotWritten when it cannot be,
    // so that a writer that goes on with other bytes (the append moves the
    // old trailer behind the new lines) knows the lines are in the file.
    Status EndLines();
    // The 0x0C marker and 256 colours (768 bytes of red, green, blue).
    Status WriteTrailer(const uint8_t* colors);
    // Writes what is held: the image's end.
    Status Finish();

    // The scan line of the last row written, in planes: what a row became.
    uint8_t* line() const { return line_; }
    uint32_t linesWritten() const { return linesWritten_; }
    uint32_t linesLeft() const { return lineCount_ - linesWritten_; }
    const PcxHeader& header() const { return header_; }

private:
    // One scan line, run-length coded or stored as it is.
    bool PutLine(const uint8_t* line, size_t length);

    PcxByteWriter& out_;
    PcxHeader header_;
    PcxRowLayout rows_;
    uint32_t lineCount_;
    uint8_t* line_;
    uint32_t linesWritten_ = 0;
    bool storedLines_ = false;
};

}  // namespace kypcx
