// Opening, positioning, exact reads and writes, range copies, free space
// and folders of files, through the Win32 file functions.
#include "frame/FileAccess.h"

#include <utility>

#include "frame/HandleGuards.h"

namespace {

constexpr DWORD kCopyBlockSize = DWORD{1} << 20;

// Moves to the end; TRUE with the position there.
BOOL SeekFileToEnd(HANDLE file, DWORD* position) {
    LONG high = 0;
    SetLastError(NO_ERROR);
    const DWORD reached = SetFilePointer(file, 0, &high, FILE_END);
    if (reached == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR) return FALSE;
    *position = reached;
    return high == 0;
}

}  // namespace

HANDLE OpenFileFor(LPCWSTR path, DWORD access, FileOpening opening, BOOL* created) {
    if (created != nullptr) *created = FALSE;
    if (path == nullptr) return INVALID_HANDLE_VALUE;
    DWORD disposition = OPEN_EXISTING;
    DWORD sharing = 0;
    switch (opening) {
    case FileOpening::Existing: break;
    case FileOpening::ExistingSharingReads: sharing = FILE_SHARE_READ; break;
    case FileOpening::ExistingOrNew: disposition = OPEN_ALWAYS; break;
    case FileOpening::New: disposition = CREATE_NEW; break;
    }
    HANDLE file = CreateFileW(path, access, sharing, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE || created == nullptr) return file;
    // OPEN_ALWAYS reports a file that was there with ERROR_ALREADY_EXISTS.
    *created = disposition == CREATE_NEW || (disposition == OPEN_ALWAYS && GetLastError() != ERROR_ALREADY_EXISTS);
    return file;
}

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

BOOL WriteFileExactly(HANDLE file, const void* bytes, DWORD size) {
    DWORD written = 0;
    return WriteFile(file, bytes, size, &written, nullptr) && written == size;
}

BOOL SetFileLengthTo(HANDLE file, DWORD length) { return SeekFileTo(file, length) && SetEndOfFile(file); }

int CopyFileRange(HANDLE source, HANDLE destination, DWORD offset, DWORD count, PcxErrorCode* code) {
    ScopedGlobal block(GlobalAlloc(GMEM_MOVEABLE, count < kCopyBlockSize ? (count > 0 ? count : 1) : kCopyBlockSize));
    ScopedGlobalLock lock(block.get());
    BYTE* buffer = lock.as<BYTE>();
    if (buffer == nullptr) {
        *code = block ? PCX_ERR_LOCK : PCX_ERR_ALLOC;
        return 0;
    }
    const DWORD blockSize = static_cast<DWORD>(GlobalSize(block.get()));
    DWORD destinationEnd = 0;
    if (!SeekFileToEnd(destination, &destinationEnd) || destinationEnd != GetFileLength(destination) ||
        !SeekFileTo(source, offset)) {
        *code = PCX_ERR_FILE_IO;
        return 0;
    }
    DWORD copied = 0;
    while (copied < count) {
        const DWORD missing = count - copied;
        DWORD got = 0;
        if (!ReadFile(source, buffer, missing < blockSize ? missing : blockSize, &got, nullptr) || got == 0) {
            *code = PCX_ERR_READ;
            return 0;
        }
        if (!WriteFileExactly(destination, buffer, got)) {
            *code = PCX_ERR_WRITE;
            return 0;
        }
        copied += got;
    }
    return 1;
}

ULONGLONG GetFreeDiskSpace(LPCWSTR path) {
    FileFolder folder(path);
    if (!folder.valid()) return 0;
    ULARGE_INTEGER available;
    if (!GetDiskFreeSpaceExW(folder.get(), &available, nullptr, nullptr)) return 0;
    return available.QuadPart;
}

FileFolder::FileFolder(LPCWSTR filePath) {
    if (filePath == nullptr || filePath[0] == L'\0') return;
    const DWORD needed = GetFullPathNameW(filePath, 0, nullptr, nullptr);
    if (needed == 0) return;
    ScopedHeapBlock<WCHAR> block = AllocHeapBlock<WCHAR>(SIZE_T{needed} + 1);
    WCHAR* full = block.get();
    if (full == nullptr) return;
    const DWORD length = GetFullPathNameW(filePath, needed + 1, full, nullptr);
    // The folder ends at the last separator of the full path.
    DWORD cut = 0;
    for (DWORD i = 0; i < length && i <= needed; ++i) {
        if (full[i] == L'\\' || full[i] == L'/') cut = i + 1;
    }
    if (length == 0 || length > needed || cut == 0) return;
    full[cut] = L'\0';
    folder_ = std::move(block);
}
