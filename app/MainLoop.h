#pragma once
// The main loop: everything that moves happens in passes on the main thread. A pass that is due
// (one frame time after the previous due pass; late frames are not made up) runs exactly one
// simulation frame, draws it, watches the assembly phase and the real-time delay, and keeps the
// frame timings:
//
//     pass:  [busy? stop] count -> [first pass: start-up] -> due? -> frame -> draw -> assembly
//            and delay -> timings -> [benchmark bookkeeping]
//     between passes (the driver): anomaly recovery, then the between-pass hooks (remote scripts)
//
// No window here: the driver (a Qt timer in the window, a plain loop in benchmarks) calls Pass()
// and asks SecondsUntilDue() when to call again. What a pass shows goes through LoopHooks.
#include <climits>
#include <functional>
#include <string>
#include <utility>

#include "base/Clock.h"

namespace korvan {

class Session;
class CoreBenchmark;

struct LoopHooks {
    // The first pass, once per run, when no benchmark runs: the initial scene and the first load.
    std::function<void()> startUp;
    // Just before the simulation frame (keys that scripts hold for given frames).
    std::function<void()> beforeFrame;
    // Draws the frame just simulated; drawing ends before the call returns.
    std::function<void()> draw;
    // The message window: shown with a title, a text and a percentage; progress updates; hidden.
    std::function<void(const std::string& title, const std::string& text, int percent)> showProgress;
    std::function<void(int percent)> setProgress;
    std::function<void()> hideProgress;
    // Frames have been more than half a frame late for a long run; the average lateness in per cent.
    std::function<void(double averagePercent)> delayWarning;
    // The mouse pointer in main-view coordinates, read at every pass that is not busy.
    std::function<std::pair<int, int>()> pointer;
};

// Frame timings the CPU meter and the benchmark read (seconds).
struct FrameTimings {
    double frameInterval = 0;  // from the end of the previous due pass to the end of this one
    double gdiTime = 0;        // from the end of drawing to the end of the pass
    double passEnd = 0;        // time of the end of the last due pass
    double drawEnd = 0;
};

class MainLoop {
  public:
    static constexpr int kPassCountWrap = 0x7FFFFFF0;  // the count then continues from 10
    static constexpr int kDelayRun = 100;              // late due frames in a row before the warning
    static constexpr double kLatePercent = 50;         // a frame is late beyond half a frame period
    // Passes, due or not, with the pointer in one place before it counts as at rest. The loop
    // does not spin: a pass runs only when the driver wakes, about once or twice a frame.
    static constexpr int kPointerStillPasses = 200;

    MainLoop(Session& session, LoopHooks hooks, double (*clock)() = NowSeconds);

    // One idle pass. True when it was due and ran a frame.
    bool Pass();
    // Seconds until the next pass is due (0 when due now).
    double SecondsUntilDue() const;
    // The scene was cleared: the next pass is due at once, with no lateness, and the delay and
    // assembly statistics start again.
    void SceneCleared();

    // Set while a modal dialog or a scene rebuild runs: passes change nothing.
    bool modalUi = false;
    bool benchmarkMode() const;
    void SetBenchmark(CoreBenchmark* benchmark) { benchmark_ = benchmark; }

    int idlePassCount = 0;
    int benchmarkPassCount = 0;
    double lastFrameTime = 0;
    double lateness = 0;
    int delayCount = 0;
    double delayFrames = 0;
    double delaySum = 0;
    int delaySkip = 0;
    // 1 after the pointer moved, 0 once it has stood still for more than kPointerStillPasses
    // passes (the head-mounted drawing shows the pointer's ray only while it moves).
    int pointerActive = 0;
    FrameTimings timings;

  private:
    Session& session_;
    LoopHooks hooks_;
    double (*clock_)();
    CoreBenchmark* benchmark_ = nullptr;
    double lastCurTime_ = 0;
    std::pair<int, int> lastPointer_{INT_MIN, INT_MIN};
    int pointerStill_ = 0;

    void CountPass();
    void TrackPointer();
    bool TakeDueFrame();
    void SuperviseAssemblyAndDelay();
    void GiveDelayWarning();
};

}  // namespace korvan
