// Scoped guards for every kind of handle KyPCX.dll, KyPCXCodec.dll and the
// client take, built from one template, so that every path of an operation
// gives back what it took: files, global and heap memory, global locks, GDI
// objects, windows, device contexts, objects and palettes selected into a
// context, the mouse capture and the clipboard; and objects and byte
// buffers on the process heap. Both DLLs are built without exceptions, so
// the language's `new`, whose failure is an exception, is not used: a failed
// allocation is a null pointer (or an empty guard) the caller turns into
// its own failure.
#pragma once

#include <windows.h>

#include <cstdint>
#include <new>
#include <utility>

// For kinds whose release needs nothing but the handle.
struct NoContext {};

// The common case of a traits struct: a handle that is null when empty.
template <typename H>
struct NullHandleTraits {
    using Handle = H;
    using Context = NoContext;
    static Handle Invalid() { return nullptr; }
    static bool IsValid(Handle handle) { return handle != nullptr; }
};

// Owns one handle and gives it back through Traits::Release(context,
// handle) when the scope ends, unless release() passed it to the caller.
// Traits gives the handle type, the context the release needs (the window of
// a window DC, the context a selection was made in; NoContext otherwise),
// the empty value and the release call. Move-only: two owners of one handle
// would give it back twice.
template <typename Traits>
class ScopedHandle {
public:
    using Handle = typename Traits::Handle;
    using Context = typename Traits::Context;

    ScopedHandle() = default;
    explicit ScopedHandle(Handle handle) : handle_(handle) {}
    ScopedHandle(Context context, Handle handle) : context_(context), handle_(handle) {}
    ~ScopedHandle() { reset(); }
    ScopedHandle(const ScopedHandle&) = delete;
    ScopedHandle& operator=(const ScopedHandle&) = delete;
    ScopedHandle(ScopedHandle&& other) noexcept : context_(other.context_), handle_(other.release()) {}
    ScopedHandle& operator=(ScopedHandle&& other) noexcept {
        if (this != &other) reset(other.context_, other.release());
        return *this;
    }

    bool valid() const { return Traits::IsValid(handle_); }
    explicit operator bool() const { return valid(); }
    Handle get() const { return handle_; }
    // Hands the handle to the caller, who gives it back from now on.
    Handle release() {
        const Handle handle = handle_;
        handle_ = Traits::Invalid();
        return handle;
    }
    // Gives back the held handle (if any) and holds `handle` instead.
    void reset(Handle handle = Traits::Invalid()) { reset(context_, handle); }
    void reset(Context context, Handle handle) {
        if (valid()) Traits::Release(context_, handle_);
        context_ = context;
        handle_ = handle;
    }

private:
    Context context_{};
    Handle handle_ = Traits::Invalid();
};

// A Win32 file handle, closed. Both null and INVALID_HANDLE_VALUE mean none.
struct FileHandleTraits {
    using Handle = HANDLE;
    using Context = NoContext;
    static Handle Invalid() { return INVALID_HANDLE_VALUE; }
    static bool IsValid(Handle handle) { return handle != INVALID_HANDLE_VALUE && handle != nullptr; }
    static void Release(NoContext, Handle handle) { CloseHandle(handle); }
};
using ScopedFile = ScopedHandle<FileHandleTraits>;

// A global-memory block, freed. Lock it with ScopedGlobalLock, declared
// after it, so that the lock ends first.
struct GlobalMemoryTraits : NullHandleTraits<HGLOBAL> {
    static void Release(NoContext, HGLOBAL handle) { GlobalFree(handle); }
};
using ScopedGlobal = ScopedHandle<GlobalMemoryTraits>;

// A GDI object (bitmap, palette, pen), deleted.
template <typename T>
struct GdiObjectTraits : NullHandleTraits<T> {
    static void Release(NoContext, T object) { DeleteObject(object); }
};
template <typename T>
using ScopedGdiObject = ScopedHandle<GdiObjectTraits<T>>;

