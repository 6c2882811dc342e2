#pragma once
// The command line: what the host and plug-ins print, the prompt, the line being typed,
// the history of typed lines (Up and Down), the last lines visible and a scroll-back.

#include <QString>
#include <QStringList>
#include <QWidget>

class QLabel;
class QLineEdit;
class QPlainTextEdit;

namespace app {

class CommandLineWidget final : public QWidget {
  Q_OBJECT
 public:
  explicit CommandLineWidget(QWidget* parent);
  CommandLineWidget(const CommandLineWidget&) = delete;
  CommandLineWidget& operator=(const CommandLineWidget&) = delete;

  // Text as it is; "\n" starts a new line.
  void print(const QString& text);
  void setPrompt(const QString& prompt);
  QString prompt() const { return prompt_; }
  // Everything shown so far, typed lines included.
  const QString& transcript() const { return transcript_; }
  // Takes the line as if the user typed it and pressed Enter.
  void enter(const QString& line);
  QLineEdit* input() const { return input_; }
  // Lets a key typed elsewhere (in the drawing view) go to the input line.
  void forwardKey(QKeyEvent* event);

 signals:
  void submitted(const QString& line);
  void cancelled();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void submit();

  QPlainTextEdit* history_;
  QLabel* promptLabel_;
  QLineEdit* input_;
  QString prompt_;
  QString transcript_;
  QStringList typed_;
  int recall_ = 0;
};

}  // namespace app
