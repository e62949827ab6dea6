#pragma once
// The help command: the manual HTML/index.html opened in the desktop's browser through xdg-open,
// which picks the user's own choice of browser. The browser runs on its own; the program does
// not wait for it.
#include <string>

namespace korvan {

// Opens `helpFolder` + "index.html" (helpFolder ends with "/"). False with the reason in `error`
// when the manual is missing or xdg-open cannot be started; what the browser does after that is
// its own affair.
bool OpenManual(const std::string& helpFolder, std::string& error);

}  // namespace korvan
