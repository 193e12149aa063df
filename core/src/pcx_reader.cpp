// The one PCX reader: the header, the plan, the colours and the rows.
#include "kypcx/pcx_reader.h"

#include <cstdlib>
#include <cstring>

#include "kypcx/pcx_rle_decode.h"
#include "kypcx/pcx_row_assemble.h"

namespace kypcx {

namespace {

// Reads exactly `count` bytes at `at`; false when they are not all there or
// cannot be read. A read function is asked whatever the extent says: its
// end bounds an image's data and trailer, which are looked for inside it,
// while a header is read as the source holds it (a DCX page's extent may be
// shorter than a header). A span holds no byte behind its end.
bool ReadExactly(const PcxByteSource& source, uint64_t at, uint8_t* bytes, size_t count) {
    if (source.read == nullptr) {
        if (source.memory == nullptr || at > source.end || count > source.end - at) return false;
        std::memcpy(bytes, source.memory + at, count);
        return true;
    }
    size_t got = 0;
    return source.read(source.context, at, bytes, count, &got) && got == count;
}

// Bytes of coded data between the end of the header at `start` and `dataEnd`.
uint64_t DataBytesBetween(uint64_t start, uint64_t dataEnd) {
    const uint64_t first = start + kPcxHeaderSize;
    return dataEnd > first && first > start ? dataEnd - first : 0;
}

// The 256 colours behind the image: the marker byte 0x0C, then 768 bytes.
void ReadTrailerColors(const PcxByteSource& source, bool required, PcxColors* colors) {
    uint8_t marker = 0;
    uint64_t markerOffset = 0;
    const bool slot = FindPaletteTrailerSlot(source.start, source.end, &markerOffset);
    const bool read = slot && ReadExactly(source, markerOffset, &marker, 1);
    colors->count = kPaletteTrailerColors;
    if (required) {
        // No marked trailer, no colours.
        if (!read || marker != kPaletteMarker ||
            !ReadExactly(source, markerOffset + 1, colors->triples, 3 * kPaletteTrailerColors)) {
            std::memset(colors->triples, 0, sizeof colors->triples);
            colors->status = Status::TrailerUnreadable;
            colors->count = 0;
            return;
        }
        colors->trailerFound = true;
        return;
    }
    // Anything short of a trailer gives the default colours.
    if (!read) {
        colors->status = Status::TrailerUnreadable;
        BuildDefaultPalette256(colors->triples);
        return;
    }
    if (marker != kPaletteMarker) {
        // No trailer: the file does not say which colours it means; a grey
        // ramp is what other readers show for such images.
        BuildGreyPalette256(colors->triples);
        return;
    }
    if (!ReadExactly(source, markerOffset + 1, colors->triples, 3 * kPaletteTrailerColors)) {
        colors->status = Status::TrailerUnreadable;
        BuildDefaultPalette256(colors->triples);
        return;
    }
    colors->trailerFound = true;
}

void* CallocBlock(void*, size_t bytes) { return std::calloc(1, bytes); }
void FreeBlock(void*, void* block) { std::free(block); }

}  // namespace

PcxByteSource PcxBytesInMemory(const uint8_t* bytes, size_t length) {
    PcxByteSource source;
    source.memory = bytes;
    source.end = bytes != nullptr ? length : 0;
    return source;
}

PcxByteSource PcxBytesThrough(PcxReadFunction read, void* context, uint64_t start, uint64_t end) {
    PcxByteSource source;
    source.read = read;
    source.context = context;
    source.start = start;
    source.end = end;
    return source;
}

// ---------------------------------------------------------------------------
// Rules.

PcxReaderRules ClassicDibReaderRules(bool checkEncoding) {
    PcxReaderRules rules;
    rules.header = ClassicHeaderRules(checkEncoding);
    return rules;
}

PcxReaderRules ClassicBitmapReaderRules() {
    PcxReaderRules rules;
    rules.header = ClassicHeaderRules(true);
    rules.limit = PcxSizeLimit::DecodedImage;
    return rules;
}

PcxReaderRules MemoryBitmapReaderRules() {
    PcxReaderRules rules = ClassicBitmapReaderRules();
    rules.colors.inMemoryBitmap = true;
    rules.rows.runs = PcxRunPolicy::RefuseCrossing;
    rules.rows.noDataUnreadable = false;
    return rules;
}

PcxReaderRules LayoutReaderRules(bool classicOnly, bool colorSpaceCodes, PcxCgaReading cga) {
    PcxReaderRules rules;
    rules.header.layouts = classicOnly ? PcxLayoutSet::Classic : PcxLayoutSet::Every;
    rules.header.storedLines = !classicOnly;
    rules.header.colorSpaceCodes = colorSpaceCodes;
    rules.colors.layouts = rules.header.layouts;
    rules.colors.cga = cga;
    return rules;
}

PcxReaderRules CodecReaderRules() {
    PcxReaderRules rules = LayoutReaderRules(false, false, PcxCgaReading::ByRule);
    rules.rows.blankRowsAfterData = true;
    return rules;
}

PcxReaderRules PainterReaderRules() {
    PcxReaderRules rules;
    rules.header = PainterHeaderRules();
    rules.readColors = false;
    rules.limit = PcxSizeLimit::None;
    rules.rows.keepCutLine = false;
    return rules;
}

// ---------------------------------------------------------------------------
// The header, the colours and the plan.

Status ReadHeader(const PcxByteSource& source, const PcxHeaderRules& rules, PcxHeader* header) {
    uint8_t bytes[kPcxHeaderSize];
    // A short header would leave bytes undefined; it is no header at all.
    if (!ReadExactly(source, source.start, bytes, sizeof bytes)) return Status::HeaderCutShort;
    LoadPcxHeader(bytes, header);
    return CheckPcxHeader(*header, rules);
}

void ReadPcxColors(const PcxByteSource& source, const PcxHeader& header, const PcxColorRules& rules,
                   PcxColors* colors) {
    *colors = PcxColors();
    if (rules.inMemoryBitmap && header.planes == 1 && header.bitsPerPixel == 1) {
        const uint8_t blackWhite[6] = {0, 0, 0, 255, 255, 255};
        std::memcpy(colors->triples, blackWhite, sizeof blackWhite);
        colors->count = 2;
        return;
    }
    if (header.planes == 1 && header.bitsPerPixel == 8) {
        ReadTrailerColors(source, rules.inMemoryBitmap, colors);
        return;
    }
    colors->count = BuildHeaderColors(header, rules.layouts, rules.cga, colors->triples);
    if (colors->count == 0 && !rules.inMemoryBitmap) colors->status = Status::NoColorsForLayout;
}

uint64_t DibBlockBytes(int32_t width, int32_t height, int32_t bitCount) {
    if (width < 1 || height < 1 || bitCount < 0) return 0;
    return uint64_t((int64_t{width} + 31) / 32) * 4 * uint64_t(bitCount) * uint64_t(height);
}

bool FitsDibBlock(const PcxDecodeLayout& layout) {
    return DibBlockBytes(layout.width, layout.height, layout.bitCount) <= kMaxDecodedImageBytes;
}

Status PcxImagePlan::Verdict(const PcxRowRules& rows) const {
    if (colors.status != Status::Ok) return colors.status;
    if (dataBytes == 0 && rows.noDataUnreadable) return Status::DataUnreadable;
    return Status::Ok;
}

Status PlanPcxImage(const PcxByteSource& source, const PcxReaderRules& rules, PcxImagePlan* plan) {
    *plan = PcxImagePlan();
    Status status = ReadHeader(source, rules.header, &plan->header);
    if (status != Status::Ok) return status;
    status = PlanPcxDecode(plan->header, rules.header, &plan->layout);
    if (status != Status::Ok) return status;
    const PcxDecodeLayout& layout = plan->layout;

    // Sizes no memory, or no data of this length, could back.
    if (rules.limit != PcxSizeLimit::None &&
        (layout.imageSize > kMaxDecodedImageBytes ||
         !IsPlausibleImageSize(layout, DataBytesBetween(source.start, source.end)) ||
         (rules.limit == PcxSizeLimit::DibBlock && !FitsDibBlock(layout))))
        return Status::ImageTooLarge;

    // An image with alpha has no colours to read.
    if (rules.readColors && layout.pixels != PcxPixels::PlanarRgba)
        ReadPcxColors(source, plan->header, rules.colors, &plan->colors);

    // The trailer of a 256-colour image is not image data.
    const uint64_t dataEnd = plan->colors.trailerFound ? source.end - kPaletteTrailerSize : source.end;
    plan->dataStart = source.start + kPcxHeaderSize;
    plan->dataBytes = DataBytesBetween(source.start, dataEnd);
    return Status::Ok;
}

// ---------------------------------------------------------------------------
// Rows.

uint64_t PcxReadAheadSize(const PcxDecodeLayout& layout, uint64_t dataBytes) {
    uint64_t size = PcxLineReserve(layout);
    if (size < kPcxReadAheadBlock) size = kPcxReadAheadBlock;
    return size < dataBytes ? size : dataBytes;
}

PcxRowReader::PcxRowReader(const PcxByteSource& source, const PcxImagePlan& plan, const PcxRowRules& rules,
                           const PcxAllocator& memory)
    : source_(source), plan_(plan), rules_(rules), memory_(memory) {
    if (memory_.allocate == nullptr || memory_.release == nullptr) {
        memory_.allocate = CallocBlock;
        memory_.release = FreeBlock;
        memory_.context = nullptr;
    }
}

PcxRowReader::~PcxRowReader() { Release(); }

void PcxRowReader::Release() {
    if (ownPlanes_ && planes_ != nullptr) memory_.release(memory_.context, planes_);
    if (ownBuffer_ && buffer_ != nullptr) memory_.release(memory_.context, buffer_);
    planes_ = nullptr;
    buffer_ = nullptr;
    ownPlanes_ = false;
    ownBuffer_ = false;
    capacity_ = 0;
    started_ = false;
}

uint8_t* PcxRowReader::Allocate(size_t bytes) {
    return static_cast<uint8_t*>(memory_.allocate(memory_.context, bytes));
}

Status PcxRowReader::Start(uint8_t* planes, uint8_t* readAhead, size_t readAheadSize) {
    const PcxDecodeLayout& layout = plan_.layout;
    started_ = false;
    nextRow_ = 0;
    fromData_ = 0;
    dataEnded_ = false;
    if (plan_.dataBytes == 0) {
        if (rules_.noDataUnreadable) return Status::DataUnreadable;
        dataEnded_ = true;
    }

    if (planes != nullptr) {
        if (ownPlanes_ && planes_ != nullptr) memory_.release(memory_.context, planes_);
        planes_ = planes;
        ownPlanes_ = false;
    } else if (planes_ == nullptr) {
        const uint64_t size = uint64_t(layout.encodedLineSize) + kPlaneSlack;
        planes_ = size <= SIZE_MAX / 2 ? Allocate(static_cast<size_t>(size)) : nullptr;
        if (planes_ == nullptr) return Status::NoImageMemory;
        ownPlanes_ = true;
    }

    next_ = plan_.dataStart;
    bytesLeft_ = plan_.dataBytes;
    totalRead_ = 0;
    position_ = 0;
    if (source_.read == nullptr) {
        // Every byte is held from the start.
        data_ = source_.memory != nullptr ? source_.memory + plan_.dataStart : nullptr;
        size_ = data_ != nullptr ? static_cast<size_t>(plan_.dataBytes) : 0;
        exhausted_ = true;
    } else if (!dataEnded_) {
        if (readAhead != nullptr && readAheadSize >= 2) {
            if (ownBuffer_ && buffer_ != nullptr) memory_.release(memory_.context, buffer_);
            buffer_ = readAhead;
            capacity_ = readAheadSize;
            ownBuffer_ = false;
        } else if (buffer_ == nullptr) {
            const uint64_t size = PcxReadAheadSize(layout, plan_.dataBytes);
            buffer_ = size <= SIZE_MAX / 2 ? Allocate(static_cast<size_t>(size)) : nullptr;
            if (buffer_ == nullptr) return Status::NoWorkingMemory;
            capacity_ = static_cast<size_t>(size);
            ownBuffer_ = true;
        }
        data_ = buffer_;
        size_ = 0;
        exhausted_ = false;
    } else {
        data_ = nullptr;
        size_ = 0;
        exhausted_ = true;
    }
    started_ = true;
    return Status::Ok;
}

bool PcxRowReader::Refill() {
    const size_t remaining = size_ - position_;
    std::memmove(buffer_, buffer_ + position_, remaining);
    data_ = buffer_;
    position_ = 0;
    size_ = remaining;

    size_t wanted = capacity_ - remaining;
    if (wanted > bytesLeft_) wanted = static_cast<size_t>(bytesLeft_);
    size_t got = 0;
    if (wanted != 0 && (!source_.read(source_.context, next_, buffer_ + remaining, wanted, &got) || got > wanted))
        return false;
    // The data ends where the read gives fewer bytes than asked, or where
    // the image's last byte has been read; the bytes held still decode.
    exhausted_ = got < wanted || got == bytesLeft_;
    size_ += got;
    next_ += got;
    bytesLeft_ -= got;
    totalRead_ += got;
    return totalRead_ != 0;
}

PcxRowReader::LineEnd PcxRowReader::DecodeLine() {
    const PcxDecodeLayout& layout = plan_.layout;
    const size_t lineSize = layout.encodedLineSize;
    size_t produced = 0;
    for (;;) {
        if (layout.coding == PcxLineCoding::RunLength) {
            if (!DecodePcxRuns(data_, size_, &position_, planes_, lineSize, &produced, rules_.runs))
                return LineEnd::Corrupt;
        } else {
            size_t take = size_ - position_;
            if (take > lineSize - produced) take = lineSize - produced;
            if (take != 0) std::memcpy(planes_ + produced, data_ + position_, take);
            position_ += take;
            produced += take;
        }
        if (produced == lineSize) return LineEnd::Complete;
        // The held bytes ran out inside the line (a padded or oddly coded
        // line can need more than one block): read on, or stop.
        if (exhausted_) break;
        if (!Refill()) return LineEnd::Unreadable;
    }
    if (produced == 0) return LineEnd::Empty;
    std::memset(planes_ + produced, 0, lineSize - produced);
    return LineEnd::Cut;
}

Status PcxRowReader::NextRow(PcxRow* row, bool* have) {
    *have = false;
    if (!started_ || nextRow_ >= plan_.layout.height) return Status::Ok;
    if (!dataEnded_) {
        switch (DecodeLine()) {
        case LineEnd::Unreadable:
            started_ = false;
            return Status::DataUnreadable;
        case LineEnd::Corrupt:
            started_ = false;
            return Status::RunCrossesLineEnd;
        case LineEnd::Empty:
            dataEnded_ = true;
            break;
        case LineEnd::Cut:
            // No line follows a cut one.
            dataEnded_ = true;
            if (!rules_.keepCutLine) break;
            row->y = nextRow_++;
            row->fromData = ++fromData_;
            row->planes = planes_;
            *have = true;
            return Status::Ok;
        case LineEnd::Complete:
            row->y = nextRow_++;
            row->fromData = ++fromData_;
            row->planes = planes_;
            *have = true;
            return Status::Ok;
        }
    }
    if (!rules_.blankRowsAfterData) return Status::Ok;
    row->y = nextRow_++;
    row->fromData = fromData_;
    row->planes = nullptr;
    *have = true;
    return Status::Ok;
}

}  // namespace kypcx
