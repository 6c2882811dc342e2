#include "platform/ui/script_runner.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPixmap>
#include <QTabBar>
#include <QTimer>
#include <QWidget>

namespace ui {
namespace {

// A directive may make the application busy for a moment (a redraw, a dialog opening);
// the next line waits this long before it asks again.
constexpr int kPollMs = 10;
// Keys for a modal window wait until it has the focus. A window manager gives a new dialog
// the focus at once; where none does, the dialog is asked to take it after this long, and
// a dialog that still has not taken it after the second time ends the run.
constexpr int kActivateAfterMs = 100;
constexpr int kFocusTimeoutMs = 10000;

bool splitFirst(const QString& text, QString& head, QString& rest) {
  const QString t = text.trimmed();
  const int blank = t.indexOf(QLatin1Char(' '));
  if (blank < 0) {
    head = t;
    rest.clear();
  } else {
    head = t.left(blank);
    rest = t.mid(blank + 1).trimmed();
  }
  return !head.isEmpty();
}

// The last word is the argument (on, off, an entry); the words before it the name.
bool splitLast(const QString& text, QString& name, QString& last) {
  const QString t = text.trimmed();
  const int blank = t.lastIndexOf(QLatin1Char(' '));
  if (blank < 0) return false;
  name = t.left(blank).trimmed();
  last = t.mid(blank + 1).trimmed();
  return !name.isEmpty() && !last.isEmpty();
}

bool shown(const QWidget* w) { return w != nullptr && w->isVisible() && w->isEnabled(); }

int keyOf(const QString& name) {
  static const struct {
    const char* name;
    int key;
  } kKeys[] = {{"Return", Qt::Key_Return}, {"Enter", Qt::Key_Return},
               {"Escape", Qt::Key_Escape}, {"Tab", Qt::Key_Tab},
               {"Up", Qt::Key_Up},         {"Down", Qt::Key_Down},
               {"Left", Qt::Key_Left},     {"Right", Qt::Key_Right},
               {"Delete", Qt::Key_Delete}, {"Backspace", Qt::Key_Backspace}};
  for (const auto& k : kKeys) {
    if (name.compare(QLatin1String(k.name), Qt::CaseInsensitive) == 0) return k.key;
  }
  if (name.size() >= 2 && name[0].toUpper() == QLatin1Char('F')) {
    bool ok = false;
    const int n = name.mid(1).toInt(&ok);
    if (ok && n >= 1 && n <= 12) return Qt::Key_F1 + n - 1;
  }
  return 0;
}

QString keyText(int key) {
  switch (key) {
    case Qt::Key_Return:
      return QStringLiteral("\r");
    case Qt::Key_Escape:
      return QString(QChar(0x1b));
    case Qt::Key_Tab:
      return QStringLiteral("\t");
    default:
      return {};
  }
}

void sendKey(QWidget* to, int key, const QString& text) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
  QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
  QApplication::sendEvent(to, &press);
  QApplication::sendEvent(to, &release);
}

void sendClick(QWidget* to, const QPoint& at) {
  const QPointF local(at);
  const QPointF global(to->mapToGlobal(at));
  QMouseEvent press(QEvent::MouseButtonPress, local, global, Qt::LeftButton, Qt::LeftButton,
                    Qt::NoModifier);
  QMouseEvent release(QEvent::MouseButtonRelease, local, global, Qt::LeftButton, Qt::NoButton,
                      Qt::NoModifier);
  QApplication::sendEvent(to, &press);
  QApplication::sendEvent(to, &release);
}

// The list that @cell acts on: the one holding the focus (its cell editor included), or
// else the only one shown.
QAbstractItemView* listIn(QWidget* window, QString& error) {
  QList<QAbstractItemView*> lists;
  for (QAbstractItemView* view : window->findChildren<QAbstractItemView*>()) {
    // A list's header is a view of its own, but no list.
    if (shown(view) && view->window() == window && qobject_cast<QHeaderView*>(view) == nullptr) {
      lists.append(view);
    }
  }
  const QWidget* focus = QApplication::focusWidget();
  for (QAbstractItemView* view : lists) {
    if (focus != nullptr && (focus == view || view->isAncestorOf(focus))) return view;
  }
  if (lists.size() == 1) return lists.front();
  error = lists.isEmpty()
              ? QStringLiteral("no list is shown")
              : QStringLiteral("%1 lists are shown and none has the focus").arg(lists.size());
  return nullptr;
}

QComboBox* comboLabelled(QWidget* window, const QString& label) {
  for (QComboBox* combo : window->findChildren<QComboBox*>()) {
    if (shown(combo) && plainText(combo->accessibleName()) == label) return combo;
  }
  for (QLabel* l : window->findChildren<QLabel*>()) {
    if (!l->isVisible() ||
        plainText(l->text()).remove(QLatin1Char(':')) != QString(label).remove(QLatin1Char(':'))) {
      continue;
    }
    if (auto* combo = qobject_cast<QComboBox*>(l->buddy()); shown(combo)) return combo;
  }
  return nullptr;
}

}  // namespace

