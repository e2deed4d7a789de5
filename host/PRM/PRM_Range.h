#pragma once

/// How a range end limits a value. FREE and UI ends only guide the
/// interface; PRM and RESTRICTED ends clamp every value that is set.
enum PRM_RangeFlag { PRM_RANGE_FREE = 0, PRM_RANGE_UI = 1, PRM_RANGE_PRM = 2, PRM_RANGE_RESTRICTED = 3 };

/// The range of a numeric parameter: a lower and an upper end, each with
/// its flag.
class PRM_Range {
public:
    constexpr PRM_Range(PRM_RangeFlag minflag = PRM_RANGE_UI, float min = 0, PRM_RangeFlag maxflag = PRM_RANGE_UI,
                        float max = 1)
        : myMinFlag(minflag), myMin(min), myMaxFlag(maxflag), myMax(max) {}

    PRM_RangeFlag getMinFlag() const { return myMinFlag; }
    PRM_RangeFlag getMaxFlag() const { return myMaxFlag; }
    float getMin() const { return myMin; }
    float getMax() const { return myMax; }
    /// Whether an end of this flag clamps values that are set.
    static bool isRestricting(PRM_RangeFlag f) { return f == PRM_RANGE_PRM || f == PRM_RANGE_RESTRICTED; }
    bool hasRestrictedMin() const { return isRestricting(myMinFlag); }
    bool hasRestrictedMax() const { return isRestricting(myMaxFlag); }

    /// v limited to the restricting ends; *clamped (when given) is set to
    /// whether v was changed. NaN is left as it is.
    float clamp(float v, bool *clamped = nullptr) const;

private:
    PRM_RangeFlag myMinFlag;
    float myMin;
    PRM_RangeFlag myMaxFlag;
    float myMax;
};
