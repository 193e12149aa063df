// RAII guards for the device contexts the encoders take: a window's or the
// screen's context (released), a context they create (deleted), and an object
// selected into a context (the previous object selected back).
#pragma once

#include <windows.h>

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