QString plainText(const QString& text) {
  QString out;
  out.reserve(text.size());
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (text[i] == QLatin1Char('&')) {
      if (i + 1 < text.size() && text[i + 1] == QLatin1Char('&')) {
        out += QLatin1Char('&');
        ++i;
      }
      continue;
    }
    // a caption broken over lines ("图形\n位置\n预览") is named in one
    if (text[i] == QLatin1Char('\n')) continue;
    out += text[i];
  }
  // A shortcut shown after a tab is no part of the item's text.
  const qsizetype tab = out.indexOf(QLatin1Char('\t'));
  if (tab >= 0) out.truncate(tab);
  return out.trimmed();
}

ScriptRunner::ScriptRunner(QStringList lines, ScriptHooks hooks, QObject* parent)
    : QObject(parent), lines_(std::move(lines)), hooks_(std::move(hooks)) {}

bool ScriptRunner::readFile(const QString& fileName, QStringList& lines, QString& error) {
  QFile file(fileName);
  if (!file.open(QIODevice::ReadOnly)) {
    error = QStringLiteral("cannot read the script %1: %2").arg(fileName, file.errorString());
    return false;
  }
  const QString text = QString::fromUtf8(file.readAll());
  lines = text.split(QLatin1Char('\n'));
  for (QString& l : lines) {
    if (l.endsWith(QLatin1Char('\r'))) l.chop(1);
  }
  if (!lines.isEmpty() && lines.back().isEmpty()) lines.pop_back();
  return true;
}

void ScriptRunner::start() {
  running_ = true;
  index_ = 0;
  schedule(0);
}

void ScriptRunner::schedule(int delayMs) {
  if (pending_ || !running_) return;
  pending_ = true;
  // A fresh timer each time: the line carried out may open a nested event loop, inside
  // which the next line must still come.
  QTimer::singleShot(delayMs, this, [this] {
    pending_ = false;
    step();
  });
}

QWidget* ScriptRunner::targetWindow() const {
  if (QWidget* modal = QApplication::activeModalWidget()) return modal;
  if (QWidget* popup = QApplication::activePopupWidget()) return popup;
  if (QWidget* active = QApplication::activeWindow()) return active;
  return hooks_.mainWindow ? hooks_.mainWindow() : nullptr;
}

void ScriptRunner::step() {
  if (!running_) return;
  if (waiting_) {
    if (hooks_.idle && !hooks_.idle()) {
      schedule(kPollMs);
      return;
    }
    waiting_ = false;
  }
  // Skip what is no input.
  while (index_ < lines_.size()) {
    const QString t = lines_[index_].trimmed();
    if (!t.isEmpty() && !t.startsWith(QLatin1Char('#'))) break;
    ++index_;
  }
  if (index_ >= lines_.size()) {
    finish(0, {});
    return;
  }
  const QString text = lines_[index_].trimmed();
  const bool isDirective = text.startsWith(QLatin1Char('@'));
  // A directive acts on a modal window as well; a plain line waits for a prompt.
  if (!isDirective && hooks_.readyForLine && !hooks_.readyForLine() &&
      QApplication::activeModalWidget() == nullptr) {
    schedule(kPollMs);
    return;
  }
  if (isDirective) {
    QString error;
    if (awaitModalFocus(text, error)) {
      schedule(kPollMs);
      return;
    }
    if (!error.isEmpty()) {
      finish(1, QStringLiteral("line %1: %2").arg(index_ + 1).arg(error));
      return;
    }
  }
  ++index_;
  const int number = index_;
  schedule(kPollMs);  // before the line: it may not return until later lines have run
  QString error;
  bool ok;
  if (isDirective) {
    ok = directive(text, error);
  } else {
    ok = hooks_.line ? hooks_.line(text, error) : false;
    if (!hooks_.line) error = QStringLiteral("no command line takes the line");
  }
  if (!ok && running_) finish(1, QStringLiteral("line %1: %2").arg(number).arg(error));
}

void ScriptRunner::finish(int code, const QString& message) {
  if (!running_) return;
  running_ = false;
  emit finished(code, message);
}

bool ScriptRunner::awaitModalFocus(const QString& line, QString& error) {
  QString name, arg;
  splitFirst(line.mid(1), name, arg);
  QWidget* modal = QApplication::activeModalWidget();
  if ((name != QLatin1String("type") && name != QLatin1String("key")) || modal == nullptr ||
      QApplication::activeWindow() == modal) {
    focusWait_.invalidate();
    return false;
  }
  if (!focusWait_.isValid()) {
    focusWait_.start();
    activationAsked_ = false;
  }
  if (!activationAsked_ && focusWait_.elapsed() >= kActivateAfterMs) {
    modal->activateWindow();
    activationAsked_ = true;
  }
  if (focusWait_.elapsed() < kFocusTimeoutMs) return true;
  focusWait_.invalidate();
  error = QStringLiteral("the window \"%1\" did not take the focus").arg(modal->windowTitle());
  return false;
}

