// LoadPCXW/A: painting a monochrome or 16-colour PCX file straight onto the
// caller's device context, row by row, each run of equal colour as one line
// drawn with a solid pen. No bitmap is made; the picture is what lands in the
// caller's context. While it paints, the call shows the progress gauge (when
// asked), holds the mouse capture for the active window and shows the viewer
// wait cursor; all of it ends with the call.
#include <windows.h>

#include <optional>

#include "KyPCX.h"
#include "frame/AnsiEntry.h"
#include "frame/FileAccess.h"
#include "frame/PcxThreadState.h"
#include "frame/WaitCursor.h"
#include "kypcx/pcx_paint.h"
#include "kypcx/pcx_reader.h"
#include "pcx/decode/FileImageBytes.h"
#include "ui/PaintProgressGauge.h"
#include "win/HandleGuards.h"

namespace {

constexpr int kPaintResultPainted = 1;
constexpr int kPaintResultFailed = 0;
constexpr int kPaintResultLockFailed = 2;
constexpr int kPenCount = 16;

// Draws one row of colour indices at `row`: a line per run of equal index,
// each from the run's first pixel up to (not including) the next run's.
void PaintRow(HDC dc, const BYTE* indices, LONG width, LONG row, const ScopedGdiObject<HPEN>* pens) {
    MoveToEx(dc, 0, row, nullptr);
    for (LONG x = 1; x <= width; ++x) {
        if (x < width && indices[x] == indices[x - 1]) continue;
        SelectObject(dc, pens[indices[x - 1]].get());
        LineTo(dc, x, row);
    }
}

int PaintPcxFile(BOOL showProgress, HDC dc, HANDLE file) {
    // A file shorter than a header, or one whose header cannot describe a
    // picture, is refused before anything is allocated or painted.
    const FileImageBytes bytes(file, 0, GetFileLength(file));
    const kypcx::PcxReaderRules rules = kypcx::PainterReaderRules();
    kypcx::PcxImagePlan plan;
    if (kypcx::PlanPcxImage(bytes.source(), rules, &plan) != kypcx::Status::Ok) return kPaintResultFailed;
    const PcxHeader& header = plan.header;
    const kypcx::PcxDecodeLayout& layout = plan.layout;

    ScopedGlobal planeBlock(GlobalAlloc(GHND, SIZE_T(layout.encodedLineSize) + kypcx::kPlaneSlack));
    if (!planeBlock) return kPaintResultFailed;
    ScopedGlobalLock planeLock(planeBlock.get());
    BYTE* line = planeLock.as<BYTE>();
    if (line == nullptr) return kPaintResultLockFailed;
    ScopedGlobal rowBlock(GlobalAlloc(GHND, static_cast<SIZE_T>(layout.width)));
    ScopedGlobalLock rowLock(rowBlock.get());
    BYTE* indices = rowLock.as<BYTE>();
    if (indices == nullptr) return kPaintResultFailed;

    std::optional<PaintProgressGauge> gauge;
    if (showProgress) gauge.emplace(layout.height);

    ScopedMouseCapture capture(GetActiveWindow());
    ScopedWaitCursor waitCursor(WaitCursorFamily::Viewer);

    ScopedGdiObject<HPEN> pens[kPenCount];
    for (int i = 0; i < kPenCount; ++i) {
        const BYTE* rgb = header.palette + 3 * i;
        pens[i].reset(CreatePen(PS_SOLID, 0, RGB(rgb[0], rgb[1], rgb[2])));
    }
    ScopedSelection penSelection;
    penSelection.select(dc, pens[0].get());

    // The lines are read ahead into the thread's viewer buffer, to the end
    // of the file. A run that crosses the end of a line loses its surplus;
    // a line the file cuts short is not painted; data that cannot be read
    // ends the painting where it is.
    PcxThreadState* state = GetPcxThreadState();
    kypcx::PcxRowReader reader(bytes.source(), plan, rules.rows, GlobalWorkingMemory());
    if (reader.Start(line, state->viewerReadBuffer, kViewerReadBufferSize) != kypcx::Status::Ok)
        return kPaintResultPainted;
    reader.ReadRows(layout.height, [&](const kypcx::PcxRow& row) {
        kypcx::PaintRowIndices(layout, row.planes, indices);
        PaintRow(dc, indices, layout.width, row.y, pens);
        if (gauge) gauge->RowsPainted(row.y + 1);
        return true;
    });
    return kPaintResultPainted;
}

}  // namespace

extern "C" int WINAPI LoadPCXW(BOOL showProgress, HDC dc, LPCWSTR path) {
    // Read access only, sharing reads: painting changes nothing in the file,
    // so a read-only file or one another program is reading can be painted.
    ScopedFile file(OpenFileFor(path, GENERIC_READ, FileOpening::ExistingSharingReads));
    if (!file.valid()) return kPaintResultFailed;
    return PaintPcxFile(showProgress, dc, file.get());
}

extern "C" int WINAPI LoadPCXA(BOOL showProgress, HDC dc, LPCSTR path) {
    return CallWithWidePath(LoadPCXW, showProgress, dc, path);
}
