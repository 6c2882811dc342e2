#pragma once
// Enter and Escape end a dialog. Pages that live as long as their palette (or a main window)
// take them here instead, so that no key closes them.

#include <QKeyEvent>

namespace ui {

// True (and the event accepted) when the key is one that would end a dialog.
inline bool swallowDialogKey(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
      event->accept();
      return true;
    default:
      return false;
  }
}

}  // namespace ui
