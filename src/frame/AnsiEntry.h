// The one way every ...A export reaches its ...W twin: convert the ANSI path
// to UTF-16 in a zero-filled heap buffer and pass the other arguments on
// unchanged, returning the W form's result as it is.
#pragma once

#include <windows.h>

#include <cstring>

// An ANSI path converted to a null-terminated UTF-16 string on the heap.
class WidePath {
public:
    explicit WidePath(LPCSTR path) {
        const size_t length = std::strlen(path);
        if (length >= static_cast<size_t>(MAXLONG) / sizeof(WCHAR)) return;
        const int n = static_cast<int>(length);
        buffer_ = static_cast<WCHAR*>(
            HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, (length + 1) * sizeof(WCHAR)));
        // The zero fill supplies the terminator: the converted input excludes it.
        if (buffer_ != nullptr && n > 0) MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, path, n, buffer_, n + 1);
    }
    ~WidePath() {
        if (buffer_ != nullptr) HeapFree(GetProcessHeap(), 0, buffer_);
    }
    WidePath(const WidePath&) = delete;
    WidePath& operator=(const WidePath&) = delete;

    // When no buffer could be had the W form gets the empty path, which it
    // refuses as a file it cannot open, rather than an unterminated string.
    LPCWSTR get() const { return buffer_ != nullptr ? buffer_ : L""; }

private:
    WCHAR* buffer_ = nullptr;
};

// Calls wideForm(converted path, args...); a null path is passed on as null.
template <typename Result, typename... Params, typename... Args>
Result CallWithWidePath(Result(WINAPI* wideForm)(LPCWSTR, Params...), LPCSTR path, Args... args) {
    if (path == nullptr) return wideForm(nullptr, args...);
    WidePath wide(path);
    return wideForm(wide.get(), args...);
}
