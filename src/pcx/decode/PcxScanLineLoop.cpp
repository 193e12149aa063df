// Setting up the plane buffer and the feed of one decode.
#include "pcx/decode/PcxScanLineLoop.h"

bool PcxScanLineSource::Open(PcxImageSource& source, const kypcx::PcxDecodeLayout& layout, ULONGLONG dataBytes,
                             PcxErrorCode* code, BYTE* planes) {
    layout_ = layout;
    planes_ = planes;
    if (planes_ == nullptr) {
        planeBlock_.reset(GlobalAlloc(GHND, SIZE_T(layout.encodedLineSize) + kypcx::kPlaneSlack));
        planeLock_ = ScopedGlobalLock(planeBlock_.get());
        planes_ = planeLock_.as<BYTE>();
    }
    if (planes_ == nullptr) {
        *code = PCX_ERR_CREATE_BITMAP;
        return false;
    }
    feed_ = source.OpenFeed(source.start() + kypcx::kPcxHeaderSize, dataBytes, kypcx::PcxLineReserve(layout), code);
    return feed_ != nullptr;
}
