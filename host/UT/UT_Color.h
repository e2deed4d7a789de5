#pragma once

enum UT_ColorRamp {
    UT_COLORRAMP_FALSE = 0,  ///< blue, cyan, green, yellow, red
    UT_COLORRAMP_GREY = 1    ///< black to white
};

class UT_Color {
public:
    /// Colour of value (clamped to 0..1) on a ramp.
    static void getRampColor(UT_ColorRamp ramp, float value, float *r, float *g, float *b);
    static void getRampColor(int ramp, float value, float *r, float *g, float *b) {
        getRampColor(static_cast<UT_ColorRamp>(ramp), value, r, g, b);
    }
};
