#pragma once
// The export tool's window as a program: `tabulix` without arguments, with one data file
// to open at once, or `tabulix --script FILE [DATAFILE]` run by widget directives on the
// window, opened on DATAFILE first when one is given (after the last line the window
// closes as by its close button).

#include <QString>
#include <QStringList>

namespace tabulix {

class CTabulixDlg;

// True when the arguments ask for the window rather than a subcommand.
bool WantsWindow(int argc, char** argv);

// Runs the script's directives on the shown window, then closes it as by its close button;
// returns the exit status (1 with a message on standard error when a line fails).
int RunScript(CTabulixDlg& window, const QString& file);

// Opens a data file for a script run: a file that cannot be read is reported on standard
// error in one line instead of a message box; false then.
bool OpenForScript(CTabulixDlg& window, const QString& file);

// Runs the shown window on the arguments after the program name (those WantsWindow takes):
// none, a data file, or --script FILE [DATAFILE]; returns the exit status.
int RunShownWindow(CTabulixDlg& window, const QStringList& args);

// Runs the window until it is closed; returns the exit status.
int RunWindow(int argc, char** argv);

}  // namespace tabulix
