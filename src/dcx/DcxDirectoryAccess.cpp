// STAND-IN until the shared directory routines land.
#include "dcx/DcxDirectoryAccess.h"

#include "KyPCX.h"
#include "frame/FileLength.h"
#include "kypcx/dcx_directory.h"

HANDLE OpenDcxForWriting(LPCWSTR path) {
    if (path == nullptr) return INVALID_HANDLE_VALUE;
    return CreateFileW(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}
HANDLE OpenDcxSource(LPCWSTR path) {
    if (path == nullptr) return INVALID_HANDLE_VALUE;
    return CreateFileW(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}
PcxErrorCode ReadDcxDirectoryBlock(HANDLE file, kypcx::DcxDirectory* directory) {
    BYTE block[4096];
    if (!SeekFileTo(file, 0)) return PCX_ERR_FILE_IO;
    if (!ReadFileExactly(file, block, 4096)) return PCX_ERR_FILE_IO;
    kypcx::LoadDcxDirectory(block, 4096, directory);
    return PCX_OK;
}
PcxErrorCode ReadDcxDirectoryForWriting(HANDLE file, DWORD length, kypcx::DcxDirectory* directory) {
    BYTE block[4096];
    DWORD got = 0;
    if (!SeekFileTo(file, 0) || !ReadFile(file, block, 4096, &got, nullptr)) return PCX_ERR_FILE_IO;
    kypcx::LoadDcxDirectory(block, got, directory);
    if (!kypcx::HasDcxMagic(*directory)) return PCX_ERR_DCX_ID;
    return kypcx::CheckDcxLayoutForWriting(*directory, length);
}
DWORD FindEmptyDcxEntry(HANDLE file, PcxErrorCode* code) {
    uint32_t words[1024] = {};
    if (!SeekFileTo(file, 0)) { *code = PCX_ERR_FILE_IO; return 0; }
    DWORD got = 0;
    if (!ReadFile(file, words, 4096, &got, nullptr) || got == 0) { *code = PCX_ERR_FILE_IO; return 0; }
    if (words[0] != kypcx::kDcxMagic) { *code = PCX_ERR_DCX_ID; return 0; }
    for (DWORD n = 1; n <= 1022; ++n) if (words[n] == 0) return n;
    return 0;
}
BOOL WriteDcxEntry(HANDLE file, DWORD n, DWORD value, PcxErrorCode* code) {
    if (n == 0 || n > 1022) { *code = PCX_ERR_NO_ITEM; return FALSE; }
    if (!SeekFileTo(file, 4 * n)) { *code = PCX_ERR_FILE_IO; return FALSE; }
    if (!WriteFileExactly(file, &value, 4)) { *code = PCX_ERR_WRITE; return FALSE; }
    return TRUE;
}
BOOL CopyFileRange(HANDLE source, HANDLE destination, DWORD offset, DWORD count, PcxErrorCode* code) {
    static BYTE block[1 << 20];
    LONG high = 0;
    SetFilePointer(destination, 0, &high, FILE_END);
    if (!SeekFileTo(source, offset)) { *code = PCX_ERR_FILE_IO; return FALSE; }
    while (count > 0) {
        DWORD got = 0;
        if (!ReadFile(source, block, sizeof block < count ? sizeof block : count, &got, nullptr) || got == 0) {
            *code = PCX_ERR_READ;
            return FALSE;
        }
        if (!WriteFileExactly(destination, block, got)) { *code = PCX_ERR_WRITE; return FALSE; }
        count -= got;
    }
    return TRUE;
}
ULONGLONG GetFreeDiskSpace(LPCWSTR folder) {
    ULARGE_INTEGER free = {};
    if (!GetDiskFreeSpaceExW(folder, &free, nullptr, nullptr)) return 0;
    return free.QuadPart;
}
BOOL WriteFileExactly(HANDLE file, const void* bytes, DWORD count) {
    DWORD written = 0;
    return WriteFile(file, bytes, count, &written, nullptr) && written == count;
}
extern "C" BOOL WINAPI MakeDCXFileW(LPCWSTR path, PcxErrorCode* code) {
    uint32_t words[1024] = {kypcx::kDcxMagic};
    HANDLE f = CreateFileW(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) { *code = PCX_ERR_OPEN_FILE; return FALSE; }
    const BOOL ok = WriteFileExactly(f, words, 4096);
    CloseHandle(f);
    return ok;
}
