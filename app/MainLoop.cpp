#include "app/MainLoop.h"

#include <cmath>

#include "app/CoreBenchmark.h"
#include "app/Session.h"

namespace korvan {

MainLoop::MainLoop(Session& session, LoopHooks hooks, double (*clock)())
    : session_(session), hooks_(std::move(hooks)), clock_(clock) {}

bool MainLoop::benchmarkMode() const {
    return benchmark_ && benchmark_->running();
}

void MainLoop::SceneCleared() {
    lastFrameTime = 0;
    lateness = 0;
    delayCount = 0;
    delayFrames = 0;
    delaySum = 0;
    delaySkip = 0;
    timings.passEnd = 0;
}

void MainLoop::CountPass() {
    idlePassCount = idlePassCount >= kPassCountWrap ? 10 : idlePassCount + 1;
    ++benchmarkPassCount;
}

double MainLoop::SecondsUntilDue() const {
    if (session_.stereoMode == 3) return 0;
    const double due = lastFrameTime + session_.scene().settings.frameTime - clock_();
    return due > 0 ? due : 0;
}

// The next due time counts from the start of this pass, so a late frame is not made up.
bool MainLoop::TakeDueFrame() {
    if (session_.stereoMode == 3) return true;  // every pass is a frame of the headset
    const double t = clock_();
    const double due = lastFrameTime + session_.scene().settings.frameTime;
    if (due >= t) return false;
    lateness = lastFrameTime >= 1e-6 ? t - due : 0;
    lastFrameTime = t;
    return true;
}

void MainLoop::TrackPointer() {
    if (!hooks_.pointer) return;
    const std::pair<int, int> at = hooks_.pointer();
    if (at == lastPointer_) {
        if (++pointerStill_ > kPointerStillPasses) pointerActive = 0;
        return;
    }
    pointerActive = 1;
    pointerStill_ = 0;
    lastPointer_ = at;
}

bool MainLoop::Pass() {
    if (modalUi || session_.document.busy) return false;
    CountPass();
    TrackPointer();
    if (idlePassCount == 1) {
        if (session_.settings.ENV_OPTIMIZED_CORES < 0 || session_.settings.ENV_CUR_CPUS_MODE == 0) {
            if (benchmark_) benchmark_->Start();
        } else if (hooks_.startUp) {
            hooks_.startUp();
        }
    }
    // A scene cleared anywhere (a load, an undo, a recovery, a remote script) restarts the clock.
    const SimSettings& settings = session_.scene().settings;
    if (settings.CurTime < lastCurTime_) SceneCleared();
    if (!TakeDueFrame()) return false;

    if (hooks_.beforeFrame) hooks_.beforeFrame();
    session_.scheduler.cpuMeterShown = session_.viewFlags[ViewFlag::RANK];
    session_.scheduler.RunSimulationFrame();
    lastCurTime_ = settings.CurTime;
    if (hooks_.draw) hooks_.draw();
    timings.drawEnd = clock_();
    SuperviseAssemblyAndDelay();

    const double t = clock_();
    timings.gdiTime = t - timings.drawEnd;
    if (timings.passEnd > 0) timings.frameInterval = t - timings.passEnd;
    timings.passEnd = t;
    if (benchmarkMode())
        benchmark_->AfterPass(timings.passEnd, session_.scheduler.frameStartTime, timings.frameInterval);
    return true;
}

void MainLoop::SuperviseAssemblyAndDelay() {
    const SimSettings& s = session_.scene().settings;
    int& assemblyState = session_.document.assemblyState;
    const double q = s.PreCalcTime == 0 && s.CurTime == 0 ? NAN : s.CurTime / s.PreCalcTime;
    if (q >= 1) {
        if (assemblyState == 1) {
            assemblyState = 2;
            if (hooks_.hideProgress) hooks_.hideProgress();
        }
        double p = 0;
        if (delaySkip == 0) {
            p = lateness * 100 / s.frameTime;
            delayFrames += 1;
            delaySum += p;
        }
        delaySkip = 0;
        if (delayCount != -1 && !benchmarkMode()) {
            if (p > kLatePercent) {
                if (++delayCount >= kDelayRun) GiveDelayWarning();
            } else {
                delayCount = 0;
            }
        }
        return;
    }
    if (idlePassCount % 10 != 0) return;
    if (assemblyState == 0) {
        assemblyState = 1;
        if (hooks_.showProgress)
            hooks_.showProgress(
                "模型の組み立て中...",
                "しばらくお待ちください。\n\n( 物と物の相対接続情報から絶対位置を計算で求めています。 )", 0);
    } else if (assemblyState == 1 && hooks_.setProgress) {
        hooks_.setProgress(static_cast<int>(q * 100));
    }
}

void MainLoop::GiveDelayWarning() {
    const double average = delayFrames > 0 ? delaySum / delayFrames : 0;
    delaySkip = 1;
    delayCount = -1;
    if (hooks_.delayWarning) hooks_.delayWarning(average);
}

}  // namespace korvan
