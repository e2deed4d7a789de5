#include "PRM_ChoiceList.h"
#include <cstring>

int PRM_ChoiceList::getItemCount() const {
    int n = 0;
    if (myItems)
        while (!myItems[n].isTerminator()) ++n;
    return n;
}

const PRM_Name *PRM_ChoiceList::getItem(int i) const { return (i >= 0 && i < getItemCount()) ? &myItems[i] : nullptr; }

int PRM_ChoiceList::findItem(const char *token) const {
    if (!token) return -1;
    for (int i = 0, n = getItemCount(); i < n; ++i)
        if (std::strcmp(myItems[i].getToken(), token) == 0) return i;
    return -1;
}
