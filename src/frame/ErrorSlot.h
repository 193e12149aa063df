// The error variable an export writes through: the caller's, or a scratch
// one when the caller passed a null address.
#pragma once

#include "KyPcxTypes.h"

// The caller's error variable, or a scratch one when the caller passed none,
// so that a missing address never turns into a crash.
class ErrorSlot {
public:
    explicit ErrorSlot(PcxErrorCode* error) : error_(error != nullptr ? error : &scratch_) {}
    // A copy would point at the original's scratch variable.
    ErrorSlot(const ErrorSlot&) = delete;
    ErrorSlot& operator=(const ErrorSlot&) = delete;
    PcxErrorCode* get() const { return error_; }

private:
    PcxErrorCode scratch_ = PCX_OK;
    PcxErrorCode* error_;
};
