// The stages of a run as the cooks name them through the host's interrupt
// object (each step an operation nested in the cook's), with the wall time
// and memory of each: what `sopcook --stages` prints and what the
// benchmark reads.
#pragma once
#include <chrono>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

/// One stage: an operation of the interrupt object, or a step of the front
/// end recorded with StageRecorder::Scope.
struct StageRecord {
    std::string name;
    int depth = 1;  ///< 1 for an outermost stage, 2 for one inside it, ...
    double ms = 0;  ///< wall time from its start to its end
    /// Bytes malloc has handed out and not had back (mallinfo2(): in-use
    /// arena bytes plus mmapped blocks) at the stage's start and end, and
    /// the largest value seen while it ran. The peak is sampled at the
    /// start and end of the stage and of every stage inside it and at the
    /// cook's progress calls (at most one sample per millisecond), so a
    /// block allocated and freed between two samples is not in it.
    long long heapStart = 0, heapEnd = 0, heapPeak = 0;
    /// The process's peak resident memory while the stage ran, in bytes
    /// (the kernel's high-water mark, VmHWM, reset to the resident size
    /// when the stage starts); -1 where the kernel cannot reset it. With
    /// a huge-page heap it counts whole 2 MiB pages and the freed memory
    /// that malloc still holds.
    long long rssPeak = -1;
    /// Figures the stage reported (UT_Interrupt::opNote()), in order.
    std::vector<std::pair<std::string, double>> notes;
    bool ended = false;  ///< false for a stage an exception or interruption left open
};

/// Records every operation the process's interrupt object starts and ends
/// while it lives (it is the object's one listener; one recorder at a
/// time). Not thread-safe: operations start, poll and end on one thread.
///
/// Reading the peak resident memory resets the kernel's high-water mark of
/// the process at every stage start, so while a recorder runs, the
/// process's ru_maxrss (getrusage, wait4) covers only the time since the
/// last stage started; processPeakRss() keeps the whole.
class StageRecorder {
public:
    StageRecorder();
    ~StageRecorder();
    StageRecorder(const StageRecorder &) = delete;
    StageRecorder &operator=(const StageRecorder &) = delete;

    /// A stage of the front end itself (reading, writing), recorded as the
    /// operations are but without going through the interrupt object, so
    /// it neither shows progress nor clears an interruption.
    class Scope {
    public:
        Scope(StageRecorder *recorder, const char *name);  ///< recorder may be nullptr: records nothing
        ~Scope();
        Scope(const Scope &) = delete;
        Scope &operator=(const Scope &) = delete;

    private:
        StageRecorder *myRecorder;
    };

    /// The stages in the order they started.
    const std::vector<StageRecord> &stages() const { return myStages; }
    /// The largest resident size seen since the recorder began (bytes),
    /// including the high-water mark it found then; -1 when unknown.
    long long processPeakRss();

private:
    void begin(const std::string &name);
    void end();
    void sample(bool throttled);
    void foldResidentPeak();

    std::vector<StageRecord> myStages;
    std::vector<size_t> myOpen;  ///< indices of the running stages, outermost first
    std::vector<std::chrono::steady_clock::time_point> myStarts;
    std::chrono::steady_clock::time_point myLastSample;
    long long myProcessPeak = -1;
    bool myCanReset = true;
};

/// Bytes malloc has handed out and not had back: mallinfo2()'s in-use
/// arena bytes plus its mmapped blocks, over all arenas.
long long heapInUse();

/// Resets the process's resident high-water mark (VmHWM, and with it the
/// ru_maxrss its parent will see) to its resident size now, by writing "5"
/// to /proc/self/clear_refs; false where the kernel refuses.
bool resetResidentPeak();

/// Prints stages as a table, one row per stage in the order they started,
/// nested ones indented under theirs: wall time (ms), heap peak, heap at
/// the end, the heap's change over the stage, resident peak (MB) and the
/// notes. Ends with a line saying what the columns mean.
void printStageTable(std::ostream &out, const std::vector<StageRecord> &stages);
