#include "CookWatch.h"
#include <UT/UT_Interrupt.h>
#include <csignal>
#include <string>

namespace {
// Ctrl-C, and the signals that ask a program to end (kill, a closed
// terminal): each stops the cook the same way, so that no temporary file
// is left behind by a killed run.
constexpr int theSignals[] = {SIGINT, SIGTERM, SIGHUP};
constexpr int theCount = sizeof theSignals / sizeof theSignals[0];
volatile std::sig_atomic_t theSignal = 0;
struct sigaction thePrevious[theCount];

void onSignal(int sig) {
    if (theSignal == 0) theSignal = sig;
    UTgetInterrupt()->interrupt();
}
} // namespace

CookWatch::CookWatch(std::ostream &err, bool show_progress) : myErr(err), myShowing(show_progress) {
    theSignal = 0;
    UTgetInterrupt()->clear();
    struct sigaction sa {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    for (int i = 0; i < theCount; ++i) {
        sigaction(theSignals[i], nullptr, &thePrevious[i]);
        // A hang-up ignored by the caller (nohup) stays ignored. Ctrl-C is
        // caught even when ignored, as a shell ignores it for a command it
        // starts in the background, which is still to be stopped by kill -INT.
        if (theSignals[i] != SIGHUP || thePrevious[i].sa_handler != SIG_IGN) sigaction(theSignals[i], &sa, nullptr);
    }
    if (!myShowing) return;
    UTgetInterrupt()->setProgressFunc([this](const char *op, int percent) {
        if (percent == myLastPercent) return;
        myLastPercent = percent;
        const int width = 30;
        int filled = percent < 0 ? 0 : (percent > 100 ? width : percent * width / 100);
        std::string bar(filled, '#');
        bar.resize(width, '.');
        myErr << "\r[" << bar << "] " << (percent < 0 ? std::string("  ?") : std::to_string(percent)) << "% "
              << (op ? op : "") << std::flush;
        myBarDrawn = true;
    });
}

CookWatch::~CookWatch() {
    clearBar();
    UTgetInterrupt()->setProgressFunc(nullptr);
    for (int i = 0; i < theCount; ++i) sigaction(theSignals[i], &thePrevious[i], nullptr);
}

bool CookWatch::interrupted() const { return theSignal != 0; }

int CookWatch::exitStatus() const { return 128 + theSignal; }

void CookWatch::clearBar() {
    if (!myBarDrawn) return;
    myErr << "\r" << std::string(60, ' ') << "\r" << std::flush;
    myBarDrawn = false;
}
