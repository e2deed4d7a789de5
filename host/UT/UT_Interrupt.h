#pragma once
#include <atomic>
#include <functional>
#include <string>
#include <vector>

/// The process's interrupt and progress object. Long operations bracket
/// their work with opStart()/opEnd() and poll opInterrupt() now and then,
/// passing their progress; a front end shows that progress and asks for an
/// interruption with interrupt(), which is safe to call from a signal
/// handler. Operations nest: a cook may bracket each of its steps as an
/// operation of its own inside the cook's, and a front end that wants to
/// know where the time goes can listen to them (setOpListener()).
class UT_Interrupt {
public:
    /// Called with the name of the outermost running operation and a
    /// percentage (0 to 100, or -1 when unknown) whenever progress is given.
    using ProgressFunc = std::function<void(const char *op, int percent)>;

    /// What an OpListener is told about.
    enum class OpEvent {
        Start,     ///< an operation began; name and depth are its own
        Progress,  ///< opInterrupt() was called; name and depth of the innermost running operation
        End,       ///< an operation ended; name and depth are its own
        Note,      ///< the innermost running operation reported a figure (opNote())
    };
    /// Observes the operations. depth is 1 for the outermost operation, 2
    /// for one started inside it, and so on. value is the figure of a Note
    /// (0 for the other events). Called on the thread that starts, polls or
    /// ends the operation; it must not start or end operations itself.
    using OpListener = std::function<void(OpEvent event, const char *name, int depth, double value)>;

    /// Begins an operation (they nest); false when an interruption is
    /// already pending.
    bool opStart(const char *opname = nullptr);
    /// Ends the operation begun last. When the outermost one ends, a
    /// pending interruption is cleared.
    void opEnd();
    /// Reports progress and answers whether the work must stop.
    bool opInterrupt(int percent = -1);
    /// Passes a named figure of the innermost running operation (such as
    /// the iterations a solve took) to the listener; does nothing else.
    void opNote(const char *name, double value);
    /// Asks the running operations to stop. Async-signal-safe.
    void interrupt() { myInterrupted.store(true, std::memory_order_relaxed); }
    /// Whether an interruption has been asked for and not cleared yet.
    bool interrupted() const { return myInterrupted.load(std::memory_order_relaxed); }
    /// Forgets a pending interruption.
    void clear() { myInterrupted.store(false, std::memory_order_relaxed); }

    void setProgressFunc(ProgressFunc f) { myProgress = std::move(f); }
    /// Sets the one listener to the operations (nullptr for none).
    void setOpListener(OpListener f) { myListener = std::move(f); }

private:
    std::atomic<bool> myInterrupted{false};
    std::vector<std::string> myOpNames;  ///< the running operations, outermost first
    ProgressFunc myProgress;
    OpListener myListener;
};

/// The process-wide interrupt object.
UT_Interrupt *UTgetInterrupt();

/// Brackets a scope as one operation of the process's interrupt object:
/// opStart() when made, opEnd() when it goes, also when an exception
/// leaves the scope.
class UT_AutoInterrupt {
public:
    explicit UT_AutoInterrupt(const char *opname) { UTgetInterrupt()->opStart(opname); }
    ~UT_AutoInterrupt() { UTgetInterrupt()->opEnd(); }
    UT_AutoInterrupt(const UT_AutoInterrupt &) = delete;
    UT_AutoInterrupt &operator=(const UT_AutoInterrupt &) = delete;
};
