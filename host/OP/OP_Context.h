#pragma once

/// What a cook is asked for: the time to evaluate at.
class OP_Context {
public:
    OP_Context(float t = 0) : myTime(t) {}
    float getTime() const { return myTime; }
    void setTime(float t) { myTime = t; }

private:
    float myTime;
};
