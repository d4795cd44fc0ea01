#pragma once
// The two front ends of the executable.
#include <string>
#include <vector>

// Headless: --upgrade, --backup, --check, --verify, --restore, --help,
// --version. The arguments are UTF-8, the program's name first. Returns the
// exit status.
int runConsole(const std::vector<std::string>& arguments);
// True when the arguments are one of the headless options with as many
// arguments as it takes.
bool isHeadlessCommandLine(const std::vector<std::string>& arguments);
// True when what the program prints reaches someone: it was started from a
// console or terminal, or its output goes to a pipe or file. False for a
// start by the desktop (a file dropped onto it, a shortcut with arguments).
bool startedFromConsole();
// The window; returns when it is closed.
int runWindow(int argc, char** argv);
