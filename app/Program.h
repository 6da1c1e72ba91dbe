#pragma once
// Ending the program from anywhere: the login's close, the end of the journal, a build
// mismatch. Tests replace the ender to record the request instead of leaving their loop.
#include <functional>

namespace Program {
// Ends every running event loop now, and the main loop as soon as it runs.
void end();
void setEnder(std::function<void()> ender);
} // namespace Program
