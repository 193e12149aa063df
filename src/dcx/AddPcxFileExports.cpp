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
#include "frame/ExportCodes.h"
#include "frame/FileAccess.h"
#include "kypcx/dib_layout.h"
#include "kypcx/pcx_format.h"
#include "pcx/decode/ReadPcxHeader.h"
#include "win/HandleGuards.h"

namespace {

using kypcx::Status;

// Checks that the file holds a PCX image: the classic header check (a header
// cut short, an unknown version, a layout no reader takes), where the
// encoding byte may be 1 or a colour-space code, as non-RGB images carry one
// there.
Status CheckPcxFile(HANDLE pcx) {
    PcxHeader header;
    const Status status = ReadPcxFileHeader(pcx, 0, kypcx::ClassicHeaderRules(false), &header);
    if (status != Status::Ok) return status;
    if (header.encoding != kypcx::kPcxRleEncoding && !kypcx::IsColorSpaceCode(header.encoding))
        return Status::UnacceptedEncoding;
    return Status::Ok;
}

struct AddPcxFile {
    HANDLE pcx;
};

// The middle part: the whole old DCX file, the PCX file behind it, the first
// empty entry set to where the PCX file begins and the entry after it to 0.
Status BuildWithPcxAdded(const DcxRewriteFiles& files, void* context) {
    HANDLE pcx = static_cast<AddPcxFile*>(context)->pcx;
    const ULONGLONG dcxLength = GetFileLength(files.dcx);
    const ULONGLONG pcxLength = GetFileLength(pcx);
    kypcx::DcxDirectory directory;
    Status status = ReadDcxDirectory(files.dcx, &directory);
    kypcx::DcxAddPlan plan;
    if (status == Status::Ok) status = kypcx::PlanDcxItemAdd(directory, dcxLength, &plan);
    if (status != Status::Ok) return status;
    // Offsets are 32-bit: the new file must end where they reach.
    if (pcxLength > plan.room) return Status::EndLimitPassed;
    if (!HasRoomForRewrite(files, dcxLength + pcxLength)) return Status::NoDiskSpace;
    status = CopyFileRange(files.dcx, files.temporary, 0, dcxLength);
    if (status == Status::Ok) status = CopyFileRange(pcx, files.temporary, 0, pcxLength);
    if (status == Status::Ok && plan.endsList) status = WriteDcxEntry(files.temporary, plan.entry + 1, 0);
    if (status == Status::Ok) status = WriteDcxEntry(files.temporary, plan.entry, plan.start);
    return status;
}

// The whole add: the PCX file checked, then the DCX file rewritten with it.
Status AddPcxFileToDcxFile(LPCWSTR pcxPath, LPCWSTR dcxPath) {
    ScopedFile pcx(OpenFileFor(pcxPath, GENERIC_READ));
    if (!pcx.valid()) return Status::FileNotOpened;
    const Status status = CheckPcxFile(pcx.get());
    if (status != Status::Ok) return status;
    AddPcxFile context{pcx.get()};
    return RewriteDcxThroughTempFile(dcxPath, BuildWithPcxAdded, &context);
}

}  // namespace

extern "C" BOOL WINAPI AddPCXFileToDCXFileW(LPCWSTR pcxPath, LPCWSTR dcxPath, PcxErrorCode* error) {
    ErrorSlot slot(error);
    return ReportExportCode(AddPcxFileToDcxFile(pcxPath, dcxPath), slot.get(), ExportGroup::DcxAddThroughCopy);
}

extern "C" BOOL WINAPI AddPCXFileToDCXFileA(LPCSTR pcxPath, LPCSTR dcxPath, PcxErrorCode* error) {
    return CallWithWidePath(AddPCXFileToDCXFileW, pcxPath, dcxPath, error);
}
