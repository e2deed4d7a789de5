#pragma once
#include <cstddef>
#include <new>
#include <type_traits>
#include <utility>
#include <vector>

/// Storage for the elements of one type of a detail: objects live in chunks
/// that grow from a few dozen to a few thousand objects, so a detail costs
/// one allocation per chunk rather than one per element, and an element
/// never moves until the pool is cleared. Memory is touched only as objects
/// are made in it.
template <typename T> class GEO_ElementPool {
public:
    GEO_ElementPool() = default;
    ~GEO_ElementPool() { clear(); }
    GEO_ElementPool(const GEO_ElementPool &) = delete;
    GEO_ElementPool &operator=(const GEO_ElementPool &) = delete;

    /// A new object made from args; valid until clear().
    template <typename... A> T *make(A &&...args) {
        if (myChunks.empty() || myChunks.back().used == myChunks.back().cap) grow(1);
        Chunk &c = myChunks.back();
        // Counted only once made, so a throwing constructor leaves no
        // object for clear() to destroy.
        T *made = new (c.data + c.used) T(std::forward<A>(args)...);
        ++c.used;
        return made;
    }
    /// Room for n objects in a row, not yet made (the caller makes them
    /// with placement new, trivially destructible types only); valid until
    /// clear().
    T *takeRun(size_t n) {
        static_assert(std::is_trivially_destructible_v<T>);
        if (myChunks.empty() || myChunks.back().cap - myChunks.back().used < n) grow(n);
        Chunk &c = myChunks.back();
        T *run = c.data + c.used;
        c.used += n;
        return run;
    }
    /// Whether the run of n objects at run ends where the next takeRun
    /// would start, with room for one more; if so the run grows by one.
    bool extendRun(T *run, size_t n) {
        if (myChunks.empty() || !run) return false;
        Chunk &c = myChunks.back();
        if (run + n != c.data + c.used || c.used == c.cap) return false;
        ++c.used;
        return true;
    }
    /// Destroys every object and frees the chunks.
    void clear() {
        for (Chunk &c : myChunks) {
            if constexpr (!std::is_trivially_destructible_v<T>)
                for (size_t i = 0; i < c.used; ++i) c.data[i].~T();
            ::operator delete(c.data, std::align_val_t(alignof(T)));
        }
        myChunks.clear();
    }

private:
    struct Chunk {
        T *data;
        size_t cap, used;
    };
    static constexpr size_t kFirst = 64, kLargest = 8192;

    /// Starts a chunk with room for at least n objects.
    void grow(size_t n) {
        size_t cap = myChunks.empty() ? kFirst : std::min(kLargest, 2 * myChunks.back().cap);
        if (cap < n) cap = n;
        myChunks.reserve(myChunks.size() + 1);
        T *data = static_cast<T *>(::operator new(cap * sizeof(T), std::align_val_t(alignof(T))));
        myChunks.push_back({data, cap, 0});
    }

    std::vector<Chunk> myChunks;
};
