#pragma once
// The start-up measurement of the best number of calculation threads. It loads the benchmark
// scene and runs it for half a second on 1, 2, ... logical processors threads, in ordinary passes
// of the main loop; the count whose longest frame interval was shortest wins (the first on a
// tie), becomes ENV_OPTIMIZED_CORES with mode 0 ("measure at start-up"), and the program carries
// on with its usual start.
#include <functional>
#include <string>
#include <vector>

#include "base/Clock.h"

namespace korvan {

class Session;

struct BenchmarkHooks {
    // The message window: title, text and percentage (shown, or updated when shown).
    std::function<void(const std::string& title, const std::string& text, int percent)> showProgress;
    std::function<void()> hideProgress;
    // The measurement is over and its result applied: the usual start-up follows.
    std::function<void()> finished;
};

class CoreBenchmark {
  public:
    static constexpr double kWindowSeconds = 0.5;

    CoreBenchmark(Session& session, BenchmarkHooks hooks, double (*clock)() = NowSeconds);

    void Start();
    // After every due pass while running: the pass's work time and frame interval count.
    void AfterPass(double passEnd, double frameStart, double frameInterval);
    bool running() const { return running_; }

    // One entry per thread count measured, 1 ... logical processors.
    std::vector<int> frameCounts;
    std::vector<double> workTimes;
    std::vector<double> maxIntervals;
    int result = 0;  // the chosen thread count once finished

    // "マルチスレッドの設定が「起動時に測定」の時、この測定を行います。 n / N"
    std::string ProgressText() const;
    int ProgressPercent() const;

  private:
    Session& session_;
    BenchmarkHooks hooks_;
    double (*clock_)();
    bool running_ = false;
    double windowStart_ = 0;
    int frames_ = 0;
    double workSum_ = 0, maxInterval_ = 0;
    std::string sceneFolder_, sceneFileName_;

    void ShowProgress();
    void StartWindow();
    void Finish();
};

}  // namespace korvan
