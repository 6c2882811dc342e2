#pragma once
// The export tool's window as a program: `tabulix` without arguments, or with one data
// file to open at once.

namespace tabulix {

// True when the arguments ask for the window rather than a subcommand.
bool WantsWindow(int argc, char** argv);

// Runs the window until it is closed; returns the exit status.
int RunWindow(int argc, char** argv);

}  // namespace tabulix
