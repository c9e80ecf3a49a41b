#pragma once

#include <string>
#include <vector>

// Runs this same test program again as a child process with the given arguments and waits
// for it: its exit status, or a non-zero value when it crashed or could not be started
// (child_posix.cpp / child_win32.cpp).
int runSelf(const std::vector<std::string>& args);
