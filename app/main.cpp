// KORVAN3: with --headless the scene runs on the console; otherwise the window opens.
#include <cstdio>
#include <string>
#include <vector>

#include "app/HeadlessRunner.h"
#include "app/ModelSummary.h"
#include "app/RemoteClient.h"
#ifdef KORVAN_HAS_WINDOW
#include "app/GuiMain.h"
#endif

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (!args.empty() && args[0] == "--headless") return korvan::RunHeadless({args.begin() + 1, args.end()});
    if (!args.empty() && args[0] == "--model") return korvan::RunModelSummary({args.begin() + 1, args.end()});
    if (!args.empty() && args[0] == "--send") return korvan::RunSend({args.begin() + 1, args.end()});
#ifdef KORVAN_HAS_WINDOW
    return korvan::RunWindow(argc, argv);
#else
    std::fprintf(
        stderr,
        "KORVAN3: this build has no window; run a scene with\n  KORVAN3 --headless SCENE [options]\n"
        "(--headless --help lists the options), or read a model file with\n  KORVAN3 --model FILE\n");
    return 2;
#endif
}
