// Setting up the buffers of one file decode.
#include "pcx/decode/PcxScanLineLoop.h"

bool PcxScanLineSource::Open(const kypcx::PcxDecodeLayout& layout, ULONGLONG imageDataBytes, PcxErrorCode* code) {
    layout_ = layout;
    planeBlock_.reset(GlobalAlloc(GHND, SIZE_T(layout.encodedLineSize) + kypcx::kPlaneSlack));
    planeLock_ = ScopedGlobalLock(planeBlock_.get());
    planes_ = planeLock_.as<BYTE>();
    if (planes_ == nullptr) {
        *code = PCX_ERR_CREATE_BITMAP;
        return false;
    }
    const uint64_t reserve = kypcx::PcxLineReserve(layout);
    if (reserve > MAXDWORD / 2) {
        *code = PCX_ERR_ALLOC;
        return false;
    }
    readBlock_.reset(CreatePcxReadBuffer(static_cast<DWORD>(reserve), imageDataBytes, &buffer_, code));
    if (!readBlock_) {
        *code = PCX_ERR_ALLOC;
        return false;
    }
    return true;
}
