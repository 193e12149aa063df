// The table of bad files every decoder is held to: empty and cut files,
// headers no reader takes, sizes no data could fill, and what each decoder
// of KyPCX.dll answers for each. Built from bytes here; the codec's tests
// take the same files.
#pragma once

#include <cstdint>
#include <vector>

#include "KyPcxTypes.h"

namespace kypcx_test {

// What one decoder gives for one file.
struct Outcome {
    PcxErrorCode code;
    bool image;
};

struct BadFile {
    const char* name;
    std::vector<uint8_t> bytes;
    Outcome dib;     // LoadPCXIntoDIBW
    Outcome bitmap;  // LoadPCXIntoBitmapW
    Outcome memory;  // LoadPCXIntoBitmapFromMemory
    Outcome page;    // LoadDCXItemToDIBW, the file as the only page of a DCX file
    Outcome every;   // LoadPCXImageW (file and DCX page) and LoadPCXImageFromMemory
};

// Every bad file of the table.
std::vector<BadFile> BadFiles();

}  // namespace kypcx_test
