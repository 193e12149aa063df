// DelItemFromDCXFileW/A: one item removed from a DCX file. The new file is
// built through a temporary file (the new directory, the items before the
// deleted one at their offsets, the items after it moved down) and renamed
// over the old one.
#include <windows.h>

#include "KyPCX.h"
#include "dcx/DcxDirectory.h"
#include "dcx/RewriteDcxThroughTempFile.h"
#include "frame/AnsiEntry.h"
#include "frame/ErrorSlot.h"
#include "frame/ExportCodes.h"
#include "frame/FileAccess.h"

namespace {

using kypcx::Status;

struct DeleteItem {
    UINT index;
};

// The middle part: the new directory, the items before the deleted one, the
// items behind it.
Status BuildWithItemDeleted(const DcxRewriteFiles& files, void* context) {
    const UINT index = static_cast<DeleteItem*>(context)->index;
    const ULONGLONG length = GetFileLength(files.dcx);
    kypcx::DcxDirectory directory;
    Status status = ReadDcxDirectory(files.dcx, &directory);
    // The plan refuses an item it cannot find and a file that writing would
    // damage (past 4 GiB, offsets out of order).
    kypcx::DcxDeletePlan plan;
    if (status == Status::Ok) status = kypcx::PlanDcxItemDelete(directory, length, index, &plan);
    if (status != Status::Ok) return status;
    if (!HasRoomForRewrite(files, plan.newLength)) return Status::NoDiskSpace;
    status = WriteDcxDirectory(files.temporary, plan.directory);
    if (status == Status::Ok)
        status = CopyFileRange(files.dcx, files.temporary, kypcx::kDcxDirectorySize,
                               plan.start - kypcx::kDcxDirectorySize);
    if (status == Status::Ok) status = CopyFileRange(files.dcx, files.temporary, plan.end, length - plan.end);
    return status;
}

Status DeleteDcxItem(LPCWSTR path, UINT index) {
    // Checked before any file is opened.
    if (index >= kypcx::kDcxLastUsableEntry) return Status::NoSuchItem;
    DeleteItem context{index};
    return RewriteDcxThroughTempFile(path, BuildWithItemDeleted, &context);
}

}  // namespace

extern "C" BOOL WINAPI DelItemFromDCXFileW(LPCWSTR path, UINT index, PcxErrorCode* error) {
    ErrorSlot slot(error);
    return ReportExportCode(DeleteDcxItem(path, index), slot.get(), ExportGroup::DcxDelete);
}

extern "C" BOOL WINAPI DelItemFromDCXFileA(LPCSTR path, UINT index, PcxErrorCode* error) {
    return CallWithWidePath(DelItemFromDCXFileW, path, index, error);
}
