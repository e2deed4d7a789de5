#pragma once
#include <cstring>
#include <string>
#include <vector>
#include "GB_Attribute.h"

/// The attributes of one element class (points, primitives, vertices or the
/// detail) and the storage of all their values.
///
/// Every element owns a slot; slot s has a block of blockSize() bytes at
/// s * blockSize(). An attribute is found by name, size and type and read
/// through its byte offset into the block. Pointers into a block stay valid
/// until the next append of an attribute or of a slot.
class GB_AttributeDict {
public:
    /// Offset of a new attribute, or of an existing one of the same name,
    /// size and type; negative (and nothing changes) when the name exists
    /// with another size or type, or the request is malformed. default_value
    /// is size bytes, or null for zeros.
    int append(const char *name, int size, GB_AttribType type, const void *default_value = nullptr);
    int append(const char *name, int size, int type, const void *default_value = nullptr) {
        return append(name, size, static_cast<GB_AttribType>(type), default_value);
    }
    /// Offset of the attribute of this name, size and type; negative when absent.
    int getOffset(const char *name, int size, GB_AttribType type) const;
    int getOffset(const char *name, int size, int type) const {
        return getOffset(name, size, static_cast<GB_AttribType>(type));
    }
    /// Removes the attribute of this name, size and type. Returns whether
    /// one was removed. Other attributes keep their offsets.
    bool destroy(const char *name, int size, GB_AttribType type);
    bool destroy(const char *name, int size, int type) { return destroy(name, size, static_cast<GB_AttribType>(type)); }

    /// Attributes in the order they were added.
    const std::vector<GB_Attribute> &attributes() const { return myAttribs; }
    GB_Attribute *find(const char *name);
    const GB_Attribute *find(const char *name) const;
    int entries() const { return static_cast<int>(myAttribs.size()); }

    /// Copies the attribute list (not the values) of another dictionary.
    void copyLayout(const GB_AttributeDict &src);

    // Storage, used by the elements.
    int blockSize() const { return myBlockSize; }
    int slots() const { return mySlots; }
    /// A new slot, its block filled with every attribute's default.
    int newSlot();
    /// A new slot holding a copy of slot src (of this dictionary).
    int copySlot(int src);
    unsigned char *block(int slot) { return myData.data() + static_cast<size_t>(slot) * myBlockSize; }
    const unsigned char *block(int slot) const { return myData.data() + static_cast<size_t>(slot) * myBlockSize; }
    /// Reserves room for n slots in all.
    void reserveSlots(int n) { myData.reserve(static_cast<size_t>(n) * myBlockSize); }

private:
    void relayout(int new_block_size);

    std::vector<GB_Attribute> myAttribs;
    std::vector<unsigned char> myData;
    int myBlockSize = 0;
    int mySlots = 0;
};
