#pragma once
#include <cstring>
#include "GB_AttributeDict.h"

/// Something that carries an attribute block: a point, a primitive, a
/// vertex. Attribute values are reached by the byte offsets that the
/// element class's dictionary hands out.
class GB_Element {
public:
    GB_Element() = default;
    GB_Element(GB_AttributeDict *dict, int slot, int num) : myDict(dict), mySlot(slot), myNum(num) {}

    /// The element's number in its list (points and primitives), 0-based.
    int getNum() const { return myNum; }
    void setNum(int n) { myNum = n; }
    int getSlot() const { return mySlot; }
    GB_AttributeDict *getDict() const { return myDict; }

    /// Pointer to the data at a byte offset of this element's block. The
    /// offset must come from this element class's dictionary and be >= 0.
    template <typename T> T *castAttribData(int offset) {
        return reinterpret_cast<T *>(myDict->block(mySlot) + offset);
    }
    template <typename T> const T *castAttribData(int offset) const {
        return reinterpret_cast<const T *>(myDict->block(mySlot) + offset);
    }
    /// Component idx of the attribute at offset, as T.
    template <typename T> T getValue(int offset, int idx = 0) const {
        T v;
        std::memcpy(&v, myDict->block(mySlot) + offset + idx * static_cast<int>(sizeof(T)), sizeof(T));
        return v;
    }
    template <typename T> void setValue(int offset, T v, int idx = 0) {
        std::memcpy(myDict->block(mySlot) + offset + idx * static_cast<int>(sizeof(T)), &v, sizeof(T));
    }
    /// Copies the whole attribute block of another element of the same class.
    void copyAttributeData(const GB_Element &src) {
        if (myDict == src.myDict && myDict->blockSize())
            std::memcpy(myDict->block(mySlot), myDict->block(src.mySlot), myDict->blockSize());
    }

protected:
    GB_AttributeDict *myDict = nullptr;
    int mySlot = -1;
    int myNum = -1;
};
