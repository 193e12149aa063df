// The one way every ...A export reaches its ...W twin: each ANSI path
// argument, in whatever position and however many there are, is converted
// to UTF-16 in a zero-filled heap buffer; every other argument passes on
// unchanged, and the W form's result comes back as it is.
#pragma once

#include <windows.h>

#include <cstring>

#include "win/HandleGuards.h"

// An ANSI path converted to a null-terminated UTF-16 string on the heap.
class WidePath {
public:
    explicit WidePath(LPCSTR path) {
        if (path == nullptr) return;
        const size_t length = std::strlen(path);
        if (length >= static_cast<size_t>(MAXLONG) / sizeof(WCHAR)) return;
        const int n = static_cast<int>(length);
        buffer_ = AllocHeapBlock<WCHAR>(length + 1);
        // The zero fill supplies the terminator: the converted input excludes it.
        if (buffer_ && n > 0) MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, path, n, buffer_.get(), n + 1);
        if (!buffer_) failed_ = true;
    }
    WidePath(const WidePath&) = delete;
    WidePath& operator=(const WidePath&) = delete;

    // A null path stays null. When no buffer could be had the W form gets
    // the empty path, which it refuses as a file it cannot open, rather than
    // an unterminated string.
    LPCWSTR get() const { return buffer_ ? buffer_.get() : (failed_ ? L"" : nullptr); }

private:
    ScopedHeapBlock<WCHAR> buffer_;
    bool failed_ = false;
};

// What an A form's argument becomes for its W form: ANSI paths (the only
// char strings the exports take) are converted, everything else passes as it is.
template <typename T>
class WideArgument {
public:
    explicit WideArgument(T value) : value_(value) {}
    T get() const { return value_; }

private:
    T value_;
};

template <>
class WideArgument<LPCSTR> {
public:
    explicit WideArgument(LPCSTR path) : path_(path) {}
    LPCWSTR get() const { return path_.get(); }

private:
    WidePath path_;
};

template <>
class WideArgument<LPSTR> : public WideArgument<LPCSTR> {
public:
    explicit WideArgument(LPSTR path) : WideArgument<LPCSTR>(path) {}
};

// Calls wideForm with the A form's arguments, each path converted. The
// converted buffers live until the W form has returned.
//   return CallWithWidePath(AddPCXFileToDCXFileW, pcxPath, dcxPath, code);
template <typename Result, typename... Params, typename... Args>
Result CallWithWidePath(Result(WINAPI* wideForm)(Params...), Args... args) {
    static_assert(sizeof...(Params) == sizeof...(Args), "the A form passes every argument of its W form");
    return wideForm(WideArgument<Args>(args).get()...);
}
