// pcxgen: writes synthetic PCX images of each classic layout, for the demo,
// the benchmark and anyone who wants a file to try the library on; and turns
// a binary PPM picture into a packed 24-bit PCX file (1 plane of 24 bits,
// blue, green, red a pixel), a layout no common tool writes.
//   pcxgen <kind> <width> <height> <out.pcx>
//   kind: mono1 | ega4 | gradient8 | rgb24 | fax1
//   pcxgen packed24 <in.ppm> <out.pcx>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "kypcx/pcx_format.h"
#include "kypcx/pcx_rle_encode.h"

namespace {

struct Layout {
    uint8_t planes;
    uint8_t bitsPerPixel;
};

bool LayoutFor(const std::string& kind, Layout* layout) {
    if (kind == "mono1" || kind == "fax1") *layout = {1, 1};
    else if (kind == "ega4") *layout = {4, 1};
    else if (kind == "gradient8") *layout = {1, 8};
    else if (kind == "rgb24") *layout = {3, 8};
    else return false;
    return true;
}

// A deterministic pseudo-random source, so the images are the same every run.
uint32_t NextRandom(uint32_t* state) {
    *state = *state * 1664525u + 1013904223u;
    return *state >> 8;
}

// Fills the planes of scan line y. Each kind mixes flat areas (long runs)
// with detail (literals), as real pictures do.
void FillLine(const std::string& kind, int width, int y, uint32_t bytesPerLine, uint32_t* rng,
              std::vector<uint8_t>& line) {
    std::fill(line.begin(), line.end(), 0);
    auto setBit = [&](uint32_t plane, int x) {
        line[plane * bytesPerLine + static_cast<uint32_t>(x) / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
    };
    for (int x = 0; x < width; ++x) {
        if (kind == "mono1") {
            if (((x / 16) + (y / 16)) % 2 == 0 || (NextRandom(rng) % 97) == 0) setBit(0, x);
        } else if (kind == "fax1") {
            // Mostly white paper (bit set) with lines of "text".
            const bool textRow = (y % 40) > 10 && (y % 40) < 30 && x > 100 && x < width - 100;
            const bool ink = textRow && (NextRandom(rng) % 5 == 0 || ((x / 7) % 3 == 0 && (y % 40) == 20));
            if (!ink) setBit(0, x);
        } else if (kind == "ega4") {
            const int color = ((x / 32) + (y / 24) * 3) % 16;
            for (uint32_t p = 0; p < 4; ++p)
                if (color & (1 << p)) setBit(p, x);
        } else if (kind == "gradient8") {
            line[x] = static_cast<uint8_t>(((x * 256) / (width > 0 ? width : 1) + (y / 8)) & 0xFF);
            if ((x / 64 + y / 64) % 3 == 0) line[x] = static_cast<uint8_t>(NextRandom(rng));
        } else {  // rgb24
            line[x] = static_cast<uint8_t>((x * 255) / (width > 1 ? width - 1 : 1));
            line[bytesPerLine + x] = static_cast<uint8_t>(((y / 4) * 4) & 0xFF);
            line[2 * bytesPerLine + x] = static_cast<uint8_t>(((x + y) % 128 < 64) ? 200 : NextRandom(rng));
        }
    }
}

void Put16(uint8_t* at, int value) {
    at[0] = static_cast<uint8_t>(value & 0xFF);
    at[1] = static_cast<uint8_t>((value >> 8) & 0xFF);
}

void PutHeaderStart(uint8_t* header, uint8_t planes, uint8_t bitsPerPixel, int width, int height,
                    uint32_t bytesPerLine) {
    header[0] = kypcx::kPcxManufacturer;
    header[1] = kypcx::kPcxWrittenVersion;
    header[2] = kypcx::kPcxRleEncoding;
    header[3] = bitsPerPixel;
    Put16(header + 8, width - 1);
    Put16(header + 10, height - 1);
    Put16(header + 12, 96);
    Put16(header + 14, 96);
    header[65] = planes;
    Put16(header + 66, static_cast<int>(bytesPerLine));
    Put16(header + 68, 1);
}

// A binary PPM (P6, maxval 255) as 1 plane of 24 bits. 0, or 1 with a message.
int Packed24FromPpm(const char* in, const char* outPath) {
    FILE* f = std::fopen(in, "rb");
    int width = 0, height = 0, maxval = 0;
    if (f == nullptr || std::fscanf(f, "P6 %d %d %d", &width, &height, &maxval) != 3 || maxval != 255 ||
        std::fgetc(f) == EOF || width < 1 || height < 1 || width > 10922 || height > 32767) {
        std::fprintf(stderr, "pcxgen: %s is no binary PPM of 8-bit samples that fits the format\n", in);
        if (f != nullptr) std::fclose(f);
        return 1;
    }
    const uint32_t pixelBytes = 3 * static_cast<uint32_t>(width);
    const uint32_t bytesPerLine = pixelBytes + (pixelBytes & 1);
    uint8_t header[kypcx::kPcxHeaderSize] = {};
    PutHeaderStart(header, 1, 24, width, height, bytesPerLine);
    FILE* out = std::fopen(outPath, "wb");
    if (out == nullptr) {
        std::perror(outPath);
        std::fclose(f);
        return 1;
    }
    std::fwrite(header, 1, sizeof header, out);
    std::vector<uint8_t> rgb(pixelBytes), line(bytesPerLine, 0), coded(kypcx::MaxEncodedSize(bytesPerLine));
    for (int y = 0; y < height; ++y) {
        if (std::fread(rgb.data(), 1, rgb.size(), f) != rgb.size()) break;
        for (uint32_t x = 0; x < static_cast<uint32_t>(width); ++x) {
            line[3 * x] = rgb[3 * x + 2];
            line[3 * x + 1] = rgb[3 * x + 1];
            line[3 * x + 2] = rgb[3 * x];
        }
        std::fwrite(coded.data(), 1, kypcx::EncodePcxRuns(line.data(), line.size(), coded.data()), out);
    }
    std::fclose(f);
    return std::fclose(out) == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == "packed24") return Packed24FromPpm(argv[2], argv[3]);
    if (argc != 5) {
        std::fprintf(stderr, "usage: pcxgen mono1|fax1|ega4|gradient8|rgb24 <width> <height> <out.pcx>\n"
                             "       pcxgen packed24 <in.ppm> <out.pcx>\n");
        return 2;
    }
    const std::string kind = argv[1];
    const int width = std::atoi(argv[2]);
    const int height = std::atoi(argv[3]);
    Layout layout;
    if (!LayoutFor(kind, &layout) || width < 1 || height < 1 || width > 32767 || height > 32767) {
        std::fprintf(stderr, "pcxgen: bad kind or size\n");
        return 2;
    }
    const uint32_t pixelBytes = (static_cast<uint32_t>(width) * layout.bitsPerPixel + 7) / 8;
    const uint32_t bytesPerLine = pixelBytes + (pixelBytes & 1);  // even, as the format asks

    uint8_t header[kypcx::kPcxHeaderSize] = {};
    PutHeaderStart(header, layout.planes, layout.bitsPerPixel, width, height, bytesPerLine);
    for (int i = 0; i < 16; ++i) {  // an EGA-like header palette
        header[16 + 3 * i + 0] = static_cast<uint8_t>((i & 4) ? 170 + 85 * (i >> 3) : 85 * (i >> 3));
        header[16 + 3 * i + 1] = static_cast<uint8_t>((i & 2) ? 170 + 85 * (i >> 3) : 85 * (i >> 3));
        header[16 + 3 * i + 2] = static_cast<uint8_t>((i & 1) ? 170 + 85 * (i >> 3) : 85 * (i >> 3));
    }
    if (layout.planes == 1 && layout.bitsPerPixel == 1) {
        header[16] = 0;  // black and white
        header[19] = 255;
    }
    FILE* out = std::fopen(argv[4], "wb");
    if (out == nullptr) {
        std::perror(argv[4]);
        return 1;
    }
    std::fwrite(header, 1, sizeof header, out);
    std::vector<uint8_t> line(layout.planes * bytesPerLine);
    std::vector<uint8_t> coded(kypcx::MaxEncodedSize(line.size()));
    uint32_t rng = 12345;
    for (int y = 0; y < height; ++y) {
        FillLine(kind, width, y, bytesPerLine, &rng, line);
        std::fwrite(coded.data(), 1, kypcx::EncodePcxRuns(line.data(), line.size(), coded.data()), out);
    }
    if (layout.planes == 1 && layout.bitsPerPixel == 8) {
        uint8_t palette[kypcx::kPaletteTrailerSize];
        palette[0] = kypcx::kPaletteMarker;
        for (int i = 0; i < 256; ++i) {  // a warm ramp
            palette[1 + 3 * i] = static_cast<uint8_t>(i);
            palette[2 + 3 * i] = static_cast<uint8_t>((i * 3) / 4);
            palette[3 + 3 * i] = static_cast<uint8_t>(255 - i);
        }
        std::fwrite(palette, 1, sizeof palette, out);
    }
    return std::fclose(out) == 0 ? 0 : 1;
}
