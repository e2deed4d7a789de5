#include "CookWatch.h"
#include <UT/UT_Interrupt.h>
#include <csignal>
#include <string>
#include <vector>

namespace {
volatile std::sig_atomic_t theSignal = 0;

/// Every signal whose default action ends the program and that can be
/// caught, bar the faults a program raises itself (SIGSEGV, SIGBUS,
/// SIGFPE, SIGILL, SIGABRT, SIGTRAP, SIGSYS): each stops the run the same
/// way, so that a killed run leaves no staged file behind.
const std::vector<int> &endingSignals() {
    static const std::vector<int> list = [] {
        std::vector<int> v = {SIGINT,  SIGTERM,   SIGHUP,  SIGQUIT, SIGUSR1, SIGUSR2, SIGPIPE,
                              SIGALRM, SIGVTALRM, SIGPROF, SIGXCPU, SIGXFSZ, SIGIO,   SIGPWR};
#ifdef SIGSTKFLT
        v.push_back(SIGSTKFLT);
#endif
        for (int s = SIGRTMIN; s <= SIGRTMAX; ++s) v.push_back(s);
        return v;
    }();
    return list;
}
std::vector<struct sigaction> thePrevious;

void onSignal(int sig) {
    if (theSignal == 0) theSignal = sig;
    UTgetInterrupt()->interrupt();
}
}  // namespace

CookWatch::CookWatch(std::ostream &err, bool show_progress) : myErr(err), myShowing(show_progress) {
    theSignal = 0;
    UTgetInterrupt()->clear();
    struct sigaction sa {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    const std::vector<int> &sigs = endingSignals();
    thePrevious.assign(sigs.size(), {});
    for (size_t i = 0; i < sigs.size(); ++i) {
        sigaction(sigs[i], nullptr, &thePrevious[i]);
        // Only signals that would end the program now are taken over. One
        // ignored by the caller stays ignored (a hang-up under nohup,
        // SIGPIPE or SIGXFSZ for a caller that wants the write error
        // instead), and one that already has a handler keeps it (a
        // profiler's SIGPROF). Ctrl-C is caught even when ignored, as a
        // shell ignores it for a command it starts in the background, which
        // is still to be stopped by kill -INT. No SA_RESTART: a wait for a
        // lock ends with the signal.
        const bool ends = (thePrevious[i].sa_flags & SA_SIGINFO) == 0 && thePrevious[i].sa_handler == SIG_DFL;
        if (sigs[i] == SIGINT || ends) sigaction(sigs[i], &sa, nullptr);
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
    const std::vector<int> &sigs = endingSignals();
    for (size_t i = 0; i < sigs.size(); ++i) sigaction(sigs[i], &thePrevious[i], nullptr);
}

bool CookWatch::interrupted() const { return theSignal != 0; }

int CookWatch::exitStatus() const { return 128 + theSignal; }

void CookWatch::clearBar() {
    if (!myBarDrawn) return;
    myErr << "\r" << std::string(60, ' ') << "\r" << std::flush;
    myBarDrawn = false;
}

HeldSignals::HeldSignals() {
    sigset_t set;
    sigemptyset(&set);
    for (int s : endingSignals()) sigaddset(&set, s);
    sigprocmask(SIG_BLOCK, &set, &myPrevious);
}

HeldSignals::~HeldSignals() { sigprocmask(SIG_SETMASK, &myPrevious, nullptr); }
