#include "UT_Interrupt.h"

UT_Interrupt *UTgetInterrupt() {
    static UT_Interrupt theInterrupt;
    return &theInterrupt;
}

bool UT_Interrupt::opStart(const char *opname) {
    if (myDepth++ == 0) myOpName = opname ? opname : "";
    return !interrupted();
}

void UT_Interrupt::opEnd() {
    if (myDepth == 0) return;
    if (--myDepth == 0) {
        if (myProgress) myProgress(myOpName.c_str(), 100);
        clear();
    }
}

bool UT_Interrupt::opInterrupt(int percent) {
    if (myProgress) myProgress(myOpName.c_str(), percent);
    return interrupted();
}
