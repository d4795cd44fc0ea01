#pragma once
// The two front ends of the executable.

// Headless: --upgrade, --backup, --help, --version. Returns the exit status.
int runConsole(int argc, char** argv);
// The window; returns when it is closed.
int runWindow(int argc, char** argv);
