// Every allocation the engine keeps goes through here, so that a test can
// count what is still alive after JS_Destroy (leaks and uncollected cycles).
#pragma once

#include <cstddef>
#include <cstdint>
#include <new>
#include <string>
#include <vector>

namespace EngineMemory {
// Null when out of memory (the caller decides what that means).
void* Allocate(size_t size) noexcept;
void Free(void* block) noexcept;
// Gives the memory kept for reuse back to the system once no block is in use.
void ReleaseUnused() noexcept;
// Blocks and bytes allocated and not yet freed.
long LiveBlocks() noexcept;
long LiveBytes() noexcept;
// Fault injection for tests: the n-th allocation from now fails (0 = never).
void FailAfter(long n) noexcept;
}  // namespace EngineMemory

// Base of every heap object of the engine: its memory is counted.
class EngineHeapObject {
public:
    static void* operator new(size_t size) {
        void* p = EngineMemory::Allocate(size);
        if (!p) throw std::bad_alloc();
        return p;
    }
    static void* operator new(size_t size, const std::nothrow_t&) noexcept {
        return EngineMemory::Allocate(size);
    }
    static void operator delete(void* p) noexcept { EngineMemory::Free(p); }
    static void operator delete(void* p, const std::nothrow_t&) noexcept { EngineMemory::Free(p); }
};

template <typename T>
struct EngineAllocator {
    using value_type = T;
    EngineAllocator() = default;
    template <typename U>
    EngineAllocator(const EngineAllocator<U>&) {}
    T* allocate(size_t n) {
        void* p = EngineMemory::Allocate(n * sizeof(T));
        if (!p) throw std::bad_alloc();
        return static_cast<T*>(p);
    }
    void deallocate(T* p, size_t) noexcept { EngineMemory::Free(p); }
    template <typename U>
    bool operator==(const EngineAllocator<U>&) const {
        return true;
    }
    template <typename U>
    bool operator!=(const EngineAllocator<U>&) const {
        return false;
    }
};

using EngineString = std::basic_string<char, std::char_traits<char>, EngineAllocator<char>>;
template <typename T>
using EngineVector = std::vector<T, EngineAllocator<T>>;
