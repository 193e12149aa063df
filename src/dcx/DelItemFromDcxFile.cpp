// DelItemFromDCXFileW/A: one item removed from a DCX file. The new file is
// built through a temporary file (the new directory, the items before the
// deleted one at their offsets, the items after it moved down) and renamed
// over the old one.
#include <windows.h>

#include "KyPCX.h"
#include "dcx/DcxDirectoryAccess.h"
#include "dcx/RewriteDcxThroughTempFile.h"
#include "frame/AnsiEntry.h"
#include "frame/ErrorSlot.h"
#include "frame/FileLength.h"
#include "kypcx/dcx_directory.h"

namespace {

// Room the rewrite asks for beyond the new file's length.
constexpr ULONGLONG kFreeSpaceMargin = 1024;

struct DeleteItem {
    UINT index;
};

// The middle part: the new directory, the items before the deleted one, the
// items behind it.
PcxErrorCode BuildWithItemDeleted(const DcxRewriteFiles& files, void* context) {
    const UINT index = static_cast<DeleteItem*>(context)->index;
    const DWORD length = GetFileLength(files.dcx);
    kypcx::DcxDirectory directory;
    PcxErrorCode code = ReadDcxDirectoryBlock(files.dcx, &directory);
    if (code != PCX_OK) return code;
    kypcx::DcxDeletePlan plan;
    code = kypcx::PlanDcxItemDelete(directory, length, index, &plan);
    if (code != PCX_OK) return code;
    if (GetFreeDiskSpace(files.folder) <= ULONGLONG{plan.newLength} + kFreeSpaceMargin) return PCX_ERR_DISK_SPACE;
    BYTE block[kypcx::kDcxDirectorySize];
    kypcx::StoreDcxDirectory(plan.directory, block);
    if (!WriteFileExactly(files.temporary, block, sizeof block)) return PCX_ERR_WRITE;
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
