#pragma once
#include <cstddef>
#include <vector>

/// A growable array of plain values. Reading an index at or beyond
/// entries() yields a value-initialised T and never reads out of bounds.
template <typename T> class UT_ValArray {
public:
    int entries() const { return static_cast<int>(myData.size()); }
    void entries(int n) { myData.resize(n > 0 ? n : 0); }
    void resize(int n) { entries(n); }
    void clear() { myData.clear(); }
    int append(const T &v) {
        myData.push_back(v);
        return entries() - 1;
    }

    /// Element i; writing beyond the end grows the array with zeros.
    T &operator()(int i) {
        if (i >= entries()) myData.resize(i + 1, T());
        return myData[i];
    }
    T operator()(int i) const { return (i >= 0 && i < entries()) ? myData[i] : T(); }
    T &operator[](int i) { return (*this)(i); }
    T operator[](int i) const { return (*this)(i); }

    const T *data() const { return myData.data(); }
    std::vector<T> &std() { return myData; }
    const std::vector<T> &std() const { return myData; }

private:
    std::vector<T> myData;
};

using UT_FloatArray = UT_ValArray<float>;
using UT_IntArray = UT_ValArray<int>;
