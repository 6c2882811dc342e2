#pragma once
// The export tool's window as a program: `tabulix` without arguments, with one data file
// to open at once, or `tabulix --script FILE` run by widget directives (after the last line
// the window closes as by its close button).

class QString;

namespace tabulix {

class CTabulixDlg;

// True when the arguments ask for the window rather than a subcommand.
bool WantsWindow(int argc, char** argv);

// Runs the script's directives on the shown window, then closes it as by its close button;
// returns the exit status (1 with a message on standard error when a line fails).
int RunScript(CTabulixDlg& window, const QString& file);

// Runs the window until it is closed; returns the exit status.
int RunWindow(int argc, char** argv);

}  // namespace tabulix
