#pragma once
#include <ostream>

/// Watches a cook for the user: turns Ctrl-C (SIGINT) into an interruption
/// of the host's interrupt object, and shows the cook's progress as a bar
/// on the error stream when that stream is a terminal. Restores the
/// previous SIGINT handling when it goes out of scope. One at a time.
class CookWatch {
public:
    CookWatch(std::ostream &err, bool show_progress);
    ~CookWatch();
    CookWatch(const CookWatch &) = delete;
    CookWatch &operator=(const CookWatch &) = delete;

    /// Whether Ctrl-C was pressed since the watch began.
    bool interrupted() const;
    /// Removes the progress bar from the terminal line.
    void clearBar();

private:
    std::ostream &myErr;
    bool myShowing;
    bool myBarDrawn = false;
    int myLastPercent = -2;
};
