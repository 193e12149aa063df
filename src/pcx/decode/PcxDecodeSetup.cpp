// Header reading and size checks shared by every decoder.
#include "pcx/decode/PcxDecodeSetup.h"

BOOL PreparePcxDecode(PcxImageSource& source, const kypcx::PcxHeaderRules& rules, PcxHeader* header,
                      kypcx::PcxDecodeLayout* layout, PcxErrorCode* code) {
    BYTE bytes[kypcx::kPcxHeaderSize];
    // A short header would leave bytes undefined; it counts as an unreachable image.
    if (!source.ReadAt(source.start(), bytes, sizeof bytes)) {
        *code = PCX_ERR_FILE_IO;
        return FALSE;
    }
    kypcx::LoadPcxHeader(bytes, header);
    PcxErrorCode check = kypcx::CheckPcxHeader(*header, rules);
    if (check == PCX_OK) check = kypcx::PlanPcxDecode(*header, rules, layout);
    if (check != PCX_OK) {
        *code = check;
        return FALSE;
    }
    if (layout->imageSize > kMaxDecodedImageBytes ||
        !kypcx::IsPlausibleImageSize(*layout, PcxImageDataBytes(source.start(), source.end()))) {
        *code = PCX_ERR_CREATE_BITMAP;
        return FALSE;
    }
    return TRUE;
}
