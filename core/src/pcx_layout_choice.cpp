// Choosing a layout for a picture and planning how it is written.
#include "kypcx/pcx_layout_choice.h"

#include <cstring>

#include "kypcx/dib_layout.h"
#include "kypcx/pcx_format.h"

namespace kypcx {

namespace {


bool IsGrey(const uint8_t* rgb) { return rgb[0] == rgb[1] && rgb[1] == rgb[2]; }

// Whether one plane of 1 bit shows the colours: readers take its two
// colours from the header only where they are complementary greys (black
// and white among them), and give black and white otherwise.
bool TwoColorRuleShows(const PictureColors& colors) {
    if (colors.overflowed() || colors.count() > 2 || colors.count() == 0) return false;
    const uint8_t* first = colors.triple(0);
    if (!IsGrey(first)) return false;
    if (colors.count() == 1) return true;
    const uint8_t* second = colors.triple(1);
    return IsGrey(second) && (first[0] ^ second[0]) == 0xFF;
}

// Colours an indexed layout of planes x bits can number.
uint32_t LayoutColors(PcxLayout layout) {
    const uint32_t bits = uint32_t{layout.planes} * layout.bitsPerPixel;
    return bits <= 8 ? 1u << bits : 0;
}

int16_t Low16(int64_t value) { return static_cast<int16_t>(static_cast<uint16_t>(value & 0xFFFF)); }

}  // namespace

void PictureColors::Clear() {
    std::memset(slots_, 0, sizeof slots_);
    std::memset(numbers_, 0, sizeof numbers_);
    std::memset(triples_, 0, sizeof triples_);
    count_ = 0;
    overflowed_ = false;
    translucent_ = false;
}

uint32_t PictureColors::Find(uint32_t key) const {
    uint32_t slot = (key * 2654435761u) >> 22;  // the top 10 bits: 0..1023
    while (slots_[slot] != 0 && slots_[slot] != key + 1) slot = (slot + 1) & (kSlots - 1);
    return slot;
}

void PictureColors::Add(const uint8_t* bgra, size_t count) {
    uint32_t last = ~0u;  // neighbours repeat: the last colour is not looked up again
    for (size_t i = 0; i < count; ++i, bgra += 4) {
        if (bgra[3] != 255) translucent_ = true;
        if (overflowed_) continue;
        const uint32_t key = Key(bgra);
        if (key == last) continue;
        last = key;
        const uint32_t slot = Find(key);
        if (slots_[slot] != 0) continue;
        if (count_ == 256) {
            overflowed_ = true;
            continue;
        }
        slots_[slot] = key + 1;
        numbers_[slot] = static_cast<uint8_t>(count_);
        triples_[3 * count_] = bgra[2];
        triples_[3 * count_ + 1] = bgra[1];
        triples_[3 * count_ + 2] = bgra[0];
        ++count_;
    }
}

int PictureColors::IndexOf(const uint8_t* bgr) const {
    const uint32_t slot = Find(Key(bgr));
    return slots_[slot] == 0 ? -1 : numbers_[slot];
}

PcxLayout SmallestLayout(const PictureColors& colors) {
    if (colors.translucent()) return PcxLayout{4, 8};
    if (colors.overflowed()) return PcxLayout{3, 8};
    if (TwoColorRuleShows(colors)) return PcxLayout{1, 1};
    const uint32_t n = colors.count();
    if (n <= 4) return PcxLayout{2, 1};
    if (n <= 8) return PcxLayout{3, 1};
    if (n <= 16) return PcxLayout{4, 1};
    return PcxLayout{1, 8};
}

Status PlanPcxSave(PcxLayout layout, const PictureColors& colors, const PcxSavePicture& picture, PcxSavePlan* plan) {
    if (!IsDecodablePcxLayout(layout.planes, layout.bitsPerPixel, PcxLayoutSet::Every))
        return Status::UndecodableLayout;
    if (picture.width < 1 || picture.height < 1) return Status::UndecodableLayout;
    const uint64_t bitsPerPlaneRow = uint64_t(picture.width) * layout.bitsPerPixel;
    // Planes of an even number of bytes, as writers have always made them.
    const uint64_t planeBytes = (bitsPerPlaneRow + 15) / 16 * 2;
    if (picture.width > kMaxPcxDimension || picture.height > kMaxPcxDimension || planeBytes > kMaxPcxBytesPerLine)
        return Status::ImageTooLarge;

    const uint32_t numbered = LayoutColors(layout);
    const bool indexed = numbered != 0;
    if (indexed && (colors.overflowed() || colors.count() > numbered)) return Status::PictureDoesNotFit;
    if (layout.planes == 1 && layout.bitsPerPixel == 1 && !TwoColorRuleShows(colors)) return Status::PictureDoesNotFit;

    PcxHeader& h = plan->header;
    std::memset(&h, 0, sizeof h);
    h.manufacturer = kPcxManufacturer;
    h.version = kPcxWrittenVersion;
    h.encoding = picture.storedLines ? kPcxStoredEncoding : kPcxRleEncoding;
    h.bitsPerPixel = layout.bitsPerPixel;
    h.planes = layout.planes;
    h.xMax = Low16(int64_t{picture.width} - 1);
    h.yMax = Low16(int64_t{picture.height} - 1);
    h.horizontalDpi = picture.dpiX;
    h.verticalDpi = picture.dpiY;
    h.bytesPerLine = Low16(static_cast<int64_t>(planeBytes));
    h.paletteInfo = 1;
    h.horizontalScreenSize = picture.screenWidth;
    h.verticalScreenSize = picture.screenHeight;

    plan->trailer = false;
    std::memset(plan->trailerColors, 0, sizeof plan->trailerColors);
    if (indexed && numbered <= kHeaderPaletteColors) {
        // Unused entries white: a one-plane 2-bit header whose entries 2 and
        // 3 are black could be read as a CGA palette's bytes.
        for (uint32_t i = 0; i < numbered; ++i) {
            uint8_t* entry = h.palette + 3 * i;
            if (i < colors.count()) {
                std::memcpy(entry, colors.triple(i), 3);
            } else {
                std::memset(entry, 0xFF, 3);
            }
        }
        if (numbered == 2 && colors.count() == 1) std::memset(h.palette + 3, 0xFF ^ h.palette[0], 3);
    } else if (indexed) {
        plan->trailer = true;
        std::memcpy(plan->trailerColors, colors.triple(0), 3 * size_t(colors.count()));
    }

    const uint32_t bpl = static_cast<uint32_t>(planeBytes);
    const uint64_t width = static_cast<uint64_t>(picture.width);
    if (indexed) {
        plan->form = PcxSaveRows::Indices;
        plan->rows = IndexRowLayout(picture.width, layout.planes, layout.bitsPerPixel, bpl);
        plan->rowBytes = width;
    } else if (layout.planes == 4) {
        plan->form = PcxSaveRows::Bgra;
        plan->rows = PcxRowLayout{};
        plan->rows.kind = PcxRowKind::Bgra32;
        plan->rows.width = picture.width;
        plan->rows.planes = 4;
        plan->rows.bytesPerLine = bpl;
        plan->rowBytes = 4 * width;
        plan->rows.rowBytes = plan->rowBytes;
    } else if (layout.planes == 3) {
        plan->form = PcxSaveRows::Bgr;
        plan->rows = BgrRowLayout(picture.width, static_cast<int32_t>(bpl));
        plan->rowBytes = 3 * width;
        plan->rows.rowBytes = plan->rowBytes;
    } else {
        // One plane of packed pixels: 24 bits (blue, green, red) or 32 bits
        // (and a byte no reader shows), which are the scan line's bytes.
        plan->form = layout.bitsPerPixel == 24 ? PcxSaveRows::Bgr : PcxSaveRows::Bgrx;
        plan->rows = PcxRowLayout{};
        plan->rows.kind = PcxRowKind::Copied;
        plan->rows.width = picture.width;
        plan->rows.planes = 1;
        plan->rows.bytesPerLine = bpl;
        plan->rowBytes = (layout.bitsPerPixel / 8) * width;
        plan->rows.rowBytes = plan->rowBytes;
    }
    return Status::Ok;
}

void ConvertSaveRow(const PcxSavePlan& plan, const PictureColors& colors, const uint8_t* bgra, int32_t width,
                    uint8_t* out) {
    const size_t n = width > 0 ? static_cast<size_t>(width) : 0;
    switch (plan.form) {
    case PcxSaveRows::Indices:
        for (size_t x = 0; x < n; ++x, bgra += 4) {
            const int index = colors.IndexOf(bgra);
            out[x] = static_cast<uint8_t>(index < 0 ? 0 : index);
        }
        break;
    case PcxSaveRows::Bgr:
        for (size_t x = 0; x < n; ++x, bgra += 4, out += 3) std::memcpy(out, bgra, 3);
        break;
    case PcxSaveRows::Bgra:
        std::memcpy(out, bgra, 4 * n);
        break;
    case PcxSaveRows::Bgrx:
        for (size_t x = 0; x < n; ++x, bgra += 4, out += 4) {
            std::memcpy(out, bgra, 3);
            out[3] = 0;
        }
        break;
    }
}

}  // namespace kypcx
