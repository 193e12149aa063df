// The one PCX writer: blocks to a sink, and one image through them.
#include "kypcx/pcx_writer.h"

#include <cstring>

#include "kypcx/pcx_format.h"
#include "kypcx/pcx_rle_encode.h"

namespace kypcx {

bool PcxByteWriter::MakeRoom() {
    if (held_ < blockSize_) return true;
    if (blockSize_ == 0) return false;
    const bool written = sink_.write(sink_.context, block_, held_);
    // Dropped even when the write failed: part of it may be there already,
    // and a later write must not put those bytes there a second time.
    held_ = 0;
    return written;
}

bool PcxByteWriter::PutBytes(const uint8_t* bytes, size_t length) {
    while (length > 0) {
        if (!MakeRoom()) return false;
        const size_t room = blockSize_ - held_;
        const size_t n = length < room ? length : room;
        std::memcpy(block_ + held_, bytes, n);
        held_ += n;
        taken_ += n;
        bytes += n;
        length -= n;
    }
    return true;
}

bool PcxByteWriter::PutRun(uint8_t value, uint32_t count) {
    uint8_t codes[2];
    return PutBytes(codes, PutPcxRun(value, count, codes));
}

bool PcxByteWriter::PutCodedLine(const uint8_t* line, size_t length) {
    // The same bytes in the same blocks as coding run by run through
    // PutRun: runs are coded straight into the block while their codes fit,
    // and a run whose codes would cross the block's end goes through
    // PutBytes, so that the full block is written when the byte after it
    // arrives.
    size_t pos = 0;
    while (pos < length) {
        const size_t written = EncodePcxRunsBounded(line, length, &pos, block_ + held_, blockSize_ - held_);
        held_ += written;
        taken_ += written;
        if (pos == length) break;
        const uint32_t count = PcxRunLengthAt(line, length, pos);
        if (!PutRun(line[pos], count)) return false;
        pos += count;
    }
    return true;
}

bool PcxByteWriter::Flush() {
    if (held_ == 0) return true;
    const bool written = sink_.write(sink_.context, block_, held_);
    held_ = 0;
    return written;
}

uint64_t MaxEncodedPcxImageSize(const PcxHeader& header, uint32_t lineCount) {
    const uint64_t lineBytes = uint64_t{header.planes} * static_cast<uint16_t>(header.bytesPerLine);
    const uint64_t trailer = HasPaletteTrailer(header) ? kPaletteTrailerSize : 0;
    return kPcxHeaderSize + 2 * lineBytes * lineCount + trailer;
}

Status CheckPcxImageEnd(const PcxHeader& header, uint32_t lineCount, uint64_t start, uint64_t endLimit) {
    const uint64_t largest = MaxEncodedPcxImageSize(header, lineCount);
    if (start > endLimit || largest > endLimit - start) return Status::EndLimitPassed;
    return Status::Ok;
}

bool HasPaletteTrailer(const PcxHeader& header) { return header.planes == 1 && header.bitsPerPixel == 8; }

Status PcxImageWriter::WriteHeader() {
    return out_.PutBytes(reinterpret_cast<const uint8_t*>(&header_), sizeof header_) ? Status::Ok : Status::WriteShort;
}

Status PcxImageWriter::WriteRows(const uint8_t* rows, ptrdiff_t stride, uint32_t count) {
    if (count > linesLeft()) return Status::TooManyRows;
    const size_t lineSize = rows_.lineSize();
    for (uint32_t i = 0; i < count; ++i) {
        AssemblePcxLine(rows_, rows + static_cast<ptrdiff_t>(i) * stride, line_);
        if (!PutLine(line_, lineSize)) return Status::LineNotWritten;
        ++linesWritten_;
    }
    return Status::Ok;
}

Status PcxImageWriter::WriteLine(const uint8_t* line) {
    if (linesLeft() == 0) return Status::TooManyRows;
    if (!PutLine(line, rows_.lineSize())) return Status::LineNotWritten;
    ++linesWritten_;
    return Status::Ok;
}

bool PcxImageWriter::PutLine(const uint8_t* line, size_t length) {
    if (storedLines_) return out_.PutBytes(line, length);
    return out_.PutCodedLine(line, length);
}

Status PcxImageWriter::EndLines() { return out_.Flush() ? Status::Ok : Status::LineNotWritten; }

Status PcxImageWriter::WriteTrailer(const uint8_t* colors) {
    const uint8_t marker = kPaletteMarker;
    if (!out_.PutBytes(&marker, 1) || !out_.PutBytes(colors, 3 * kPaletteTrailerColors)) return Status::WriteShort;
    return Status::Ok;
}

Status PcxImageWriter::Finish() { return out_.Flush() ? Status::Ok : Status::WriteShort; }

}  // namespace kypcx
