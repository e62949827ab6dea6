#pragma once
// The window: `KORVAN3 [scene.txt] [/oculus|/nooculus] [/width N /height N] [options]`.
namespace korvan {

// Runs the window until it is closed; returns the exit status (2 when there is no display or an
// argument is wrong, 0 after a normal exit or a refusal at start-up).
int RunWindow(int argc, char** argv);

}  // namespace korvan
