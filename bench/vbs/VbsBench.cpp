// Interpreter speed: a generated scene file of about 40 000 lines in the scene writer's layout
// (1000 bodies with sizes, attributes, positions, connections and collisions) against a host
// that stores and records nothing; and a tight arithmetic loop of ten million turns.
// Targets: the scene lexes, parses and runs in under 0.2 s; the loop in under 2 s.
#include <benchmark/benchmark.h>

#include <cstdarg>
#include <cstdio>
#include <string>

#include "script/vbs/Interpreter.h"
#include "tests/support/RecordingHost.h"

namespace korvan::vbs {
namespace {

__attribute__((format(printf, 1, 2))) std::string Format(const char* format, ...) {
    char buffer[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    return buffer;
}

void SubHeader(std::string& s, const char* word) {
    s += "'\n' " + std::string(word) + "\n'\n";
}

// One body in the writer's layout (about 33 lines) plus a connection to the previous body and a
// collision definition (about 10 lines).
void AppendBody(std::string& s, int n) {
    std::string v = "Obj" + std::to_string(n);
    s += "' " + std::string(64 * 2, '-') + "\n";
    SubHeader(s, "作成");
    s += Format("Set %s = Application.AddObj( \"%s\" , \"%s\" )\n", v.c_str(), n % 2 ? "BOX" : "CYLINDER",
                ("部品" + std::to_string(n)).c_str());
    SubHeader(s, "サイズ");
    s += Format("%s.widthX = %6g ' ( 幅  = %6g mm )\n", v.c_str(), 0.1 + n * 1e-4, (0.1 + n * 1e-4) * 1000);
    s += Format("%s.widthY = %6g ' ( 奥行= %6g mm )\n", v.c_str(), 0.2, 200.0);
    s += Format("%s.widthZ = %6g ' ( 高さ= %6g mm )\n", v.c_str(), 0.05, 50.0);
    SubHeader(s, "基本属性");
    s += Format("%s.RHO = %6g ' ( 質量= %6g kg , 体積= %6g m^3 )\n", v.c_str(), 1000.0, 1.0, 0.001);
    s += Format("%s.Transparent = %6g\n%s.colorR = %6g\n%s.colorG = %6g\n%s.colorB = %6g\n", v.c_str(), 0.0,
                v.c_str(), 0.5, v.c_str(), 0.5, v.c_str(), 0.5);
    s += Format("%s.ShadeReceive = %6g ' ( 影を投影される )\n%s.ShadeThrow = %6g ' ( 影を投影する )\n",
                v.c_str(), 1.0, v.c_str(), 1.0);
    SubHeader(s, "位置情報");
    s += Format("%s.SetPosition        %24.16e , %24.16e , %24.16e\n", v.c_str(), n * 0.3, 0.0, 0.5);
    s += Format("%s.SetVelocity        %24.16e , %24.16e , %24.16e\n", v.c_str(), 0.0, 0.0, 0.0);
    s += Format("%s.SetAngularVelocity %24.16e , %24.16e , %24.16e\n", v.c_str(), 0.0, 0.0, 0.0);
    s += Format("%s.SetAngle           %24.16e , %24.16e , %24.16e\n", v.c_str(), 0.0, 0.0, 0.1);
    s += "' \n' \n";
    if (n > 1) {
        std::string p = "Obj" + std::to_string(n - 1);
        s += Format("' %s と %s の１点接続 (基準K=%e , 基準R=%e)\n", p.c_str(), v.c_str(), 1234.5, 12.5);
        s += Format("Application.Join1 %s ,_\n                                     %12g , %12g , %12g ,_\n",
                    p.c_str(), 0.15, 0.0, 0.0);
        s += Format("                  %s ,_\n                                     %12g , %12g , %12g ,_\n",
                    v.c_str(), -0.15, 0.0, 0.0);
        s += "                  -1 , -1 , 0 \n\n";
        s += Format("%s.AddCrash %s ,%d,%6g,%6g,%6g,%6g,%6g\n'\n", v.c_str(), p.c_str(), -1, 0.5, 0.4, 0.01,
                    -1.0, -1.0);
    }
}

std::string GeneratedScene(int lines) {
    std::string s = "Application.CheckVersion 3.02 \n";
    for (int n = 1; n <= 1000; ++n) AppendBody(s, n);
    int count = 0;
    for (char c : s) count += c == '\n';
    while (count < lines) s += "' \n", ++count;
    s += "Application.GravityZ =   -9.8\n";
    return s;
}

void BM_SceneFile40000Lines(benchmark::State& state) {
    static const std::string scene = GeneratedScene(40000);
    auto recording = std::make_shared<testing::Recording>();
    recording->enabled = false;
    for (auto _ : state) {
        Interpreter interpreter;
        testing::RegisterRecordingHost(interpreter, recording);
        std::optional<ScriptError> error = interpreter.Run(scene);
        if (error) state.SkipWithError(error->description.c_str());
    }
    state.counters["lines"] = 40001;
    state.counters["bytes"] = static_cast<double>(scene.size());
}
BENCHMARK(BM_SceneFile40000Lines)->Unit(benchmark::kMillisecond);

void BM_ArithmeticLoop10M(benchmark::State& state) {
    const std::string script =
        "s = 0\n"
        "For i = 1 To 10000000\n"
        "    s = s + i * 2 - 1\n"
        "Next\n";
    for (auto _ : state) {
        Interpreter interpreter;
        std::optional<ScriptError> error = interpreter.Run(script);
        if (error) state.SkipWithError(error->description.c_str());
    }
}
BENCHMARK(BM_ArithmeticLoop10M)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_DoubleLoop10M(benchmark::State& state) {
    const std::string script =
        "x = 0.5\n"
        "i = 0\n"
        "Do While i < 10000000\n"
        "    x = x * 1.0000001 + 0.25 / (i + 1)\n"
        "    i = i + 1\n"
        "Loop\n";
    for (auto _ : state) {
        Interpreter interpreter;
        std::optional<ScriptError> error = interpreter.Run(script);
        if (error) state.SkipWithError(error->description.c_str());
    }
}
BENCHMARK(BM_DoubleLoop10M)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
}  // namespace korvan::vbs

BENCHMARK_MAIN();
