#pragma once
#include <cstdint>
#include <utility>
#include <vector>

/// A hash table from undirected point pairs to an int, for the edge views.
///
/// Open addressing with linear probing over a flat array: a million-face
/// mesh has a few million edges, and a node-based map would spend most of
/// its time and memory on allocations.
class GQ_EdgeTable {
public:
    /// The key of the undirected edge between points a and b (both >= 0).
    static uint64_t key(int a, int b) {
        if (a > b) std::swap(a, b);
        return (static_cast<uint64_t>(static_cast<uint32_t>(a)) << 32) | static_cast<uint32_t>(b);
    }

    /// Empties the table and makes room for n keys without regrowing.
    void reset(size_t n) {
        size_t cap = 16;
        while (cap < 2 * n) cap <<= 1;
        mySlots.assign(cap, Slot{kEmptyHalf, kEmptyHalf, 0});
        myCount = 0;
    }
    /// The value stored for k, or null.
    const int *find(uint64_t k) const {
        if (mySlots.empty()) return nullptr;
        for (size_t i = start(k);; i = (i + 1) & mask()) {
            if (mySlots[i].key() == k) return &mySlots[i].value;
            if (mySlots[i].empty()) return nullptr;
        }
    }
    /// Stores value for k unless k is present. Returns the stored value and
    /// whether it was inserted now.
    std::pair<int, bool> insert(uint64_t k, int value) {
        if (2 * (myCount + 1) > mySlots.size()) grow();
        for (size_t i = start(k);; i = (i + 1) & mask()) {
            if (mySlots[i].key() == k) return {mySlots[i].value, false};
            if (mySlots[i].empty()) {
                mySlots[i] = {static_cast<uint32_t>(k >> 32), static_cast<uint32_t>(k), value};
                ++myCount;
                return {value, true};
            }
        }
    }
    size_t size() const { return myCount; }

private:
    // Twelve bytes: the key as two halves keeps the slot free of padding.
    struct Slot {
        uint32_t hi, lo;
        int value;
        uint64_t key() const { return (static_cast<uint64_t>(hi) << 32) | lo; }
        bool empty() const { return hi == kEmptyHalf; }
    };
    // Point numbers are non-negative ints, so no real key has a high half
    // with all bits set.
    static constexpr uint32_t kEmptyHalf = ~uint32_t(0);

    size_t mask() const { return mySlots.size() - 1; }
    size_t start(uint64_t k) const {
        // A multiplicative mix spreads the neighbouring point numbers of a
        // mesh over the whole table.
        k ^= k >> 31;
        k *= 0x9e3779b97f4a7c15ull;
        k ^= k >> 29;
        return static_cast<size_t>(k) & mask();
    }
    void grow() {
        std::vector<Slot> old;
        old.swap(mySlots);
        reset(old.empty() ? 8 : old.size());
        for (const Slot &s : old)
            if (!s.empty()) insert(s.key(), s.value);
    }

    std::vector<Slot> mySlots;
    size_t myCount = 0;
};
