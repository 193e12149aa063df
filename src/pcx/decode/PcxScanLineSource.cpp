// Setting up the buffers of one file decode.
#include "pcx/decode/PcxScanLineLoop.h"

bool PcxScanLineSource::Open(const kypcx::PcxDecodeLayout& layout, DWORD imageDataBytes, PcxErrorCode* code) {
    layout_ = layout;
    planeBlock_.reset(GlobalAlloc(GHND, SIZE_T(layout.encodedLineSize) + kypcx::kPlaneSlack));
    planes_ = static_cast<BYTE*>(planeBlock_.lock());
    if (planes_ == nullptr) {
        *code = PCX_ERR_CREATE_BITMAP;
        return false;
    }
    const uint64_t reserve = kypcx::PcxLineReserve(layout);
    if (reserve > MAXDWORD / 2) {
        *code = PCX_ERR_ALLOC;
        return false;
    }
    readHandle_ = CreatePcxReadBuffer(static_cast<DWORD>(reserve), imageDataBytes, &buffer_, code);
    if (readHandle_ == nullptr) {
        *code = PCX_ERR_ALLOC;
        return false;
    }
    return true;
}
