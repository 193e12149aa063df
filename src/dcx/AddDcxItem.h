// Adding an image encoded straight onto the end of a DCX file as its new
// item: the body every add of an image shares.
#pragma once

#include <windows.h>

#include "KyPcxTypes.h"
#include "dcx/DcxDirectory.h"
#include "frame/ExportCodes.h"
#include "frame/FileAccess.h"
#include "win/HandleGuards.h"
#include "kypcx/dcx_directory.h"

// The add itself: read the directory once and plan from it, append the
// image, then list it. Entry k + 1 is set to 0 first (unless k is the last
// usable entry: entry 1023 is never written), then entry k to the image's
// start, so the directory lists the old items or the old items and the whole
// new one, never a stale entry behind the new item. `encode(file, endLimit)`
// runs one of the encoders in append mode on the open file and answers its
// status; it writes nothing when the image could end past endLimit. The
// encoder's failure is reported by `encodingGroup`'s codes.
template <typename Encode>
BOOL AddImageToDcxFile(Encode encode, LPCWSTR path, PcxErrorCode* code,
                       ExportGroup encodingGroup = ExportGroup::DcxItemEncoding) {
    ScopedFile file(OpenFileFor(path, GENERIC_READ | GENERIC_WRITE));
    if (!file.valid()) return ReportExportCode(kypcx::Status::FileNotOpened, code);
    const ULONGLONG length = GetFileLength(file.get());
    kypcx::DcxDirectory directory;
    kypcx::Status status = ReadDcxDirectory(file.get(), &directory);
    kypcx::DcxAddPlan plan;
    if (status == kypcx::Status::Ok) status = kypcx::PlanDcxItemAdd(directory, length, &plan);
    if (status != kypcx::Status::Ok) return ReportExportCode(status, code);
    status = encode(file.get(), ULONGLONG{plan.start} + plan.room);
    if (status != kypcx::Status::Ok) {
        // Whatever stopped the encoder (a line function, the 4 GiB limit),
        // the item could not be written.
        ReportExportCode(status, code, encodingGroup);
        SetFileLengthTo(file.get(), length);  // best effort: the code says it failed
        return FALSE;
    }
    if (plan.endsList) status = WriteDcxEntry(file.get(), plan.entry + 1, 0);
    if (status == kypcx::Status::Ok) status = WriteDcxEntry(file.get(), plan.entry, plan.start);
    if (status != kypcx::Status::Ok) {
        // Put back what entry k + 1 held (0, or a stale value behind the
        // list) and the old length; entry k was not written or failed.
        if (plan.endsList) WriteDcxEntry(file.get(), plan.entry + 1, directory.words[plan.entry + 1]);
        SetFileLengthTo(file.get(), length);  // best effort: the code says it failed
    }
    return ReportExportCode(status, code);
}
