#pragma once
#include <atomic>
#include <functional>
#include <string>

/// The process's interrupt and progress object. Long operations bracket
/// their work with opStart()/opEnd() and poll opInterrupt() now and then,
/// passing their progress; a front end shows that progress and asks for an
/// interruption with interrupt(), which is safe to call from a signal
/// handler.
class UT_Interrupt {
public:
    /// Called with the name of the outermost running operation and a
    /// percentage (0 to 100, or -1 when unknown) whenever progress is given.
    using ProgressFunc = std::function<void(const char *op, int percent)>;

    /// Begins an operation (they nest); false when an interruption is
    /// already pending.
    bool opStart(const char *opname = nullptr);
    /// Ends the operation begun last. When the outermost one ends, a
    /// pending interruption is cleared.
    void opEnd();
    /// Reports progress and answers whether the work must stop.
    bool opInterrupt(int percent = -1);
    /// Asks the running operations to stop. Async-signal-safe.
    void interrupt() { myInterrupted.store(true, std::memory_order_relaxed); }
    /// Whether an interruption has been asked for and not cleared yet.
    bool interrupted() const { return myInterrupted.load(std::memory_order_relaxed); }
    /// Forgets a pending interruption.
    void clear() { myInterrupted.store(false, std::memory_order_relaxed); }

    void setProgressFunc(ProgressFunc f) { myProgress = std::move(f); }

private:
    std::atomic<bool> myInterrupted{false};
    int myDepth = 0;
    std::string myOpName;
    ProgressFunc myProgress;
};

/// The process-wide interrupt object.
UT_Interrupt *UTgetInterrupt();
