// The bad files, built from the fixtures' bytes.
#include "support/BadFileTable.h"

#include "support/KyPcxTestSupport.h"
#include "support/PcxFixtures.h"

namespace kypcx_test {

namespace {

using Bytes = std::vector<uint8_t>;
using fixtures::TrueColor;

constexpr Outcome Refused(PcxErrorCode code) { return {code, false}; }
constexpr Outcome Partial(PcxErrorCode code) { return {code, true}; }

PcxFixture TrueColorWith(void (*change)(kypcx_test::HeaderSpec*)) {
    PcxFixture f = TrueColor();
    change(&f.header);
    return f;
}

Bytes Cut(Bytes bytes, size_t length) {
    bytes.resize(length);
    return bytes;
}

}  // namespace

std::vector<BadFile> BadFiles() {
    const Bytes whole = TrueColor().Bytes();
    return {
        {"empty", {}, Refused(PCX_ERR_FILE_IO), Refused(PCX_ERR_FILE_IO), Refused(PCX_ERR_FILE_IO),
         Refused(PCX_ERR_FILE_IO), Refused(PCX_ERR_FILE_IO)},
        {"shorter_than_a_header", Bytes(100, 0x0A), Refused(PCX_ERR_FILE_IO), Refused(PCX_ERR_FILE_IO),
         Refused(PCX_ERR_FILE_IO), Refused(PCX_ERR_FILE_IO), Refused(PCX_ERR_FILE_IO)},
        {"shorter_than_a_header_without_maker", Bytes(100, 5), Refused(PCX_ERR_FILE_IO), Refused(PCX_ERR_FILE_IO),
         Refused(PCX_ERR_FILE_IO), Refused(PCX_ERR_FILE_IO), Refused(PCX_ERR_FILE_IO)},
        {"header_only", Cut(whole, 128), Refused(PCX_ERR_PALETTE_READ), Refused(PCX_ERR_PALETTE_READ),
         Partial(PCX_OK), Refused(PCX_ERR_PALETTE_READ), Refused(PCX_ERR_PALETTE_READ)},
        {"cut_inside_the_second_line", Cut(whole, 128 + 35), Partial(PCX_OK), Partial(PCX_OK), Partial(PCX_OK),
         Partial(PCX_OK), Partial(PCX_OK)},
        {"version_1", TrueColorWith([](kypcx_test::HeaderSpec* h) { h->version = 1; }).Bytes(),
         Refused(PCX_ERR_VERSION), Refused(PCX_ERR_VERSION), Refused(PCX_ERR_VERSION), Refused(PCX_ERR_VERSION), Refused(PCX_ERR_VERSION)},
        {"version_9", TrueColorWith([](kypcx_test::HeaderSpec* h) { h->version = 9; }).Bytes(),
         Refused(PCX_ERR_VERSION), Refused(PCX_ERR_VERSION), Refused(PCX_ERR_VERSION), Refused(PCX_ERR_VERSION), Refused(PCX_ERR_VERSION)},
        {"not_coded", TrueColorWith([](kypcx_test::HeaderSpec* h) { h->encoding = 0; }).Bytes(),
         Refused(PCX_ERR_ENCODING), Refused(PCX_ERR_ENCODING), Refused(PCX_ERR_ENCODING), Refused(PCX_ERR_ENCODING), Partial(PCX_OK)},
        {"colour_space_code", TrueColorWith([](kypcx_test::HeaderSpec* h) { h->encoding = 11; }).Bytes(),
         Refused(PCX_ERR_ENCODING), Refused(PCX_ERR_ENCODING), Refused(PCX_ERR_ENCODING), Refused(PCX_ERR_ENCODING), Refused(PCX_ERR_ENCODING)},
        {"two_planes", TrueColorWith([](kypcx_test::HeaderSpec* h) { h->planes = 2; }).Bytes(),
         Refused(PCX_ERR_HARDWARE_DEPENDENT), Refused(PCX_ERR_HARDWARE_DEPENDENT),
         Refused(PCX_ERR_HARDWARE_DEPENDENT), Refused(PCX_ERR_HARDWARE_DEPENDENT), Refused(PCX_ERR_HARDWARE_DEPENDENT)},
        {"bytes_per_line_2", TrueColorWith([](kypcx_test::HeaderSpec* h) { h->bytesPerLine = 2; }).Bytes(),
         Refused(PCX_ERR_HARDWARE_DEPENDENT), Refused(PCX_ERR_HARDWARE_DEPENDENT),
         Refused(PCX_ERR_HARDWARE_DEPENDENT), Refused(PCX_ERR_HARDWARE_DEPENDENT), Refused(PCX_ERR_HARDWARE_DEPENDENT)},
        {"bytes_per_line_3", TrueColorWith([](kypcx_test::HeaderSpec* h) { h->bytesPerLine = 3; }).Bytes(),
         Refused(PCX_ERR_HARDWARE_DEPENDENT), Refused(PCX_ERR_HARDWARE_DEPENDENT),
         Refused(PCX_ERR_HARDWARE_DEPENDENT), Refused(PCX_ERR_HARDWARE_DEPENDENT), Refused(PCX_ERR_HARDWARE_DEPENDENT)},
        {"32000_square_in_a_tiny_file",
         TrueColorWith([](kypcx_test::HeaderSpec* h) {
             h->xMin = 0;
             h->xMax = 32000;
             h->yMax = 32000;
             h->bytesPerLine = 32002;
         }).Bytes(),
         Refused(PCX_ERR_CREATE_BITMAP), Refused(PCX_ERR_CREATE_BITMAP), Refused(PCX_ERR_CREATE_BITMAP),
         Refused(PCX_ERR_CREATE_BITMAP), Refused(PCX_ERR_CREATE_BITMAP)},
        // Layouts that no reader takes: refused alike by the classic decoders
        // and the layout readers.
        {"five_planes", TrueColorWith([](kypcx_test::HeaderSpec* h) { h->planes = 5; }).Bytes(),
         Refused(PCX_ERR_HARDWARE_DEPENDENT), Refused(PCX_ERR_HARDWARE_DEPENDENT),
         Refused(PCX_ERR_HARDWARE_DEPENDENT), Refused(PCX_ERR_HARDWARE_DEPENDENT),
         Refused(PCX_ERR_HARDWARE_DEPENDENT)},
        {"three_planes_of_2_bits",
         TrueColorWith([](kypcx_test::HeaderSpec* h) { h->bitsPerPixel = 2; }).Bytes(),
         Refused(PCX_ERR_HARDWARE_DEPENDENT), Refused(PCX_ERR_HARDWARE_DEPENDENT),
         Refused(PCX_ERR_HARDWARE_DEPENDENT), Refused(PCX_ERR_HARDWARE_DEPENDENT),
         Refused(PCX_ERR_HARDWARE_DEPENDENT)},
        {"16_bits_per_pixel",
         TrueColorWith([](kypcx_test::HeaderSpec* h) { h->planes = 1; h->bitsPerPixel = 16; }).Bytes(),
         Refused(PCX_ERR_HARDWARE_DEPENDENT), Refused(PCX_ERR_HARDWARE_DEPENDENT),
         Refused(PCX_ERR_HARDWARE_DEPENDENT), Refused(PCX_ERR_HARDWARE_DEPENDENT),
         Refused(PCX_ERR_HARDWARE_DEPENDENT)},
        {"no_planes", TrueColorWith([](kypcx_test::HeaderSpec* h) { h->planes = 0; }).Bytes(),
         Refused(PCX_ERR_HARDWARE_DEPENDENT), Refused(PCX_ERR_HARDWARE_DEPENDENT),
         Refused(PCX_ERR_HARDWARE_DEPENDENT), Refused(PCX_ERR_HARDWARE_DEPENDENT),
         Refused(PCX_ERR_HARDWARE_DEPENDENT)},
        // A layout only the layout readers take, cut inside its first line.
        {"four_planes_of_8_bits_cut",
         Cut(TrueColorWith([](kypcx_test::HeaderSpec* h) { h->planes = 4; h->bytesPerLine = 10; }).Bytes(), 150),
         Refused(PCX_ERR_HARDWARE_DEPENDENT), Refused(PCX_ERR_HARDWARE_DEPENDENT),
         Refused(PCX_ERR_HARDWARE_DEPENDENT), Refused(PCX_ERR_HARDWARE_DEPENDENT), Partial(PCX_OK)},
    };
}

}  // namespace kypcx_test
