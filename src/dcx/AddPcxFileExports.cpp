// AddPCXFileToDCXFileW/A: a PCX file on disk added as the last item of a DCX
// file, copied as it is. The new DCX file is built through a temporary file
// (the old bytes, then the PCX file's, then the new entry) and renamed over
// the old one.
#include <windows.h>

#include "KyPCX.h"
#include "dcx/DcxDirectory.h"
#include "dcx/RewriteDcxThroughTempFile.h"
#include "frame/AnsiEntry.h"
#include "frame/ErrorSlot.h"
#include "frame/FileAccess.h"
#include "frame/HandleGuards.h"
#include "kypcx/dib_layout.h"
#include "kypcx/pcx_format.h"
#include "pcx/decode/ReadPcxHeader.h"

namespace {

// Checks that the file holds a PCX image: the header check with its codes
// (3, 4, 9; 18 for a file shorter than a header), where the encoding byte
// may be 1 or a colour-space code, as non-RGB images carry one there.
PcxErrorCode CheckPcxFile(HANDLE pcx) {
    PcxHeader header;
    PcxErrorCode code = PCX_OK;
    if (!ReadPcxHeader(pcx, 0, &header, &code, FALSE)) return code;
    if (header.encoding != kypcx::kPcxRleEncoding && !kypcx::IsColorSpaceCode(header.encoding))
        return PCX_ERR_ENCODING;
    return PCX_OK;
}

struct AddPcxFile {
    HANDLE pcx;
};

// The middle part: the whole old DCX file, the PCX file behind it, the first
// empty entry set to where the PCX file begins and the entry after it to 0.
PcxErrorCode BuildWithPcxAdded(const DcxRewriteFiles& files, void* context) {
    HANDLE pcx = static_cast<AddPcxFile*>(context)->pcx;
    const ULONGLONG dcxLength = GetFileLength(files.dcx);
    const ULONGLONG pcxLength = GetFileLength(pcx);
    kypcx::DcxDirectory directory;
    PcxErrorCode code = PCX_OK;
    // A directory that cannot be read at all is one with no empty entry.
    if (!ReadDcxDirectory(files.dcx, &directory, nullptr, &code)) return PCX_ERR_NO_ITEM;
    kypcx::DcxAddPlan plan;
    code = kypcx::PlanDcxItemAdd(directory, dcxLength, kypcx::DcxAddRoute::ThroughCopy, &plan);
    if (code != PCX_OK) return code;
    // Offsets are 32-bit: the new file must end where they reach.
    if (pcxLength > plan.room) return PCX_ERR_FILE_IO;
    if (!HasRoomForRewrite(files, dcxLength + pcxLength)) return PCX_ERR_DISK_SPACE;
    if (!CopyFileRange(files.dcx, files.temporary, 0, dcxLength, &code) ||
        !CopyFileRange(pcx, files.temporary, 0, pcxLength, &code))
        return code;
    if (plan.endsList && !WriteDcxEntry(files.temporary, plan.entry + 1, 0, &code)) return code;
    WriteDcxEntry(files.temporary, plan.entry, plan.start, &code);
    return code;
}

}  // namespace

extern "C" BOOL WINAPI AddPCXFileToDCXFileW(LPCWSTR pcxPath, LPCWSTR dcxPath, PcxErrorCode* error) {
    ErrorSlot slot(error);
    PcxErrorCode* code = slot.get();
    *code = PCX_OK;
    ScopedFile pcx(OpenFileFor(pcxPath, GENERIC_READ));
    if (!pcx.valid()) {
        *code = PCX_ERR_OPEN_FILE;
        return FALSE;
    }
    *code = CheckPcxFile(pcx.get());
    if (*code != PCX_OK) return FALSE;
    AddPcxFile context{pcx.get()};
    return RewriteDcxThroughTempFile(dcxPath, code, BuildWithPcxAdded, &context);
}

extern "C" BOOL WINAPI AddPCXFileToDCXFileA(LPCSTR pcxPath, LPCSTR dcxPath, PcxErrorCode* error) {
    return CallWithWidePath(AddPCXFileToDCXFileW, pcxPath, dcxPath, error);
}
