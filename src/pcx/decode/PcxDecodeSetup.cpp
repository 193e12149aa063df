// Header reading and size checks shared by the file decoders.
#include "pcx/decode/PcxDecodeSetup.h"

#include "pcx/decode/ReadPcxHeader.h"

BOOL PreparePcxDecode(HANDLE file, ULONGLONG offset, ULONGLONG end, BOOL checkEncoding, PcxHeader* header,
                      kypcx::PcxDecodeLayout* layout, PcxErrorCode* code) {
    if (!ReadPcxHeader(file, offset, header, code, checkEncoding)) return FALSE;
    const PcxErrorCode planned = kypcx::PlanPcxDecode(*header, layout);
    if (planned != PCX_OK) {
        *code = planned;
        return FALSE;
    }
    if (layout->imageSize > kMaxDecodedImageBytes ||
        !kypcx::IsPlausibleImageSize(*layout, PcxImageDataBytes(offset, end))) {
        *code = PCX_ERR_CREATE_BITMAP;
        return FALSE;
    }
    return TRUE;
}
