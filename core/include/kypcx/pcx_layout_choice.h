// Saving a picture in any layout the layout readers read: the smallest one
// that gives the picture back exactly (its colours, and its alpha where some
// pixel is not opaque), or one the caller names; the header that describes
// it, and the rows the writer takes for it. Pictures come as rows of blue,
// green, red and alpha bytes, whatever they were stored as.
// Portable: no Windows headers.
#pragma once

#include <cstddef>
#include <cstdint>

#include "KyPcxTypes.h"
#include "kypcx/pcx_encode_planes.h"
#include "kypcx/status.h"

namespace kypcx {

// A layout by its planes and bits per pixel.
struct PcxLayout {
    uint8_t planes = 0;
    uint8_t bitsPerPixel = 0;
};

// The distinct colours of a picture, up to 256, in the order they first
// appear, and whether it has more, and whether some pixel is not opaque.
class PictureColors {
public:
    PictureColors() { Clear(); }
    void Clear();
    // Takes `count` pixels of blue, green, red and alpha bytes.
    void Add(const uint8_t* bgra, size_t count);

    uint32_t count() const { return count_; }
    bool overflowed() const { return overflowed_; }
    bool translucent() const { return translucent_; }
    // Red, green and blue of colour i.
    const uint8_t* triple(uint32_t i) const { return triples_ + 3 * size_t(i); }
    // The number of the colour (blue, green, red), or -1 when not held.
    int IndexOf(const uint8_t* bgr) const;

private:
    static constexpr uint32_t kSlots = 1024;  // open addressing, never more than a quarter full
    static uint32_t Key(const uint8_t* bgr) { return uint32_t{bgr[0]} | uint32_t{bgr[1]} << 8 | uint32_t{bgr[2]} << 16; }
    uint32_t Find(uint32_t key) const;

    uint32_t slots_[kSlots];   // 0 empty, else the colour's key + 1
    uint8_t numbers_[kSlots];  // the number of the colour in the slot
    uint8_t triples_[3 * 256];
    uint32_t count_ = 0;
    bool overflowed_ = false;
    bool translucent_ = false;
};

// The smallest layout the layout readers give `colors` back from: one plane
// of 1 bit for black and white (or a pair of greys the two-colour rule
// shows), 2 and 3 planes of 1 bit for 4 and 8 colours, 4 planes for 16, one
// plane of 8 bits for 256, 3 planes of 8 bits beyond, 4 planes of 8 bits
// where a pixel is not opaque.
PcxLayout SmallestLayout(const PictureColors& colors);

// The rows a PcxSavePlan's writer takes, one a line.
enum class PcxSaveRows : uint8_t {
    Indices,  // a colour number a byte
    Bgr,      // blue, green, red bytes
    Bgra,     // blue, green, red, alpha bytes
    Bgrx,     // blue, green, red and a zero byte
};

// How a picture is written in a layout.
struct PcxSavePlan {
    PcxHeader header;
    PcxRowLayout rows;
    PcxSaveRows form = PcxSaveRows::Bgr;
    uint64_t rowBytes = 0;   // of a row in `form`
    bool trailer = false;    // the 256 colours follow the lines
    uint8_t trailerColors[768];
};

// What the header takes beyond the layout and the colours.
struct PcxSavePicture {
    int32_t width = 0;
    int32_t height = 0;
    int16_t dpiX = 0;
    int16_t dpiY = 0;
    int16_t screenWidth = 0;
    int16_t screenHeight = 0;
    bool storedLines = false;  // encoding 0: lines stored as they are
};

// Plans writing a picture of `colors` in `layout`. Statuses:
// UndecodableLayout for a layout the layout readers do not read;
// PictureDoesNotFit for an indexed layout with fewer colours than the
// picture (or one plane of 1 bit for two colours the two-colour rule cannot
// show); ImageTooLarge for a size the header cannot hold. Alpha is kept
// only by 4 planes of 8 bits.
Status PlanPcxSave(PcxLayout layout, const PictureColors& colors, const PcxSavePicture& picture, PcxSavePlan* plan);

// Turns one row of the picture (blue, green, red, alpha a pixel) into the
// plan's row form at `out` (plan.rowBytes bytes).
void ConvertSaveRow(const PcxSavePlan& plan, const PictureColors& colors, const uint8_t* bgra, int32_t width,
                    uint8_t* out);

}  // namespace kypcx
