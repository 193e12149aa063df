// File length and positioning through SetFilePointer, low 32 bits only.
#include "frame/FileLength.h"

DWORD GetFileLength(HANDLE file) {
    const DWORD position = SetFilePointer(file, 0, nullptr, FILE_CURRENT);
    const DWORD length = SetFilePointer(file, 0, nullptr, FILE_END);
    SeekFileTo(file, position);
    return length;
}

BOOL SeekFileTo(HANDLE file, DWORD position) {
    // The high word is passed so that positions of 2 GiB and more are not
    // taken as negative distances.
    LONG high = 0;
    SetLastError(NO_ERROR);
    const DWORD reached = SetFilePointer(file, static_cast<LONG>(position), &high, FILE_BEGIN);
    if (reached == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR) return FALSE;
    return reached == position && high == 0;
}

BOOL ReadFileExactly(HANDLE file, void* buffer, DWORD size) {
    DWORD got = 0;
    return ReadFile(file, buffer, size, &got, nullptr) && got == size;
}
