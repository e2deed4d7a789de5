#include "GB_AttributeDict.h"

GB_Attribute *GB_AttributeDict::find(const char *name) {
    for (auto &a : myAttribs)
        if (a.name == name) return &a;
    return nullptr;
}

const GB_Attribute *GB_AttributeDict::find(const char *name) const {
    for (auto &a : myAttribs)
        if (a.name == name) return &a;
    return nullptr;
}

int GB_AttributeDict::getOffset(const char *name, int size, GB_AttribType type) const {
    if (!name) return -1;
    const GB_Attribute *a = find(name);
    if (!a || a->size != size || a->type != type) return -1;
    return a->offset;
}

int GB_AttributeDict::append(const char *name, int size, GB_AttribType type, const void *def) {
    if (!name || !*name || size <= 0) return -1;
    if (GB_Attribute *a = find(name)) return (a->size == size && a->type == type) ? a->offset : -1;
    GB_Attribute a;
    a.name = name;
    a.size = size;
    a.type = type;
    // Keep 4-byte alignment so typed reads through offsets are aligned.
    a.offset = myBlockSize;
    a.defaults.assign(size, 0);
    if (def) std::memcpy(a.defaults.data(), def, size);
    int new_size = myBlockSize + ((size + 3) & ~3);
    relayout(new_size);
    for (int s = 0; s < mySlots; ++s) std::memcpy(block(s) + a.offset, a.defaults.data(), size);
    myAttribs.push_back(std::move(a));
    return myAttribs.back().offset;
}

bool GB_AttributeDict::destroy(const char *name, int size, GB_AttribType type) {
    for (size_t i = 0; i < myAttribs.size(); ++i) {
        const GB_Attribute &a = myAttribs[i];
        if (a.name == name && a.size == size && a.type == type) {
            myAttribs.erase(myAttribs.begin() + static_cast<long>(i));
            return true;
        }
    }
    return false;
}

void GB_AttributeDict::copyLayout(const GB_AttributeDict &src) {
    myAttribs = src.myAttribs;
    relayout(src.myBlockSize);
}

void GB_AttributeDict::relayout(int new_size) {
    if (new_size == myBlockSize) return;
    std::vector<unsigned char> data(static_cast<size_t>(mySlots) * new_size, 0);
    int keep = myBlockSize < new_size ? myBlockSize : new_size;
    for (int s = 0; s < mySlots; ++s)
        if (keep) std::memcpy(data.data() + static_cast<size_t>(s) * new_size, block(s), keep);
    myData.swap(data);
    myBlockSize = new_size;
}

int GB_AttributeDict::newSlot() {
    int s = mySlots++;
    myData.resize(static_cast<size_t>(mySlots) * myBlockSize);
    unsigned char *b = block(s);
    if (myBlockSize) std::memset(b, 0, myBlockSize);
    for (const auto &a : myAttribs) std::memcpy(b + a.offset, a.defaults.data(), a.size);
    return s;
}

int GB_AttributeDict::copySlot(int src) {
    int s = mySlots++;
    myData.resize(static_cast<size_t>(mySlots) * myBlockSize);
    if (myBlockSize) std::memcpy(block(s), block(src), myBlockSize);
    return s;
}
