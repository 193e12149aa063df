// Positioning, cutting, opening and finishing the files the encoders write.
#include "pcx/encode/PcxSaveFile.h"

#include "frame/FileAccess.h"

BOOL MoveToImageStart(HANDLE file, BOOL append, ULONGLONG* start) {
    *start = 0;
    return append ? SeekFileToEnd(file, start) : SeekFileTo(file, 0);
}

void CutFileAtPosition(HANDLE file) { SetEndOfFile(file); }

PcxSaveFile::PcxSaveFile(LPCWSTR path) : path_(path) {
    file_.reset(OpenFileFor(path, GENERIC_READ | GENERIC_WRITE, FileOpening::ExistingOrNew, &created_));
}

PcxSaveFile::~PcxSaveFile() { Finish(); }

void PcxSaveFile::Finish() {
    if (!file_.valid()) return;
    const BOOL empty = GetFileLength(file_.get()) == 0;
    file_.reset();
    if (created_ && empty) DeleteFileW(path_);
}
