#pragma once
// The program: the front end (the window when there is a display, else the
// headless one), the one Qt event loop that watches the port, the hand-over
// queue, standard input, the signals and the timers, and the optional
// simulated layout.

#include "app/AppOptions.h"

namespace tenvarra {

// Runs until the front end closes or SIGINT/SIGTERM arrives; the exit status.
int RunTenvarra(const TAppOptions& Options, int argc, char** argv);

}  // namespace tenvarra
