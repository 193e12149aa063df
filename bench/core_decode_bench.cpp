// core_decode_bench: times the portable core's decode loop on its own (the
// one reader's rows, run-length decoded and assembled into a bottom-up
// DIB-sized buffer, as the DLL's DIB decoder takes them), with no Windows
// file reading, no global memory blocks and no GDI. Beside kypcx_bench's figures for the DLL
// it tells how much of a decode is the core's work and how much the rest.
// Built natively and, for the same code as the DLL runs, cross-built for Wine.
//
// Two decodes are timed: into a freshly allocated image each time (as the
// DLL must, since every decode hands its caller a new block), and into one
// image allocated once and reused (warm), whose pages were touched before.
// Where the first touch of a page is slow (some virtual machines charge
// microseconds per page), the difference between the two is that cost, and
// the warm figure is the decode work alone.
//   core_decode_bench [--runs N] file.pcx...
// Per file one line: "CORE_BENCH file=... read_decode_ms=... decode_ms=...
// warm_decode_ms=... touch_fresh_ms=... touch_again_ms=...", the last two
// being the machine's own first-touch cost: filling freshly mapped pages of
// the image's size, and filling the same pages once more.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "kypcx/pcx_reader.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <sys/mman.h>
#endif

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

// Decodes every row of `bytes` into `image` through the one reader from
// memory, the way the DLL fills a DIB: rows bottom-up, a row the data cuts
// short completed with zeros (the benchmark's files are whole). Returns a
// checksum of the image so that the work cannot be optimised away.
uint32_t DecodeInto(const std::vector<uint8_t>& bytes, const kypcx::PcxImagePlan& plan, uint8_t* image) {
    const kypcx::PcxDecodeLayout& layout = plan.layout;
    const kypcx::PcxByteSource source = kypcx::PcxBytesInMemory(bytes.data(), bytes.size());
    kypcx::PcxRowReader reader(source, plan, kypcx::ClassicDibReaderRules(true).rows);
    if (reader.Start() == kypcx::Status::Ok) {
        reader.ReadRows(layout.height, [&](const kypcx::PcxRow& row) {
            kypcx::AssemblePcxRow(layout, row.planes, image + size_t(layout.height - 1 - row.y) * layout.rowSize);
            return true;
        });
    }
    uint32_t sum = 0;
    for (uint64_t i = 0; i < layout.imageSize; i += 4093) sum = sum * 31 + image[i];
    return sum;
}

// Pages straight from the system, never touched before (no heap that may
// hand back memory it has used).
uint8_t* MapFreshPages(size_t bytes) {
#if defined(_WIN32)
    return static_cast<uint8_t*>(VirtualAlloc(nullptr, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
#else
    void* p = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    return p == MAP_FAILED ? nullptr : static_cast<uint8_t*>(p);
#endif
}

void UnmapPages(uint8_t* p, size_t bytes) {
#if defined(_WIN32)
    (void)bytes;
    VirtualFree(p, 0, MEM_RELEASE);
#else
    munmap(p, bytes);
#endif
}

// Times filling `bytes` of fresh pages and then the same pages again, in
// seconds; false when the pages cannot be had.
bool TimeFirstTouch(size_t bytes, double* fresh, double* again) {
    uint8_t* p = MapFreshPages(bytes);
    if (p == nullptr) return false;
    const auto t0 = Clock::now();
    std::memset(p, 0x11, bytes);
    const auto t1 = Clock::now();
    std::memset(p, 0x22, bytes);
    const auto t2 = Clock::now();
    volatile uint8_t sink = p[bytes / 2];
    (void)sink;
    UnmapPages(p, bytes);
    *fresh = std::chrono::duration<double>(t1 - t0).count();
    *again = std::chrono::duration<double>(t2 - t1).count();
    return true;
}

// The same into a freshly allocated image.
uint32_t DecodeImage(const std::vector<uint8_t>& bytes, const kypcx::PcxImagePlan& plan) {
    std::unique_ptr<uint8_t[]> image(new uint8_t[plan.layout.imageSize]);
    return DecodeInto(bytes, plan, image.get());
}

int BenchFile(const char* path, int runs) {
    std::vector<uint8_t> bytes;
    kypcx::PcxImagePlan plan;
    if (!ReadWholeFile(path, &bytes) ||
        kypcx::PlanPcxImage(kypcx::PcxBytesInMemory(bytes.data(), bytes.size()), kypcx::ClassicDibReaderRules(true),
                            &plan) != kypcx::Status::Ok) {
        std::fprintf(stderr, "%s: not a decodable PCX file\n", path);
        return 1;
    }
    const kypcx::PcxDecodeLayout& layout = plan.layout;

    std::vector<double> readDecode, decode, warmDecode, touchFresh, touchAgain;
    std::unique_ptr<uint8_t[]> warmImage(new uint8_t[layout.imageSize]);
    uint32_t checksum = 0;
    for (int run = 0; run <= runs; ++run) {  // run 0 warms the caches and is not counted
        const auto t0 = Clock::now();
        std::vector<uint8_t> fresh;
        ReadWholeFile(path, &fresh);
        checksum += DecodeImage(fresh, plan);
        const auto t1 = Clock::now();
        checksum += DecodeImage(bytes, plan);
        const auto t2 = Clock::now();
        checksum += DecodeInto(bytes, plan, warmImage.get());
        const auto t3 = Clock::now();
        if (run == 0) continue;
        readDecode.push_back(std::chrono::duration<double>(t1 - t0).count());
        decode.push_back(std::chrono::duration<double>(t2 - t1).count());
        warmDecode.push_back(std::chrono::duration<double>(t3 - t2).count());
        double touchedFresh = 0, touchedAgain = 0;
        if (TimeFirstTouch(size_t(layout.imageSize), &touchedFresh, &touchedAgain)) {
            touchFresh.push_back(touchedFresh);
            touchAgain.push_back(touchedAgain);
        }
    }
    const double megapixels = double(layout.width) * layout.height / 1e6;
    const double readDecodeMs = Median(readDecode) * 1e3;
    const double decodeMs = Median(decode) * 1e3;
    const double warmMs = Median(warmDecode) * 1e3;
    const double warmMinMs = *std::min_element(warmDecode.begin(), warmDecode.end()) * 1e3;
    const double touchFreshMs = touchFresh.empty() ? 0 : Median(touchFresh) * 1e3;
    const double touchAgainMs = touchAgain.empty() ? 0 : Median(touchAgain) * 1e3;
    std::string name = path;
    const size_t slash = name.find_last_of("/\\");
    if (slash != std::string::npos) name = name.substr(slash + 1);
    std::printf(
        "CORE_BENCH file=%s width=%d height=%d bits=%d runs=%d read_decode_ms=%.3f read_decode_mpx_s=%.2f "
        "decode_ms=%.3f decode_mpx_s=%.2f warm_decode_ms=%.3f warm_decode_mpx_s=%.2f warm_decode_min_ms=%.3f "
        "image_bytes=%llu touch_fresh_ms=%.3f touch_again_ms=%.3f checksum=%08x\n",
        name.c_str(), layout.width, layout.height, layout.bitCount, runs, readDecodeMs,
        megapixels / (readDecodeMs / 1e3), decodeMs, megapixels / (decodeMs / 1e3), warmMs,
        megapixels / (warmMs / 1e3), warmMinMs, static_cast<unsigned long long>(layout.imageSize), touchFreshMs, touchAgainMs,
        checksum);
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
