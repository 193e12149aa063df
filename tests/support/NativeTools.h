// Native programs run outside Wine, for the tests that hold what the
// library and the codec write against independent PCX readers (netpbm,
// ImageMagick, Pillow): a shell to run them, and the PPM files they write.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "support/DibView.h"
#include "support/KyPcxTestSupport.h"

namespace kypcx_test {

// Native programs run outside Wine through /bin/sh.
class NativeShell {
public:
    // Whether a native program exists at `unixPath`.
    static bool Has(const char* unixPath);
    // The Unix path of a Windows path, or "" outside Wine.
    static std::string UnixPath(const std::wstring& windowsPath);
    // Runs `script` with /bin/sh in `dir`, waits up to a minute; returns the
    // exit status (-1 if it could not be run or did not finish) and its
    // combined output.
    static int Run(const ScratchDir& dir, const std::string& script, std::string* output);
};

// An independent PCX reader run natively, which turns a PCX file into a
// PPM file.
struct NativePcxReader {
    const char* name;
    const char* program;  // its path, to see whether it is installed
    const char* command;  // IN and OUT stand for the files
    // This ImageMagick shows bit 0 of a one-plane, one-bit image as white
    // whatever the header palette says (for every writer's files, netpbm's
    // own included): its one-bit pictures are compared with black and
    // white swapped.
    bool swapsMonochrome;

    // The command line for `in`, writing `out`.
    std::string Command(const std::string& in, const std::string& out) const;
};

// netpbm's pcxtoppm, ImageMagick's convert and Pillow.
extern const NativePcxReader kNativePcxReaders[3];

// Pixels of a binary PPM (P6, maxval 255) file, top row first.
struct PpmImage {
    int width = 0;
    int height = 0;
    std::vector<Rgb> pixels;
};
bool ReadPpm(const std::vector<uint8_t>& bytes, PpmImage* image);

}  // namespace kypcx_test
