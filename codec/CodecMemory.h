// Memory of the codec's objects and buffers, from the process heap. The
// codec is built without exceptions, so the language's `new`, whose failure
// is an exception, is not used: objects are constructed in heap blocks, and a
// failed allocation is a null pointer the caller turns into E_OUTOFMEMORY.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <new>
#include <utility>

// Constructs a T in a block of its own; null when there is no memory.
template <typename T, typename... Args>
T* CodecNew(Args&&... args) {
    void* block = HeapAlloc(GetProcessHeap(), 0, sizeof(T));
    return block != nullptr ? new (block) T(std::forward<Args>(args)...) : nullptr;
}

// Destroys an object made by CodecNew and gives its block back.
template <typename T>
void CodecDelete(T* object) {
    if (object == nullptr) return;
    object->~T();
    HeapFree(GetProcessHeap(), 0, object);
}

// A buffer of bytes owned by its scope; its contents start undefined.
class CodecBuffer {
public:
    CodecBuffer() = default;
    ~CodecBuffer() { Free(); }
    CodecBuffer(const CodecBuffer&) = delete;
    CodecBuffer& operator=(const CodecBuffer&) = delete;

    // Makes the buffer `size` bytes long (a new block unless it is already
    // that long); false when there is no memory or the size is beyond what
    // the address space can hold.
    bool Resize(uint64_t size) {
        if (data_ != nullptr && size_ == size) return true;
        Free();
        if (size == 0 || size > SIZE_MAX / 2) return false;
        data_ = static_cast<uint8_t*>(HeapAlloc(GetProcessHeap(), 0, static_cast<size_t>(size)));
        if (data_ != nullptr) size_ = size;
        return data_ != nullptr;
    }
    void Free() {
        if (data_ != nullptr) HeapFree(GetProcessHeap(), 0, data_);
        data_ = nullptr;
        size_ = 0;
    }
    uint8_t* data() const { return data_; }
    uint64_t size() const { return size_; }

private:
    uint8_t* data_ = nullptr;
    uint64_t size_ = 0;
};
