// Opening, positioning, exact reads and writes, range copies, free space
// and folders of files, through the Win32 file functions.
#include "frame/FileAccess.h"

#include <utility>

#include "win/HandleGuards.h"

namespace {

constexpr DWORD kCopyBlockSize = DWORD{1} << 20;

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

ULONGLONG GetFileLength(HANDLE file) {
    LARGE_INTEGER length;
    if (!GetFileSizeEx(file, &length) || length.QuadPart < 0) return 0;
    return static_cast<ULONGLONG>(length.QuadPart);
}

BOOL SeekFileTo(HANDLE file, ULONGLONG position) {
    if (position > static_cast<ULONGLONG>(MAXLONGLONG)) return FALSE;
    LARGE_INTEGER distance;
    distance.QuadPart = static_cast<LONGLONG>(position);
    LARGE_INTEGER reached;
    return SetFilePointerEx(file, distance, &reached, FILE_BEGIN) &&
           static_cast<ULONGLONG>(reached.QuadPart) == position;
}

BOOL SeekFileToEnd(HANDLE file, ULONGLONG* position) {
    LARGE_INTEGER distance;
    distance.QuadPart = 0;
    LARGE_INTEGER reached;
    if (!SetFilePointerEx(file, distance, &reached, FILE_END) || reached.QuadPart < 0) return FALSE;
    *position = static_cast<ULONGLONG>(reached.QuadPart);
    return TRUE;
}

BOOL ReadFileExactly(HANDLE file, void* buffer, DWORD size) {
    DWORD got = 0;
    return ReadFile(file, buffer, size, &got, nullptr) && got == size;
}

BOOL WriteFileExactly(HANDLE file, const void* bytes, DWORD size) {
    DWORD written = 0;
    return WriteFile(file, bytes, size, &written, nullptr) && written == size;
}

BOOL SetFileLengthTo(HANDLE file, ULONGLONG length) { return SeekFileTo(file, length) && SetEndOfFile(file); }

kypcx::Status CopyFileRange(HANDLE source, HANDLE destination, ULONGLONG offset, ULONGLONG count) {
    const SIZE_T wanted = count < kCopyBlockSize ? static_cast<SIZE_T>(count > 0 ? count : 1) : kCopyBlockSize;
    ScopedGlobal block(GlobalAlloc(GMEM_MOVEABLE, wanted));
    ScopedGlobalLock lock(block.get());
    BYTE* buffer = lock.as<BYTE>();
    if (buffer == nullptr) return block ? kypcx::Status::LockFailed : kypcx::Status::NoWorkingMemory;
    const DWORD blockSize = static_cast<DWORD>(GlobalSize(block.get()));
    ULONGLONG destinationEnd = 0;
    if (!SeekFileToEnd(destination, &destinationEnd) || destinationEnd != GetFileLength(destination) ||
        !SeekFileTo(source, offset))
        return kypcx::Status::PositionUnreachable;
    ULONGLONG copied = 0;
    while (copied < count) {
        const ULONGLONG missing = count - copied;
        const DWORD request = missing < blockSize ? static_cast<DWORD>(missing) : blockSize;
        DWORD got = 0;
        if (!ReadFile(source, buffer, request, &got, nullptr) || got == 0) return kypcx::Status::ReadShort;
        if (!WriteFileExactly(destination, buffer, got)) return kypcx::Status::WriteShort;
        copied += got;
    }
    return kypcx::Status::Ok;
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
