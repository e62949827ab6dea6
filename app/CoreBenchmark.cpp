#include "app/CoreBenchmark.h"

#include <algorithm>

#include "app/Session.h"
#include "base/Format.h"

namespace korvan {

CoreBenchmark::CoreBenchmark(Session& session, BenchmarkHooks hooks, double (*clock)())
    : session_(session), hooks_(std::move(hooks)), clock_(clock) {}

std::string CoreBenchmark::ProgressText() const {
    const int n = session_.scene().settings.calcThreadCount;
    const int total = session_.scheduler.threadSettings.logicalProcessorCount;
    return "マルチスレッドの設定が「起動時に測定」の時、この測定を行います。 " + std::to_string(n) + " / " +
           std::to_string(total);
}

int CoreBenchmark::ProgressPercent() const {
    const int total = std::max(session_.scheduler.threadSettings.logicalProcessorCount, 1);
    return session_.scene().settings.calcThreadCount * 100 / total;
}

void CoreBenchmark::ShowProgress() {
    if (hooks_.showProgress) hooks_.showProgress("最適コア数測定中...", ProgressText(), ProgressPercent());
}

void CoreBenchmark::Start() {
    sceneFolder_ = session_.document.sceneFolder;
    sceneFileName_ = session_.document.sceneFileName;
    session_.Initialise();
    session_.scheduler.StopCalcThreads();
    session_.scene().settings.calcThreadCount = 1;
    session_.scheduler.StartCalcThreads();
    running_ = true;
    frameCounts.clear(), workTimes.clear(), maxIntervals.clear();
    ShowProgress();
    session_.Load(session_.folders.resource + "bench.txt");
    StartWindow();
}

void CoreBenchmark::StartWindow() {
    frames_ = 0;
    workSum_ = 0;
    maxInterval_ = 0;
    windowStart_ = clock_();
}

void CoreBenchmark::AfterPass(double passEnd, double frameStart, double frameInterval) {
    if (!running_) return;
    ++frames_;
    workSum_ += passEnd - frameStart;
    maxInterval_ = std::max(maxInterval_, frameInterval);
    if (clock_() - windowStart_ <= kWindowSeconds) return;

    frameCounts.push_back(frames_);
    workTimes.push_back(workSum_);
    maxIntervals.push_back(maxInterval_);
    CScheduler& scheduler = session_.scheduler;
    int& threads = session_.scene().settings.calcThreadCount;
    if (threads < scheduler.threadSettings.logicalProcessorCount) {
        scheduler.StopCalcThreads();
        ++threads;
        ShowProgress();
        scheduler.StartCalcThreads();
        StartWindow();
        return;
    }
    Finish();
}

void CoreBenchmark::Finish() {
    if (hooks_.hideProgress) hooks_.hideProgress();
    running_ = false;
    // The first count with the smallest longest interval wins.
    const auto best = std::min_element(maxIntervals.begin(), maxIntervals.end());
    result = static_cast<int>(best - maxIntervals.begin()) + 1;
    ThreadSettings& t = session_.scheduler.threadSettings;
    t.ENV_OPTIMIZED_CORES = result;
    t.ENV_CUR_CPUS_MODE = 0;
    session_.settings.ENV_OPTIMIZED_CORES = result;
    session_.settings.ENV_CUR_CPUS_MODE = 0;
    session_.scheduler.ApplyThreadSetting();
    session_.document.sceneFolder = sceneFolder_;
    session_.document.sceneFileName = sceneFileName_;
    if (hooks_.finished) hooks_.finished();
}

}  // namespace korvan
