// core_decode_bench: times the portable core's decode loop on its own (the
// run-length decoder and the row assembly into a bottom-up DIB-sized buffer,
// as the DLL's file decoder drives them), with no Windows file reading, no
// global memory blocks and no GDI. Beside kypcx_bench's figures for the DLL
// it tells how much of a decode is the core's work and how much the rest.
// Built natively and, for the same code as the DLL runs, cross-built for Wine.
//   core_decode_bench [--runs N] file.pcx...
// Per file one line: "CORE_BENCH file=... read_decode_ms=... decode_ms=...".
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "kypcx/pcx_decode.h"
#include "kypcx/pcx_format.h"

namespace {

using Clock = std::chrono::steady_clock;

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

bool ReadWholeFile(const char* path, std::vector<uint8_t>* bytes) {
    FILE* in = std::fopen(path, "rb");
    if (in == nullptr) return false;
    std::fseek(in, 0, SEEK_END);
    const long size = std::ftell(in);
    std::fseek(in, 0, SEEK_SET);
    bytes->resize(size > 0 ? static_cast<size_t>(size) : 0);
    const bool ok = size >= 0 && std::fread(bytes->data(), 1, bytes->size(), in) == bytes->size();
    std::fclose(in);
    return ok;
}

// Decodes every scan line of `bytes` into a freshly allocated image, the way
// the DLL fills a DIB: rows bottom-up, short lines completed with zeros.
// Returns a checksum of the image so that the work cannot be optimised away.
uint32_t DecodeImage(const std::vector<uint8_t>& bytes, const kypcx::PcxDecodeLayout& layout) {
    std::unique_ptr<uint8_t[]> image(new uint8_t[layout.imageSize]);
    std::vector<uint8_t> planes(layout.encodedLineSize + kypcx::kPlaneSlack);
    size_t pos = kypcx::kPcxHeaderSize;
    for (int32_t y = 0; y < layout.height; ++y) {
        const size_t got = kypcx::DecodePcxRuns(bytes.data(), bytes.size(), &pos, planes.data(),
                                                layout.encodedLineSize, 0);
        if (got < layout.encodedLineSize) std::memset(planes.data() + got, 0, layout.encodedLineSize - got);
        kypcx::AssemblePcxRow(layout, planes.data(), image.get() + size_t(layout.height - 1 - y) * layout.rowSize);
    }
    uint32_t sum = 0;
    for (uint64_t i = 0; i < layout.imageSize; i += 4093) sum = sum * 31 + image[i];
    return sum;
}

int BenchFile(const char* path, int runs) {
    std::vector<uint8_t> bytes;
    if (!ReadWholeFile(path, &bytes) || bytes.size() < kypcx::kPcxHeaderSize) {
        std::fprintf(stderr, "%s: cannot read a PCX header\n", path);
        return 1;
    }
    PcxHeader header;
    kypcx::LoadPcxHeader(bytes.data(), &header);
    kypcx::PcxDecodeLayout layout;
    if (kypcx::CheckPcxHeader(header, true) != PCX_OK || kypcx::PlanPcxDecode(header, &layout) != PCX_OK) {
        std::fprintf(stderr, "%s: not a decodable PCX file\n", path);
        return 1;
    }

    std::vector<double> readDecode, decode;
    uint32_t checksum = 0;
    for (int run = 0; run <= runs; ++run) {  // run 0 warms the caches and is not counted
        const auto t0 = Clock::now();
        std::vector<uint8_t> fresh;
        ReadWholeFile(path, &fresh);
        checksum += DecodeImage(fresh, layout);
        const auto t1 = Clock::now();
        checksum += DecodeImage(bytes, layout);
        const auto t2 = Clock::now();
        if (run == 0) continue;
        readDecode.push_back(std::chrono::duration<double>(t1 - t0).count());
        decode.push_back(std::chrono::duration<double>(t2 - t1).count());
    }
    const double megapixels = double(layout.width) * layout.height / 1e6;
    const double readDecodeMs = Median(readDecode) * 1e3;
    const double decodeMs = Median(decode) * 1e3;
    std::string name = path;
    const size_t slash = name.find_last_of("/\\");
    if (slash != std::string::npos) name = name.substr(slash + 1);
    std::printf(
        "CORE_BENCH file=%s width=%d height=%d bits=%d runs=%d read_decode_ms=%.3f read_decode_mpx_s=%.2f "
        "decode_ms=%.3f decode_mpx_s=%.2f checksum=%08x\n",
        name.c_str(), layout.width, layout.height, layout.bitCount, runs, readDecodeMs,
        megapixels / (readDecodeMs / 1e3), decodeMs, megapixels / (decodeMs / 1e3), checksum);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    int runs = 5;
    int first = 1;
    if (argc > 2 && std::strcmp(argv[1], "--runs") == 0) {
        runs = std::max(1, std::atoi(argv[2]));
        first = 3;
    }
    if (first >= argc) {
        std::fprintf(stderr, "usage: core_decode_bench [--runs N] file.pcx...\n");
        return 2;
    }
    int failures = 0;
    for (int i = first; i < argc; ++i) failures += BenchFile(argv[i], runs);
    return failures == 0 ? 0 : 1;
}
