// Where an encoder writes in its file, and how the save operations open and
// finish the file they name.
#pragma once

#include <windows.h>

#include "KyPcxTypes.h"
#include "kypcx/status.h"
#include "win/HandleGuards.h"

// Moves to offset 0, or to the end of the file in append mode, and gives
// that position in *start; FALSE when the position cannot be set. The code
// alone reports it: the file is what failed, and a message box would hold a
// caller with no one at the screen for ever.
BOOL MoveToImageStart(HANDLE file, BOOL append, ULONGLONG* start);

// Makes the current position the end of the file: a new image written from
// offset 0 over a longer file leaves none of the old bytes behind it, where a
// reader would otherwise look for its palette.
void CutFileAtPosition(HANDLE file);

// A file opened for a save: an existing one is opened (not replaced, so a
// failed save before the first byte leaves it as it was), a missing one
// created. A file the save created and left empty is removed again by
// Finish, so a refused save leaves no trace.
class PcxSaveFile {
public:
    explicit PcxSaveFile(LPCWSTR path);
    ~PcxSaveFile();
    PcxSaveFile(const PcxSaveFile&) = delete;
    PcxSaveFile& operator=(const PcxSaveFile&) = delete;

    BOOL valid() const { return file_.valid(); }
    HANDLE get() const { return file_.get(); }
    // Closes the file; removes it if this save created it and wrote nothing.
    void Finish();

private:
    LPCWSTR path_;
    ScopedFile file_;
    BOOL created_ = FALSE;
};

// A save operation: opens `path` as a PcxSaveFile (FileNotOpened when it
// cannot be opened), runs `encode(file)` on it from offset 0 and finishes
// the file. Returns the encoder's status.
template <typename Encode>
kypcx::Status SaveAsPcxFile(LPCWSTR path, Encode encode) {
    PcxSaveFile file(path);
    if (!file.valid()) return kypcx::Status::FileNotOpened;
    const kypcx::Status saved = encode(file.get());
    file.Finish();
    return saved;
}
