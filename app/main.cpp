// KORVAN3: with --headless the scene runs on the console; otherwise the window opens.
#include <cstdio>
#include <string>
#include <vector>

#include "app/HeadlessRunner.h"
#include "app/RemoteClient.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (!args.empty() && args[0] == "--headless") return korvan::RunHeadless({args.begin() + 1, args.end()});
    if (!args.empty() && args[0] == "--send") return korvan::RunSend({args.begin() + 1, args.end()});
    std::fprintf(stderr,
                 "KORVAN3: this build has no window; run a scene with\n  KORVAN3 --headless SCENE [options]\n"
                 "(--headless --help lists the options)\n");
    return 2;
}
