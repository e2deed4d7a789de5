#include "UT_Interrupt.h"

UT_Interrupt *UTgetInterrupt() {
    static UT_Interrupt theInterrupt;
    return &theInterrupt;
}

bool UT_Interrupt::opStart(const char *opname) {
    myOpNames.emplace_back(opname ? opname : "");
    if (myListener) myListener(OpEvent::Start, myOpNames.back().c_str(), int(myOpNames.size()), 0.0);
    return !interrupted();
}

void UT_Interrupt::opEnd() {
    if (myOpNames.empty()) return;
    if (myListener) myListener(OpEvent::End, myOpNames.back().c_str(), int(myOpNames.size()), 0.0);
    if (myOpNames.size() == 1) {
        if (myProgress) myProgress(myOpNames.front().c_str(), 100);
        clear();
    }
    myOpNames.pop_back();
}

bool UT_Interrupt::opInterrupt(int percent) {
    const char *outer = myOpNames.empty() ? "" : myOpNames.front().c_str();
    if (myProgress) myProgress(outer, percent);
    if (myListener && !myOpNames.empty())
        myListener(OpEvent::Progress, myOpNames.back().c_str(), int(myOpNames.size()), 0.0);
    return interrupted();
}

void UT_Interrupt::opNote(const char *name, double value) {
    if (myListener && !myOpNames.empty()) myListener(OpEvent::Note, name ? name : "", int(myOpNames.size()), value);
}
