#include "app/HeadlessOptions.h"

namespace korvan {

std::optional<HeadlessOptions> ParseHeadlessOptions(const std::vector<std::string>& args,
                                                    std::string& error) {
    HeadlessOptions o;
    ArgumentCursor words(args);
    while (!words.Done()) {
        const std::string& a = words.Take();
        auto number = [&]<class T>(std::optional<T>& out, T low, T high) {
            const std::string* v = words.ValueOf(a, error);
            if (!v) return false;
            out = ParseWhole<T>(*v);
            if (!out || *out < low || *out > high) {
                error = a + ": '" + *v + "' is not a number in range";
                return false;
            }
            return true;
        };
        if (a == "--help") {
            o.help = true;
        } else if (a == "--frames") {
            std::optional<int> n;
            if (!number(n, 0, 100000000)) return std::nullopt;
            o.frames = *n;
        } else if (a == "--threads") {
            if (!number(o.threads, 1, 1024)) return std::nullopt;
        } else if (a == "--accuracy") {
            if (!number(o.accuracy, 0.0, 1.0)) return std::nullopt;
        } else if (a == "--candidate-period") {
            if (!number(o.candidatePeriod, 1, 20)) return std::nullopt;
        } else if (a == "--load-reduction") {
            if (!number(o.loadReduction, 0.0, 1.0)) return std::nullopt;
        } else if (a == "--undo") {
            std::optional<int> n;
            if (!number(n, 0, 1000)) return std::nullopt;
            o.undo = *n;
        } else if (a == "--script-timeout") {
            std::optional<double> seconds;
            if (!number(seconds, 0.0, 1e6)) return std::nullopt;
            o.scriptTimeout = *seconds;
        } else if (a == "--key") {
            if (!words.TakeKeyHold(o.keys, error)) return std::nullopt;
        } else if (a == "--save") {
            const std::string* v = words.ValueOf(a, error);
            if (!v) return std::nullopt;
            o.save = *v;
        } else if (a == "--print-state") {
            o.printState = true;
        } else if (a == "--timing") {
            o.timing = true;
        } else if (a == "--yes" || a == "--no") {
            o.answer = a == "--yes";
        } else if (!a.empty() && a[0] == '-') {
            error = "unknown option " + a;
            return std::nullopt;
        } else if (o.scene.empty()) {
            o.scene = a;
        } else {
            error = "more than one scene file: " + a;
            return std::nullopt;
        }
    }
    if (o.scene.empty() && !o.help) {
        error = "no scene file given";
        return std::nullopt;
    }
    return o;
}

const char* HeadlessUsage() {
    return "Usage: KORVAN3 --headless SCENE [options]\n"
           "Loads SCENE, runs it without a window and reports what happened.\n"
           "  --frames N             frames to simulate (default 60, 1/60 s each)\n"
           "  --threads N            calculation threads (capped at the processor count)\n"
           "  --accuracy A           accuracy 0..1 (default 1)\n"
           "  --candidate-period N   control pass every N-th sub-step, 1..20 (default 10)\n"
           "  --load-reduction L     load reduction 0..1 (default 0)\n"
           "  --key VK@FROM-TO       hold a virtual key (code or name such as VK_UP) during frames\n"
           "                         FROM..TO, 0-based inclusive; repeatable\n"
           "  --print-state          print every body's state after the last frame\n"
           "  --timing               print frames, simulated and wall time\n"
           "  --yes, --no            answer to every question (default: the question's default)\n"
           "  --save FILE            write the scene after the last frame\n"
           "  --undo N               undo N steps after loading, before running\n"
           "  --script-timeout S     stop a scene script that runs longer than S seconds\n"
           "                         (default 10; 0: no limit); the load then fails\n"
           "  --help                 this text\n"
           "A calculation anomaly is reported on stderr and the scene goes back to the backup before\n"
           "its latest change (or starts afresh when there is none); the run then goes on.\n"
           "Exit status: 0 success, 1 scene not loaded, script failed or a calculation anomaly was\n"
           "recovered from, 2 bad arguments, 128+N ended by signal N (SIGINT, SIGTERM) after\n"
           "removing the backup files.\n";
}

}  // namespace korvan
