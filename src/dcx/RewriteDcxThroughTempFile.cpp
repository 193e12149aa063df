// RewriteDcxThroughTempFile: a temporary file in the DCX file's own folder,
// built by the operation's middle part and renamed over the DCX file.
#include "dcx/RewriteDcxThroughTempFile.h"

#include <cwchar>

#include "frame/FileAccess.h"
#include "win/HandleGuards.h"

namespace {

// Room a rewrite asks for beyond the new file's length.
constexpr ULONGLONG kFreeSpaceMargin = 1024;
// Room behind the folder for a temporary name: "~kypcx", two 8-digit
// hexadecimal numbers, ".tmp" and the terminator.
constexpr size_t kTemporaryNameRoom = 32;
// How many names are tried before the folder is taken to refuse new files.
constexpr int kTemporaryNameAttempts = 64;

// Every rewrite in the process draws its own number, so two threads never
// try the same name.
LONG g_temporaryNameCounter = 0;

// The DCX file's full path, resolved once, so that a relative path names the
// same file from the first open to the rename whatever another thread does
// to the current directory meanwhile; and the temporary file's path in the
// same folder.
class RewritePaths {
public:
    explicit RewritePaths(LPCWSTR path)
        : length_(path != nullptr && path[0] != L'\0' ? GetFullPathNameW(path, 0, nullptr, nullptr) : 0),
          full_(AllocHeapBlock<WCHAR>(SIZE_T{length_} + 1)) {
        if (length_ == 0 || !full_) return;
        const DWORD written = GetFullPathNameW(path, length_ + 1, full_.get(), nullptr);
        if (written == 0 || written > length_) return;
        FileFolder folder(full_.get());
        if (!folder.valid()) return;
        folderLength_ = std::wcslen(folder.get());
        temporary_ = AllocHeapBlock<WCHAR>(folderLength_ + kTemporaryNameRoom);
        if (temporary_) std::wmemcpy(temporary_.get(), folder.get(), folderLength_);
    }
    RewritePaths(const RewritePaths&) = delete;
    RewritePaths& operator=(const RewritePaths&) = delete;

    BOOL ok() const { return temporary_.valid(); }
    LPCWSTR full() const { return full_.get(); }
    LPCWSTR temporary() const { return temporary_.get(); }

    // Creates a file of a name no file bears, in the DCX file's folder.
    HANDLE CreateTemporaryFile() {
        for (int attempt = 0; attempt < kTemporaryNameAttempts; ++attempt) {
            const LONG number = InterlockedIncrement(&g_temporaryNameCounter);
            wsprintfW(temporary_.get() + folderLength_, L"~kypcx%08lx%08lx.tmp", GetCurrentProcessId(),
                      static_cast<unsigned long>(number));
            HANDLE file = OpenFileFor(temporary_.get(), GENERIC_READ | GENERIC_WRITE, FileOpening::New);
            if (file != INVALID_HANDLE_VALUE) return file;
            const DWORD error = GetLastError();
            if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) break;
        }
        return INVALID_HANDLE_VALUE;
    }

private:
    DWORD length_;
    ScopedHeapBlock<WCHAR> full_;
    size_t folderLength_ = 0;
    ScopedHeapBlock<WCHAR> temporary_;
};

}  // namespace

BOOL HasRoomForRewrite(const DcxRewriteFiles& files, ULONGLONG newLength) {
    return GetFreeDiskSpace(files.path) > newLength + kFreeSpaceMargin;
}

kypcx::Status RewriteDcxThroughTempFile(LPCWSTR path, DcxRewriteMiddle middle, void* context) {
    RewritePaths paths(path);
    if (!paths.ok()) return kypcx::Status::FileNotOpened;
    ScopedFile dcx(OpenFileFor(paths.full(), GENERIC_READ | GENERIC_WRITE));
    if (!dcx.valid()) return kypcx::Status::FileNotOpened;
    ScopedFile temporary(paths.CreateTemporaryFile());
    if (!temporary.valid()) return kypcx::Status::FileNotOpened;
    kypcx::Status status = middle(DcxRewriteFiles{dcx.get(), temporary.get(), paths.full()}, context);
    // Both files are closed before the rename: an open file cannot be
    // replaced, and the new file must be complete under its own name first.
    dcx.reset();
    temporary.reset();
    if (status == kypcx::Status::Ok && !MoveFileExW(paths.temporary(), paths.full(), MOVEFILE_REPLACE_EXISTING))
        status = kypcx::Status::RenameFailed;
    if (status != kypcx::Status::Ok) DeleteFileW(paths.temporary());
    return status;
}
