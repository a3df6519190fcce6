#ifndef CACHE_LINE_ALLOCATOR_H
#define CACHE_LINE_ALLOCATOR_H

#include <cstddef>
#include <new>

// Memory that starts on a cache line, for buffers written a whole vector register at a time
// with stores that must be aligned.
template <class T> struct CacheLineAllocator {
    using value_type = T;
    static constexpr std::size_t kAlignment = 64;

    CacheLineAllocator() = default;
    template <class U> CacheLineAllocator(const CacheLineAllocator<U> &) {}

    T *allocate(std::size_t n)
    {
        return static_cast<T *>(::operator new(n * sizeof(T), std::align_val_t(kAlignment)));
    }
    void deallocate(T *p, std::size_t) { ::operator delete(p, std::align_val_t(kAlignment)); }

    template <class U> bool operator==(const CacheLineAllocator<U> &) const { return true; }
    template <class U> bool operator!=(const CacheLineAllocator<U> &) const { return false; }
};

#endif // CACHE_LINE_ALLOCATOR_H
