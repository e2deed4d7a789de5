#pragma once
#include <csignal>
#include <ostream>

/// Watches a cook for the user: turns Ctrl-C (SIGINT) and every other
/// signal that would end the program and can be caught (SIGTERM, SIGHUP,
/// SIGQUIT, SIGPIPE, SIGUSR1, real-time signals, ...) into an interruption
/// of the host's interrupt object, and shows the
/// cook's progress as a bar on the error stream when that stream is a
/// terminal. Restores the previous handling of those signals when it goes
/// out of scope. One at a time.
class CookWatch {
public:
    CookWatch(std::ostream &err, bool show_progress);
    ~CookWatch();
    CookWatch(const CookWatch &) = delete;
    CookWatch &operator=(const CookWatch &) = delete;

    /// Whether Ctrl-C was pressed (or one of the other signals came) since
    /// the watch began.
    bool interrupted() const;
    /// The exit status for an interrupted run: 128 plus the signal's
    /// number, as a shell reports a program that signal ended (130 for
    /// Ctrl-C).
    int exitStatus() const;
    /// Removes the progress bar from the terminal line.
    void clearBar();

private:
    std::ostream &myErr;
    bool myShowing;
    bool myBarDrawn = false;
    int myLastPercent = -2;
};

/// Holds back the signals a CookWatch catches while it lives, so that the
/// steps of a commit are not cut apart; a signal that comes meanwhile is
/// handled when it goes.
class HeldSignals {
public:
    HeldSignals();
    ~HeldSignals();
    HeldSignals(const HeldSignals &) = delete;
    HeldSignals &operator=(const HeldSignals &) = delete;

private:
    sigset_t myPrevious;
};
