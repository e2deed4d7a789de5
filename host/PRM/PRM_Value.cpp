#include "PRM_Value.h"
#include <algorithm>

float PRM_Value::eval(float t) const {
    if (myKeys.empty()) return myConstant;
    if (t <= myKeys.front().first) return myKeys.front().second;
    if (t >= myKeys.back().first) return myKeys.back().second;
    // First key later than t; its predecessor is at or before t.
    auto hi =
        std::upper_bound(myKeys.begin(), myKeys.end(), t, [](float time, const Key &k) { return time < k.first; });
    auto lo = hi - 1;
    float f = (t - lo->first) / (hi->first - lo->first);
    return lo->second + (hi->second - lo->second) * f;
}

void PRM_Value::setKeys(std::vector<Key> keys) {
    if (keys.empty()) {
        setConstant(eval(0));
        return;
    }
    // Stable so that, among keys at one time, the last given stays last.
    std::stable_sort(keys.begin(), keys.end(), [](const Key &a, const Key &b) { return a.first < b.first; });
    myKeys.clear();
    for (const Key &k : keys) {
        if (!myKeys.empty() && myKeys.back().first == k.first)
            myKeys.back() = k;
        else
            myKeys.push_back(k);
    }
}

void PRM_Value::setAt(float t, float v) {
    if (myKeys.empty()) {
        myConstant = v;
        return;
    }
    auto it =
        std::lower_bound(myKeys.begin(), myKeys.end(), t, [](const Key &k, float time) { return k.first < time; });
    if (it != myKeys.end() && it->first == t)
        it->second = v;
    else
        myKeys.insert(it, Key(t, v));
}
