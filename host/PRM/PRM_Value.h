#pragma once
#include <string>
#include <utility>
#include <vector>

/// The value of one parameter component: a constant, or keys of
/// (time, value) that the value follows linearly between keys and holds
/// constant before the first and after the last key; and a text for string
/// parameters (never animated).
class PRM_Value {
public:
    typedef std::pair<float, float> Key;  ///< (time, value)

    /// The number at time t.
    float eval(float t) const;
    bool isAnimated() const { return !myKeys.empty(); }
    const std::vector<Key> &keys() const { return myKeys; }

    /// Makes the value the constant v (dropping any keys).
    void setConstant(float v) {
        myConstant = v;
        myKeys.clear();
    }
    /// Animates the value by keys (sorted by time here; of several keys at
    /// one time the last given wins). Empty keys make the value constant at
    /// what it evaluated to at time 0.
    void setKeys(std::vector<Key> keys);
    /// Sets the value at time t: the key at t when animated (added when
    /// there is none at t), else the constant.
    void setAt(float t, float v);

    const std::string &getString() const { return myString; }
    void setString(std::string s) { myString = std::move(s); }

private:
    float myConstant = 0;
    std::vector<Key> myKeys;  // sorted by time, times distinct
    std::string myString;
};