// A block of T on the process heap, freed.
template <typename T>
struct HeapBlockTraits : NullHandleTraits<T*> {
    static void Release(NoContext, T* block) { HeapFree(GetProcessHeap(), 0, block); }
};
template <typename T>
using ScopedHeapBlock = ScopedHandle<HeapBlockTraits<T>>;

// `count` zero-filled elements of T on the process heap; empty when there is
// no memory. The caller keeps count * sizeof(T) within SIZE_T.
template <typename T>
ScopedHeapBlock<T> AllocHeapBlock(SIZE_T count) {
    return ScopedHeapBlock<T>(static_cast<T*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, count * sizeof(T))));
}

// Constructs a T in a heap block of its own; null when there is no memory.
// A class whose constructor or destructor is private befriends HeapNew and
// HeapDelete.
template <typename T, typename... Args>
T* HeapNew(Args&&... args) {
    void* block = HeapAlloc(GetProcessHeap(), 0, sizeof(T));
    return block != nullptr ? new (block) T(std::forward<Args>(args)...) : nullptr;
}

// Destroys an object made by HeapNew and gives its block back; null is
// ignored.
template <typename T>
void HeapDelete(T* object) {
    if (object == nullptr) return;
    object->~T();
    HeapFree(GetProcessHeap(), 0, object);
}

// A buffer of bytes on the process heap, owned by its scope. Its contents
// start undefined: it is not zero-filled, since every byte is written before
// it is read (rows decoded into it).
class HeapBuffer {
public:
    // Makes the buffer `size` bytes long (a new block unless it is already
    // that long); false, with no block held, when there is no memory or the
    // size is beyond what the address space can hold.
    bool Resize(uint64_t size) {
        if (block_ && size_ == size) return true;
        Free();
        if (size == 0 || size > SIZE_MAX / 2) return false;
        block_.reset(static_cast<uint8_t*>(HeapAlloc(GetProcessHeap(), 0, static_cast<SIZE_T>(size))));
        if (block_) size_ = size;
        return block_.valid();
    }
    void Free() {
        block_.reset();
        size_ = 0;
    }
    uint8_t* data() const { return block_.get(); }
    uint64_t size() const { return size_; }

private:
    ScopedHeapBlock<uint8_t> block_;
    uint64_t size_ = 0;
};

// A window the library made, destroyed.
struct WindowTraits : NullHandleTraits<HWND> {
    static void Release(NoContext, HWND window) { DestroyWindow(window); }
};
using ScopedWindow = ScopedHandle<WindowTraits>;

// A context from CreateCompatibleDC or CreateDCW, deleted.
struct CreatedDCTraits : NullHandleTraits<HDC> {
    static void Release(NoContext, HDC dc) { DeleteDC(dc); }
};
using ScopedCreatedDC = ScopedHandle<CreatedDCTraits>;

// GetDC(window) / ReleaseDC(window, dc); a null window gives the screen's
// context.
struct WindowDCTraits : NullHandleTraits<HDC> {
    using Context = HWND;
    static void Release(HWND window, HDC dc) { ReleaseDC(window, dc); }
};
class ScopedWindowDC : public ScopedHandle<WindowDCTraits> {
public:
    ScopedWindowDC() = default;
    explicit ScopedWindowDC(HWND window) : ScopedHandle(window, GetDC(window)) {}
};

// GlobalLock / GlobalUnlock of a block; the handle held is the locked
// address, null when the lock failed (or the block is null).
struct GlobalLockTraits : NullHandleTraits<void*> {
    using Context = HGLOBAL;
    static void Release(HGLOBAL block, void*) { GlobalUnlock(block); }
};
class ScopedGlobalLock : public ScopedHandle<GlobalLockTraits> {
public:
    ScopedGlobalLock() = default;
    explicit ScopedGlobalLock(HGLOBAL block)
        : ScopedHandle(block, block != nullptr ? GlobalLock(block) : nullptr) {}
    // The locked address as the type the block holds.
    template <typename T>
    T* as() const {
        return static_cast<T*>(get());
    }
};

