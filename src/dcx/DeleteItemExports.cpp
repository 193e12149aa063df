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
#include "frame/FileAccess.h"

namespace {

struct DeleteItem {
    UINT index;
};

// The middle part: the new directory, the items before the deleted one, the
// items behind it.
PcxErrorCode BuildWithItemDeleted(const DcxRewriteFiles& files, void* context) {
    const UINT index = static_cast<DeleteItem*>(context)->index;
    const ULONGLONG length = GetFileLength(files.dcx);
    kypcx::DcxDirectory directory;
    PcxErrorCode code = PCX_OK;
    // A directory that cannot be read at all lists no item to delete.
    if (!ReadDcxDirectory(files.dcx, &directory, nullptr, &code)) return PCX_ERR_NO_ITEM;
    // The plan refuses an item it cannot find (21) and a file that writing
    // would damage (18 past 4 GiB, 23 offsets out of order).
    kypcx::DcxDeletePlan plan;
    code = kypcx::PlanDcxItemDelete(directory, length, index, &plan);
    if (code != PCX_OK) return code;
    if (!HasRoomForRewrite(files, plan.newLength)) return PCX_ERR_DISK_SPACE;
    if (!WriteDcxDirectory(files.temporary, plan.directory, &code)) return code;
    if (!CopyFileRange(files.dcx, files.temporary, kypcx::kDcxDirectorySize, plan.start - kypcx::kDcxDirectorySize,
                       &code) ||
        !CopyFileRange(files.dcx, files.temporary, plan.end, length - plan.end, &code))
        return code;
    return PCX_OK;
}

}  // namespace

extern "C" BOOL WINAPI DelItemFromDCXFileW(LPCWSTR path, UINT index, PcxErrorCode* error) {
    ErrorSlot slot(error);
    PcxErrorCode* code = slot.get();
    *code = PCX_OK;
    // Checked before any file is opened.
    if (index >= kypcx::kDcxLastUsableEntry) {
        *code = PCX_ERR_NO_ITEM;
        return FALSE;
    }
    DeleteItem context{index};
    return RewriteDcxThroughTempFile(path, code, BuildWithItemDeleted, &context);
}

extern "C" BOOL WINAPI DelItemFromDCXFileA(LPCSTR path, UINT index, PcxErrorCode* error) {
    return CallWithWidePath(DelItemFromDCXFileW, path, index, error);
}
