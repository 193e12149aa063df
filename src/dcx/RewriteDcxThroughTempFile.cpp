// RewriteDcxThroughTempFile: a temporary file in the DCX file's own folder,
// built by the operation's middle part and renamed over the DCX file.
#include "dcx/RewriteDcxThroughTempFile.h"

#include <cwchar>

#include "frame/HandleGuards.h"

namespace {

// A wide string on the process heap, freed with the object.
class HeapText {
public:
    explicit HeapText(size_t characters)
        : text_(static_cast<WCHAR*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, characters * sizeof(WCHAR)))),
          capacity_(text_ != nullptr ? characters : 0) {}
    ~HeapText() {
        if (text_ != nullptr) HeapFree(GetProcessHeap(), 0, text_);
    }
    HeapText(const HeapText&) = delete;
    HeapText& operator=(const HeapText&) = delete;
    WCHAR* get() const { return text_; }
    size_t capacity() const { return capacity_; }

private:
    WCHAR* text_;
    size_t capacity_;
};

// Room behind the folder for the temporary name: "~kypcx" and two 8-digit
// hexadecimal numbers, a dot, "tmp" and the terminator.
constexpr size_t kTemporaryNameRoom = 40;
// How many names are tried before the folder is taken to refuse new files.
constexpr int kTemporaryNameAttempts = 64;

// Every rewrite in the process draws its own number, so two threads never
// try the same name.
LONG g_temporaryNameCounter = 0;

// The DCX file's full path, with room behind it for the temporary name, and
// the length of its folder part (up to and including the last separator).
class RewritePaths {
public:
    explicit RewritePaths(LPCWSTR path)
        : fullLength_(path != nullptr && *path != L'\0' ? GetFullPathNameW(path, 0, nullptr, nullptr) : 0),
          full_(fullLength_ + kTemporaryNameRoom),
          folder_(fullLength_ + kTemporaryNameRoom),
          temporary_(fullLength_ + kTemporaryNameRoom) {
        if (fullLength_ == 0 || full_.get() == nullptr || folder_.get() == nullptr || temporary_.get() == nullptr)
            return;
        const DWORD written = GetFullPathNameW(path, fullLength_, full_.get(), nullptr);
        if (written == 0 || written >= fullLength_) return;
        const WCHAR* backslash = std::wcsrchr(full_.get(), L'\\');
        const WCHAR* slash = std::wcsrchr(full_.get(), L'/');
        const WCHAR* separator = slash != nullptr && (backslash == nullptr || slash > backslash) ? slash : backslash;
        if (separator == nullptr || separator[1] == L'\0') return;
        folderLength_ = static_cast<size_t>(separator - full_.get()) + 1;
        std::wmemcpy(folder_.get(), full_.get(), folderLength_);
        std::wmemcpy(temporary_.get(), full_.get(), folderLength_);
        ok_ = TRUE;
    }

    BOOL ok() const { return ok_; }
    LPCWSTR full() const { return full_.get(); }
    LPCWSTR folder() const { return folder_.get(); }
    LPCWSTR temporary() const { return temporary_.get(); }

    // Puts the next candidate name behind the folder.
    void NextTemporaryName() {
        const LONG number = InterlockedIncrement(&g_temporaryNameCounter);
        wsprintfW(temporary_.get() + folderLength_, L"~kypcx%08lx%08lx.tmp", GetCurrentProcessId(),
                  static_cast<unsigned long>(number));
    }

private:
    DWORD fullLength_;
    HeapText full_;
    HeapText folder_;
    HeapText temporary_;
    size_t folderLength_ = 0;
    BOOL ok_ = FALSE;
};

// Creates a file that did not exist, in the DCX file's folder.
HANDLE CreateTemporaryFile(RewritePaths& paths) {
    for (int attempt = 0; attempt < kTemporaryNameAttempts; ++attempt) {
        paths.NextTemporaryName();
        HANDLE file = CreateFileW(paths.temporary(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) return file;
        const DWORD error = GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) break;
    }
    return INVALID_HANDLE_VALUE;
}

}  // namespace

BOOL RewriteDcxThroughTempFile(LPCWSTR path, PcxErrorCode* code, DcxRewriteMiddle middle, void* context) {
    *code = PCX_OK;
    RewritePaths paths(path);
    if (!paths.ok()) {
        *code = PCX_ERR_OPEN_FILE;
        return FALSE;
    }
    ScopedFile dcx(CreateFileW(paths.full(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!dcx.valid()) {
        *code = PCX_ERR_OPEN_FILE;
        return FALSE;
    }
    ScopedFile temporary(CreateTemporaryFile(paths));
    if (!temporary.valid()) {
        *code = PCX_ERR_OPEN_FILE;
        return FALSE;
    }
    *code = middle(DcxRewriteFiles{dcx.get(), temporary.get(), paths.folder()}, context);
    // Both files are closed before the rename: an open file cannot be
    // replaced, and the new file must be complete on disk under its name.
    dcx.reset();
    temporary.reset();
    if (*code == PCX_OK && !MoveFileExW(paths.temporary(), paths.full(), MOVEFILE_REPLACE_EXISTING))
        *code = PCX_ERR_RENAME_FILE;
    if (*code != PCX_OK) DeleteFileW(paths.temporary());
    return *code == PCX_OK;
}
