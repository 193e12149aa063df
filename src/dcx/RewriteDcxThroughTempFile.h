// The steps around every change of a DCX file that is not a plain append:
// the new file is built whole in a temporary file beside the old one, then
// renamed over it in one step.
#pragma once

#include <windows.h>

#include "kypcx/status.h"

// What the middle part of a rewrite works with: the DCX file (open for
// reading and writing, held without sharing), the new file beside it (empty,
// open for reading and writing) and the DCX file's full path, for the free
// space of its volume.
struct DcxRewriteFiles {
    HANDLE dcx;
    HANDLE temporary;
    LPCWSTR path;
};

// Whether the DCX file's volume has more free bytes than a new file of
// `newLength` bytes and a margin of 1024 (the middle parts refuse with
// NoDiskSpace otherwise).
BOOL HasRoomForRewrite(const DcxRewriteFiles& files, ULONGLONG newLength);

// Builds the complete new DCX file in files.temporary from files.dcx (and
// whatever `context` holds); returns Ok or what went wrong.
using DcxRewriteMiddle = kypcx::Status (*)(const DcxRewriteFiles& files, void* context);

// Rewrites the DCX file at `path` (absolute or relative to the current
// directory, of any length Windows accepts):
//   - opens it without sharing (FileNotOpened when it cannot be opened);
//   - creates a new file of a name no file bears in the same folder
//     (FileNotOpened when none can be created);
//   - runs `middle`, then closes both files;
//   - on success renames the new file over the old one with one MoveFileExW
//     (RenameFailed when that fails), so that at every instant the old or
//     the new file stands under the name.
// Any failure removes the new file and leaves the DCX file as it was. The
// process's current directory is neither used nor changed, so rewrites of
// different files may run on several threads at once. Returns Ok or the
// status of the failure, the middle part's included.
kypcx::Status RewriteDcxThroughTempFile(LPCWSTR path, DcxRewriteMiddle middle, void* context);