bool ScriptRunner::directive(const QString& text, QString& error) {
  QString name, arg;
  splitFirst(text.mid(1), name, arg);
  QWidget* window = targetWindow();
  if (name == QLatin1String("wait")) {
    waiting_ = true;
    return true;
  }
  if (name == QLatin1String("expect")) {
    if (!hooks_.expect) {
      error = QStringLiteral("@expect is not supported here");
      return false;
    }
    return hooks_.expect(arg, error);
  }
  if (window == nullptr) {
    error = QStringLiteral("no window is open");
    return false;
  }
  if (name == QLatin1String("click")) {
    const QString want = plainText(arg);
    for (QAbstractButton* b : window->findChildren<QAbstractButton*>()) {
      if (shown(b) && plainText(b->text()) == want) {
        b->click();
        return true;
      }
    }
    for (QTabBar* bar : window->findChildren<QTabBar*>()) {
      if (!shown(bar)) continue;
      for (int i = 0; i < bar->count(); ++i) {
        if (plainText(bar->tabText(i)) == want && bar->isTabEnabled(i)) {
          bar->setCurrentIndex(i);
          return true;
        }
      }
    }
    for (QAction* a : window->findChildren<QAction*>()) {
      if (a->isVisible() && a->isEnabled() && !a->isSeparator() && !a->menu() &&
          plainText(a->text()) == want) {
        a->trigger();
        return true;
      }
    }
    error = QStringLiteral("nothing to click is called \"%1\"").arg(want);
    return false;
  }
  if (name == QLatin1String("check")) {
    QString label, state;
    if (!splitLast(arg, label, state) ||
        (state != QLatin1String("on") && state != QLatin1String("off"))) {
      error = QStringLiteral("@check needs a text and on or off");
      return false;
    }
    for (QAbstractButton* b : window->findChildren<QAbstractButton*>()) {
      if (shown(b) && b->isCheckable() && plainText(b->text()) == plainText(label)) {
        if (b->isChecked() != (state == QLatin1String("on"))) b->click();
        return true;
      }
    }
    error = QStringLiteral("no check box is called \"%1\"").arg(label);
    return false;
  }
  if (name == QLatin1String("choose")) {
    QString label, entry;
    if (!splitLast(arg, label, entry)) {
      error = QStringLiteral("@choose needs a label and an entry");
      return false;
    }
    QComboBox* combo = comboLabelled(window, plainText(label));
    if (combo == nullptr) {
      error = QStringLiteral("no combo box is labelled \"%1\"").arg(label);
      return false;
    }
    const int index = combo->findText(entry);
    if (index < 0) {
      error = QStringLiteral("the combo box \"%1\" has no entry \"%2\"").arg(label, entry);
      return false;
    }
    combo->setCurrentIndex(index);
    emit combo->activated(index);
    return true;
  }
  if (name == QLatin1String("cell")) {
    const QStringList words = arg.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    bool rowOk = false, columnOk = false;
    const int row = words.size() == 2 ? words[0].toInt(&rowOk) : 0;
    const int column = words.size() == 2 ? words[1].toInt(&columnOk) : 0;
    if (!rowOk || !columnOk || row < 1 || column < 1) {
      error = QStringLiteral("@cell needs a row and a column, counted from 1");
      return false;
    }
    QAbstractItemView* list = listIn(window, error);
    if (list == nullptr) return false;
    const QModelIndex index = list->model()->index(row - 1, column - 1, list->rootIndex());
    if (!index.isValid()) {
      error = QStringLiteral("the list has no cell %1 %2 (%3 rows, %4 columns)")
                  .arg(row)
                  .arg(column)
                  .arg(list->model()->rowCount(list->rootIndex()))
                  .arg(list->model()->columnCount(list->rootIndex()));
      return false;
    }
    list->scrollTo(index);
    const QRect rect = list->visualRect(index) & list->viewport()->rect();
    if (rect.isEmpty()) {
      error = QStringLiteral("the cell %1 %2 cannot be seen").arg(row).arg(column);
      return false;
    }
    sendClick(list->viewport(), rect.center());
    return true;
  }
  QWidget* focus = QApplication::focusWidget();
  if (focus == nullptr || focus->window() != window) focus = window;
  if (name == QLatin1String("type")) {
    for (const QChar c : arg) sendKey(focus, 0, QString(c));
    return true;
  }
  if (name == QLatin1String("key")) {
    const int key = keyOf(arg);
    if (key == 0) {
      error = QStringLiteral("no key is called \"%1\"").arg(arg);
      return false;
    }
    sendKey(focus, key, keyText(key));
    return true;
  }
  if (name == QLatin1String("screenshot")) {
    if (arg.isEmpty()) {
      error = QStringLiteral("@screenshot needs a file name");
      return false;
    }
    if (!window->grab().save(arg, "PNG")) {
      error = QStringLiteral("cannot write the screenshot %1").arg(arg);
      return false;
    }
    return true;
  }
  error = QStringLiteral("unknown directive @%1").arg(name);
  return false;
}

}  // namespace ui
