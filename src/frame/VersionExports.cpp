// GetKyPCXVersion: the library's version text.
#include <windows.h>

#include <cstring>

#include "KyPCX.h"
#include "KyPcxVersion.h"

namespace {
const char kVersionText[] = "Version " KYPCX_VERSION_STRING;
}

extern "C" void WINAPI GetKyPCXVersion(char* buffer, LONG size) {
    if (buffer == nullptr || size < 1) return;
    // Short buffers get exactly `size` bytes and no terminator.
    const size_t count = static_cast<size_t>(size) < sizeof kVersionText ? static_cast<size_t>(size)
                                                                        : sizeof kVersionText;
    std::memcpy(buffer, kVersionText, count);
}
