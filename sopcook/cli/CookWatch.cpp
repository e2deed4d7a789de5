#include "CookWatch.h"
#include <UT/UT_Interrupt.h>
#include <csignal>
#include <string>

namespace {
volatile std::sig_atomic_t theSigint = 0;
struct sigaction thePrevious;

void onSigint(int) {
    theSigint = 1;
    UTgetInterrupt()->interrupt();
}
} // namespace

CookWatch::CookWatch(std::ostream &err, bool show_progress) : myErr(err), myShowing(show_progress) {
    theSigint = 0;
    UTgetInterrupt()->clear();
    struct sigaction sa {};
    sa.sa_handler = onSigint;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, &thePrevious);
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
    sigaction(SIGINT, &thePrevious, nullptr);
}

bool CookWatch::interrupted() const { return theSigint != 0; }

void CookWatch::clearBar() {
    if (!myBarDrawn) return;
    myErr << "\r" << std::string(60, ' ') << "\r" << std::flush;
    myBarDrawn = false;
}