// A block kept locked for longer than one scope (a buffer that lives in the
// thread's block between calls): allocated and locked together. Null, with
// nothing held, when either fails; *address is then null too.
inline HGLOBAL AllocLockedGlobal(UINT flags, SIZE_T size, void** address) {
    ScopedGlobal block(GlobalAlloc(flags, size));
    *address = block ? GlobalLock(block.get()) : nullptr;
    return *address != nullptr ? block.release() : nullptr;
}

// Unlocks and frees a block from AllocLockedGlobal; null is ignored.
inline void FreeLockedGlobal(HGLOBAL block) {
    if (block == nullptr) return;
    GlobalUnlock(block);
    GlobalFree(block);
}

// An object selected into a context; the object it replaced is selected
// back, so that neither the caller's bitmap nor ours stays selected into a
// context that is about to be deleted. Declare it after the context and
// the object, so that it ends first.
struct SelectionTraits {
    using Handle = HGDIOBJ;  // the object selected before
    using Context = HDC;
    static Handle Invalid() { return nullptr; }
    static bool IsValid(Handle previous) { return previous != nullptr && previous != HGDI_ERROR; }
    static void Release(HDC dc, HGDIOBJ previous) { SelectObject(dc, previous); }
};
class ScopedSelection : public ScopedHandle<SelectionTraits> {
public:
    ScopedSelection() = default;
    ScopedSelection(HDC dc, HGDIOBJ object) : ScopedHandle(dc, SelectObject(dc, object)) {}
    // FALSE when the object could not be selected (a bitmap selected
    // elsewhere); nothing is then restored.
    BOOL select(HDC dc, HGDIOBJ object) {
        reset();
        reset(dc, SelectObject(dc, object));
        return valid() ? TRUE : FALSE;
    }
};

// A logical palette selected into a context (and realized); the palette
// it replaced is selected back as a foreground palette. A null palette
// selects nothing.
struct PaletteSelectionTraits : NullHandleTraits<HPALETTE> {  // the palette selected before
    using Context = HDC;
    static void Release(HDC dc, HPALETTE previous) { SelectPalette(dc, previous, FALSE); }
};
class ScopedPaletteSelection : public ScopedHandle<PaletteSelectionTraits> {
public:
    ScopedPaletteSelection() = default;
    ScopedPaletteSelection(HDC dc, HPALETTE palette, BOOL background = FALSE)
        : ScopedHandle(dc, palette != nullptr ? SelectPalette(dc, palette, background) : nullptr) {
        if (palette != nullptr) RealizePalette(dc);
    }
};

// The mouse captured for a window (none for a null window); at the end the
// window that held it before gets it back, or it is released when none did.
struct MouseCaptureTraits : NullHandleTraits<HWND> {  // the capturing window
    using Context = HWND;                              // the window that held the mouse before
    static void Release(HWND previous, HWND) {
        if (previous != nullptr)
            SetCapture(previous);
        else
            ReleaseCapture();
    }
};
class ScopedMouseCapture : public ScopedHandle<MouseCaptureTraits> {
public:
    explicit ScopedMouseCapture(HWND window) : ScopedHandle(window != nullptr ? SetCapture(window) : nullptr, window) {}
};

// The clipboard, opened for the calling task and closed. valid() says
// whether it could be opened.
struct ClipboardTraits {
    using Handle = BOOL;  // whether the clipboard is open
    using Context = NoContext;
    static Handle Invalid() { return FALSE; }
    static bool IsValid(Handle open) { return open != FALSE; }
    static void Release(NoContext, Handle) { CloseClipboard(); }
};
class ScopedClipboard : public ScopedHandle<ClipboardTraits> {
public:
    ScopedClipboard() : ScopedHandle(OpenClipboard(nullptr)) {}
};
