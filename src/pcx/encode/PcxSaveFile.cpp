// Positioning, cutting, opening and finishing the files the encoders write.
#include "pcx/encode/PcxSaveFile.h"

#include "frame/FileAccess.h"

BOOL MoveToImageStart(HANDLE file, BOOL append, LPCWSTR failureCaption, PcxErrorCode* error) {
    LONG high = 0;
    SetLastError(NO_ERROR);
    const DWORD position = SetFilePointer(file, 0, &high, append ? FILE_END : FILE_BEGIN);
    const BOOL failed = (position == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR) || high != 0;
    if (!failed) return TRUE;
    MessageBeep(100);
    MessageBoxW(GetActiveWindow(), L"Unable to write save file", failureCaption, MB_ICONEXCLAMATION);
    *error = PCX_ERR_FILE_IO;
    return FALSE;
}

void CutFileAtPosition(HANDLE file) { SetEndOfFile(file); }

PcxSaveFile::PcxSaveFile(LPCWSTR path) : path_(path) {
    file_.reset(OpenFileFor(path, GENERIC_READ | GENERIC_WRITE, FileOpening::ExistingOrNew, &created_));
}

PcxSaveFile::~PcxSaveFile() { Finish(); }

void PcxSaveFile::Finish() {
    if (!file_.valid()) return;
    const BOOL empty = GetFileSize(file_.get(), nullptr) == 0;
    file_.reset();
    if (created_ && empty) DeleteFileW(path_);
}
