// RAII guards, one per kind of handle, so that every path of an operation
// releases what it took: files, global memory, GDI objects, device contexts
// and objects selected into them.
#pragma once

#include <windows.h>

// A Win32 file handle, closed on destruction.
class ScopedFile {
public:
    ScopedFile() = default;
    explicit ScopedFile(HANDLE handle) : handle_(handle) {}
    ~ScopedFile() { reset(); }
    ScopedFile(const ScopedFile&) = delete;
    ScopedFile& operator=(const ScopedFile&) = delete;

    bool valid() const { return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr; }
    HANDLE get() const { return handle_; }
    void reset(HANDLE handle = INVALID_HANDLE_VALUE) {
        if (valid()) CloseHandle(handle_);
        handle_ = handle;
    }

private:
    HANDLE handle_ = INVALID_HANDLE_VALUE;
};

// A global-memory block, unlocked (if locked through lock()) and freed on
// destruction unless released to the caller.
class ScopedGlobal {
public:
    ScopedGlobal() = default;
    explicit ScopedGlobal(HGLOBAL handle) : handle_(handle) {}
    ~ScopedGlobal() { reset(); }
    ScopedGlobal(const ScopedGlobal&) = delete;
    ScopedGlobal& operator=(const ScopedGlobal&) = delete;

    HGLOBAL get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }
    void* lock() {
        if (handle_ != nullptr && address_ == nullptr) address_ = GlobalLock(handle_);
        return address_;
    }
    void unlock() {
        if (address_ != nullptr) GlobalUnlock(handle_);
        address_ = nullptr;
    }
    HGLOBAL release() {
        unlock();
        HGLOBAL h = handle_;
        handle_ = nullptr;
        return h;
    }
    void reset(HGLOBAL handle = nullptr) {
        unlock();
        if (handle_ != nullptr) GlobalFree(handle_);
        handle_ = handle;
    }

private:
    HGLOBAL handle_ = nullptr;
    void* address_ = nullptr;
};

// A GDI object (bitmap, palette, pen), deleted on destruction unless released.
template <typename T>
class ScopedGdiObject {
public:
    ScopedGdiObject() = default;
    explicit ScopedGdiObject(T object) : object_(object) {}
    ~ScopedGdiObject() { reset(); }
    ScopedGdiObject(const ScopedGdiObject&) = delete;
    ScopedGdiObject& operator=(const ScopedGdiObject&) = delete;

    T get() const { return object_; }
    explicit operator bool() const { return object_ != nullptr; }
    T release() {
        T o = object_;
        object_ = nullptr;
        return o;
    }
    void reset(T object = nullptr) {
        if (object_ != nullptr) DeleteObject(object_);
        object_ = object;
    }

private:
    T object_ = nullptr;
};

// GetDC(window) / ReleaseDC; a null window gives the screen's context.
class ScopedWindowDC {
public:
    explicit ScopedWindowDC(HWND window) : window_(window), dc_(GetDC(window)) {}
    ~ScopedWindowDC() {
        if (dc_ != nullptr) ReleaseDC(window_, dc_);
    }
    ScopedWindowDC(const ScopedWindowDC&) = delete;
    ScopedWindowDC& operator=(const ScopedWindowDC&) = delete;
    HDC get() const { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

// A context from CreateCompatibleDC or CreateDCW, deleted on destruction.
class ScopedCreatedDC {
public:
    ScopedCreatedDC() = default;
    explicit ScopedCreatedDC(HDC dc) : dc_(dc) {}
    ~ScopedCreatedDC() { reset(); }
    ScopedCreatedDC(const ScopedCreatedDC&) = delete;
    ScopedCreatedDC& operator=(const ScopedCreatedDC&) = delete;
    HDC get() const { return dc_; }
    void reset(HDC dc = nullptr) {
        if (dc_ != nullptr) DeleteDC(dc_);
        dc_ = dc;
    }

private:
    HDC dc_ = nullptr;
};

// Selects a GDI object into a context and selects the previous one back, so
// that neither the caller's bitmap nor ours stays selected into a context
// that is about to be deleted.
class ScopedSelection {
public:
    ScopedSelection() = default;
    ~ScopedSelection() { reset(); }
    ScopedSelection(const ScopedSelection&) = delete;
    ScopedSelection& operator=(const ScopedSelection&) = delete;
    // FALSE when the object could not be selected (a bitmap selected elsewhere).
    BOOL select(HDC dc, HGDIOBJ object) {
        reset();
        HGDIOBJ previous = SelectObject(dc, object);
        if (previous == nullptr || previous == HGDI_ERROR) return FALSE;
        dc_ = dc;
        previous_ = previous;
        return TRUE;
    }
    void reset() {
        if (dc_ != nullptr) SelectObject(dc_, previous_);
        dc_ = nullptr;
        previous_ = nullptr;
    }

private:
    HDC dc_ = nullptr;
    HGDIOBJ previous_ = nullptr;
};
