// The regression runner for a fuzz target without libFuzzer (fuzz_decode,
// fuzz_dcx_directory): feeds every file named on the command line, and every
// file under a named directory, to the fuzz target once. Built in the normal native tree under the sanitizers, so
// a corpus file or a saved crash that misbehaves fails its ctest.
//   fuzz_decode_replay <file-or-directory>...   (fuzz_dcx_directory_replay alike)
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace fs = std::filesystem;

namespace {

bool RunFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "fuzz replay: cannot read %s\n", path.string().c_str());
        return false;
    }
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::printf("%s (%zu bytes)\n", path.string().c_str(), bytes.size());
    std::fflush(stdout);  // so that a crash's report follows the file's name
    LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: fuzz_..._replay <file-or-directory>...\n");
        return 2;
    }
    std::vector<fs::path> files;
    for (int i = 1; i < argc; ++i) {
        const fs::path arg = argv[i];
        if (fs::is_directory(arg)) {
            for (const auto& entry : fs::recursive_directory_iterator(arg))
                if (entry.is_regular_file()) files.push_back(entry.path());
        } else {
            files.push_back(arg);
        }
    }
    std::sort(files.begin(), files.end());
    int failures = 0;
    for (const fs::path& file : files) failures += RunFile(file) ? 0 : 1;
    std::printf("fuzz replay: %zu inputs, %d unreadable\n", files.size(), failures);
    return failures == 0 ? 0 : 1;
}
