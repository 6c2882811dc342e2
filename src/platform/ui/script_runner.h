#pragma once
// Runs a script of user input against a Qt application, one line each time the
// application waits for input, inside modal dialogs and nested input loops too.
//
// Lines:
//   (blank) and "# ..."      skipped
//   @click TEXT              the visible button, tab, menu item or check box whose text
//                            ("&" markers removed, blanks trimmed) is TEXT
//   @check TEXT on|off       sets that check box
//   @choose LABEL ENTRY      picks ENTRY in the combo box whose label or accessible name
//                            is LABEL
//   @cell ROW COLUMN         clicks that cell (both counted from 1) of the focused list,
//                            or of the only list shown
//   @type TEXT               types TEXT into the focused widget
//   @key NAME                Return, Escape, Tab, Up, Down, Delete, F1 ... F12
//                            (@type and @key first wait until an open modal window has
//                            taken the focus, as a person waits for a dialog)
//   @wait                    until the application has nothing left to do
//   @screenshot FILE.png     the active window
//   @expect TEXT             handed to the application (ScriptHooks::expect)
//   anything else            handed to the application (ScriptHooks::line)
// A line that cannot be carried out stops the run: finished(1, "line N: why").

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>

#include "platform/ui/ui_export.h"

class QWidget;

namespace ui {

struct ScriptHooks {
  // True while the application waits for a plain line (at its command prompt, or a
  // prompt of a running command). Directives run whenever a window is there to take them.
  std::function<bool()> readyForLine;
  // True when nothing is pending (no redraw, no queued work); @wait waits for it.
  std::function<bool()> idle;
  // Carries out a plain line; false with `error` when it cannot.
  std::function<bool(const QString& line, QString& error)> line;
  // Checks an @expect; false with `error` when it does not hold.
  std::function<bool(const QString& text, QString& error)> expect;
  // The window directives act on when no modal window or active window is there.
  std::function<QWidget*()> mainWindow;
};

class KESTRA_UI_EXPORT ScriptRunner final : public QObject {
  Q_OBJECT
 public:
  ScriptRunner(QStringList lines, ScriptHooks hooks, QObject* parent = nullptr);
  ScriptRunner(const ScriptRunner&) = delete;
  ScriptRunner& operator=(const ScriptRunner&) = delete;

  // Reads a script file; false with `error` when it cannot be read.
  static bool readFile(const QString& fileName, QStringList& lines, QString& error);

  void start();
  bool running() const { return running_; }
  // The number (1-based) of the line being carried out.
  int lineNumber() const { return index_; }

  // The widget that directives act on now: the active modal window, the active window or
  // the main window.
  QWidget* targetWindow() const;
  // Carries out one directive (without its line number in the error).
  bool directive(const QString& text, QString& error);

 signals:
  // 0 after the last line; 1 with "line N: why" when a line failed.
  void finished(int exitCode, const QString& message);

 private:
  void schedule(int delayMs);
  void step();
  void finish(int code, const QString& message);
  // For @type and @key: true while an open modal window has not yet taken the focus and
  // the line should be tried again; false when the keys may go (`error` set when the
  // window never took the focus).
  bool awaitModalFocus(const QString& line, QString& error);

  QStringList lines_;
  ScriptHooks hooks_;
  int index_ = 0;
  bool pending_ = false;
  bool running_ = false;
  bool waiting_ = false;     // an @wait is in progress
  QElapsedTimer focusWait_;  // running while keys wait for a modal window's focus
  bool activationAsked_ = false;
};

// Text of a widget as directives match it: "&" markers removed, blanks trimmed.
KESTRA_UI_EXPORT QString plainText(const QString& text);

}  // namespace ui
