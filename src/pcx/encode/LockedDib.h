// The caller's DIB block, locked for a call and unlocked on every path, with
// its size, so that nothing is read beyond the block.
#pragma once

#include <windows.h>

#include "win/HandleGuards.h"

class LockedDib : public ScopedGlobalLock {
public:
    explicit LockedDib(HGLOBAL dib) : LockedDib(dib, dib != nullptr ? GlobalSize(dib) : 0) {}
    BYTE* bytes() const { return as<BYTE>(); }
    SIZE_T size() const { return size_; }

private:
    // A size of 0 marks a handle that is no (live) global block: not locked.
    LockedDib(HGLOBAL dib, SIZE_T size) : ScopedGlobalLock(size != 0 ? dib : nullptr), size_(size) {}
    SIZE_T size_;
};
