// A growable array of trivially copyable values on malloc/realloc. It does
// what std::vector does for the solver's large arrays, with two differences
// that matter at millions of entries: growing a large block is a realloc,
// which the C library does by remapping pages rather than copying them and
// touching fresh ones, and resize_for_overwrite() leaves new entries
// uninitialised for a caller that writes every one of them anyway.
#pragma once

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <new>
#include <type_traits>
#include <utility>

namespace nl {

template <class T> class Buffer {
    static_assert(std::is_trivially_copyable_v<T>, "Buffer holds plain values only");

public:
    Buffer() = default;
    Buffer(const Buffer &o) { *this = o; }
    Buffer(Buffer &&o) noexcept { swap(o); }
    Buffer &operator=(const Buffer &o) {
        if (this != &o) {
            resize_for_overwrite(o.size_);
            if (o.size_) std::memcpy(data_, o.data_, o.size_ * sizeof(T));
        }
        return *this;
    }
    Buffer &operator=(Buffer &&o) noexcept {
        Buffer(std::move(o)).swap(*this);
        return *this;
    }
    ~Buffer() { std::free(data_); }

    void swap(Buffer &o) noexcept {
        std::swap(data_, o.data_);
        std::swap(size_, o.size_);
        std::swap(capacity_, o.capacity_);
    }

    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    T *data() { return data_; }
    const T *data() const { return data_; }
    T &operator[](std::size_t k) { return data_[k]; }
    const T &operator[](std::size_t k) const { return data_[k]; }
    T *begin() { return data_; }
    T *end() { return data_ + size_; }
    const T *begin() const { return data_; }
    const T *end() const { return data_ + size_; }

    void push_back(const T &v) {
        if (size_ == capacity_) reserve(capacity_ ? 2 * capacity_ : kFirstCapacity);
        data_[size_++] = v;
    }
    // Keeps the first n entries (n <= size()).
    void shrink_to(std::size_t n) { size_ = n; }
    // Makes the size n; entries past the old size are left uninitialised.
    void resize_for_overwrite(std::size_t n) {
        reserve(n);
        size_ = n;
    }
    // Makes room for n entries. Throws std::bad_alloc when there is none.
    void reserve(std::size_t n) {
        if (n <= capacity_) return;
        if (n > std::size_t(-1) / sizeof(T)) throw std::bad_alloc();
        void *grown = std::realloc(data_, n * sizeof(T));
        if (grown == nullptr) throw std::bad_alloc();
        data_ = static_cast<T *>(grown);
        capacity_ = n;
    }
    // Gives back the room beyond size(), as after a build by push_back
    // that doubled the capacity.
    void fit() {
        if (capacity_ == size_) return;
        if (size_ == 0) {
            release();
            return;
        }
        void *fitted = std::realloc(data_, size_ * sizeof(T));
        if (fitted == nullptr) return;  // keeping the larger block is harmless
        data_ = static_cast<T *>(fitted);
        capacity_ = size_;
    }
    // Empties the buffer and gives its memory back.
    void release() { Buffer().swap(*this); }

    // Bitwise equality, as the tests of bit-identical results want it.
    friend bool operator==(const Buffer &a, const Buffer &b) {
        return a.size_ == b.size_ && (a.size_ == 0 || std::memcmp(a.data_, b.data_, a.size_ * sizeof(T)) == 0);
    }

private:
    // The first push_back makes room for a page's worth: these arrays are
    // rarely short, and it spares the smallest reallocations.
    static constexpr std::size_t kFirstCapacity = 4096 / sizeof(T) > 0 ? 4096 / sizeof(T) : 1;

    T *data_ = nullptr;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
};

}  // namespace nl
