#include "StageReport.h"
#include <UT/UT_Interrupt.h>
#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <malloc.h>
#include <unistd.h>

namespace {

/// A "VmHWM:" or "VmRSS:" figure of /proc/self/status in bytes; -1 when
/// it cannot be read.
long long statusBytes(const char *key) {
    FILE *f = std::fopen("/proc/self/status", "r");
    if (!f) return -1;
    char line[256];
    long long kb = -1;
    const size_t len = std::char_traits<char>::length(key);
    while (std::fgets(line, sizeof line, f))
        if (std::char_traits<char>::compare(line, key, len) == 0) {
            std::sscanf(line + len, "%lld", &kb);
            break;
        }
    std::fclose(f);
    return kb < 0 ? -1 : kb * 1024;
}

}  // namespace

bool resetResidentPeak() {
    const int fd = ::open("/proc/self/clear_refs", O_WRONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool ok = ::write(fd, "5", 1) == 1;
    ::close(fd);
    return ok;
}

long long heapInUse() {
    const struct mallinfo2 m = mallinfo2();
    return static_cast<long long>(m.uordblks + m.hblkhd);
}

StageRecorder::StageRecorder() {
    myProcessPeak = statusBytes("VmHWM:");
    UTgetInterrupt()->setOpListener([this](UT_Interrupt::OpEvent event, const char *name, int, double value) {
        switch (event) {
            case UT_Interrupt::OpEvent::Start:
                begin(name);
                break;
            case UT_Interrupt::OpEvent::End:
                end();
                break;
            case UT_Interrupt::OpEvent::Progress:
                sample(true);
                break;
            case UT_Interrupt::OpEvent::Note:
                if (!myOpen.empty()) myStages[myOpen.back()].notes.emplace_back(name, value);
                break;
        }
    });
}

StageRecorder::~StageRecorder() { UTgetInterrupt()->setOpListener(nullptr); }

StageRecorder::Scope::Scope(StageRecorder *recorder, const char *name) : myRecorder(recorder) {
    if (myRecorder) myRecorder->begin(name);
}

StageRecorder::Scope::~Scope() {
    if (myRecorder) myRecorder->end();
}

long long StageRecorder::processPeakRss() {
    foldResidentPeak();
    return myProcessPeak;
}

void StageRecorder::foldResidentPeak() {
    const long long hwm = statusBytes("VmHWM:");
    if (hwm < 0) return;
    myProcessPeak = std::max(myProcessPeak, hwm);
    for (size_t i : myOpen) myStages[i].rssPeak = std::max(myStages[i].rssPeak, hwm);
}

void StageRecorder::begin(const std::string &name) {
    // The open stages take the high-water mark up to here before it is
    // reset for the new one.
    foldResidentPeak();
    if (myCanReset) myCanReset = resetResidentPeak();
    StageRecord r;
    r.name = name;
    r.depth = static_cast<int>(myOpen.size()) + 1;
    r.heapStart = r.heapEnd = r.heapPeak = heapInUse();
    if (myCanReset) r.rssPeak = statusBytes("VmRSS:");
    myOpen.push_back(myStages.size());
    myStages.push_back(std::move(r));
    for (size_t i : myOpen) myStages[i].heapPeak = std::max(myStages[i].heapPeak, myStages.back().heapStart);
    myLastSample = std::chrono::steady_clock::now();
    myStarts.push_back(myLastSample);
}

void StageRecorder::sample(bool throttled) {
    const auto now = std::chrono::steady_clock::now();
    if (throttled && now - myLastSample < std::chrono::milliseconds(1)) return;
    myLastSample = now;
    const long long heap = heapInUse();
    for (size_t i : myOpen) myStages[i].heapPeak = std::max(myStages[i].heapPeak, heap);
}

void StageRecorder::end() {
    if (myOpen.empty()) return;
    sample(false);
    foldResidentPeak();
    StageRecord &r = myStages[myOpen.back()];
    r.heapEnd = heapInUse();
    r.ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - myStarts.back()).count();
    r.ended = true;
    // A reset that failed leaves the mark of the whole process: no peak
    // of the stage's own.
    if (!myCanReset) r.rssPeak = -1;
    myOpen.pop_back();
    myStarts.pop_back();
}

void printStageTable(std::ostream &out, const std::vector<StageRecord> &stages) {
    auto mb = [](long long bytes) { return double(bytes) / (1024.0 * 1024.0); };
    char line[256];
    std::snprintf(line, sizeof line, "%-28s %10s %10s %10s %10s %10s  %s\n", "stage", "ms", "heap peak", "heap end",
                  "heap +/-", "rss peak", "notes");
    out << line;
    for (const StageRecord &s : stages) {
        const std::string name = std::string(2 * size_t(std::max(0, s.depth - 1)), ' ') + s.name;
        char rss[32] = "-";
        if (s.rssPeak >= 0) std::snprintf(rss, sizeof rss, "%.1f", mb(s.rssPeak));
        std::snprintf(line, sizeof line, "%-28s %10.1f %10.1f %10.1f %+10.1f %10s", name.c_str(), s.ms, mb(s.heapPeak),
                      mb(s.heapEnd), mb(s.heapEnd - s.heapStart), rss);
        out << line;
        for (size_t i = 0; i < s.notes.size(); ++i) {
            std::snprintf(line, sizeof line, "%s%s=%g", i == 0 ? "  " : " ", s.notes[i].first.c_str(),
                          s.notes[i].second);
            out << line;
        }
        if (!s.ended) out << " (did not end)";
        out << "\n";
    }
    out << "(times in ms, memory in MiB; heap: bytes malloc has handed out (mallinfo2), peak sampled at stage\n"
           " boundaries and progress calls; rss peak: the process's resident high-water mark while the stage ran)\n";
}
